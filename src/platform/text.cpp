#include "platform/text.h"

namespace xlt {

std::size_t find_aligned(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty()) {
        return std::string_view::npos;
    }
    const unsigned char first = static_cast<unsigned char>(needle[0]);
    std::size_t pos = from;
    while (pos < text.size()) {
        if (static_cast<unsigned char>(text[pos]) == first &&
            text.compare(pos, needle.size(), needle) == 0) {
            return pos;
        }
        pos += char_length(text, pos);
    }
    return std::string_view::npos;
}

Text replace_all(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return Text(text);
    }
    Text out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (std::size_t hit = find_aligned(text, from, 0); hit != std::string_view::npos;
         hit = find_aligned(text, from, copied)) {
        out.append(text.substr(copied, hit - copied));
        out.append(to);
        copied = hit + from.size();
    }
    out.append(text.substr(copied));
    return out;
}

std::vector<Text> split_text(std::string_view text, std::string_view separator) {
    std::vector<Text> pieces;
    if (text.empty()) {
        return pieces;
    }
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t start = 0;
    for (std::size_t hit = find_aligned(text, separator, 0); hit != std::string_view::npos;
         hit = find_aligned(text, separator, start)) {
        pieces.emplace_back(text.substr(start, hit - start));
        start = hit + separator.size();
    }
    if (start < text.size()) {
        pieces.emplace_back(text.substr(start));
    }
    return pieces;
}

Text text_from_file_bytes(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const unsigned char c = static_cast<unsigned char>(bytes[pos]);
        if (c == 0x00 || c == 0x1A) {
            break;
        }
        if (c >= 0x80 && pos + 1 < bytes.size() && bytes[pos + 1] == '\0') {
            break;  // a lead byte whose second byte is the terminator goes with it
        }
        pos += char_length(bytes, pos);
    }
    return Text(bytes.substr(0, pos));
}

Text text_before_nul(std::string_view bytes) {
    return Text(bytes.substr(0, bytes.find('\0')));
}

}  // namespace xlt
