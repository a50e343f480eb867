#include "source/encoding.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace xlt::source {
namespace {

bool supported(std::int32_t codepage) {
    return codepage == codepage::kAnsi || codepage == codepage::kGbk || codepage == codepage::kUtf8;
}

std::string_view before_nul(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

ByteString multibyte_to_wide(const Text& text, std::int32_t codepage, bool use_codepage) {
    const std::string_view bytes = before_nul(text);
    const std::int32_t target = use_codepage ? codepage : codepage::kUtf8;
    if (bytes.empty() || !supported(target)) {
        return {};
    }
    const std::u16string units = codepage::to_utf16(bytes, target);
    // The size the text takes in the ANSI code page, which can be more or fewer units
    // than the target code page gives; the result is never cut to it.
    const std::size_t measured = codepage::to_utf16(bytes, codepage::kAnsi).size() + 1;
    const std::size_t count = std::max(measured, units.size() + 1);
    ByteString out(count * 2, '\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        out[2 * i] = static_cast<char>(units[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return out;
}

Text wide_to_multibyte(const ByteString& units, std::int32_t codepage, bool use_codepage) {
    const std::int32_t target = use_codepage ? codepage : codepage::kAnsi;
    if (!supported(target)) {
        return {};
    }
    std::u16string wide;
    wide.reserve(units.size() / 2);
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(units[i]) |
                                                    static_cast<unsigned char>(units[i + 1]) << 8);
        if (unit == 0) {
            break;
        }
        wide.push_back(unit);
    }
    return codepage::from_utf16(wide, target);  // holds no NUL: the units stop before 0
}

Text utf8_to_gbk(const Text& text) {
    // The same as wide_to_multibyte(multibyte_to_wide(text, 0, false), 936, true), without
    // packing the units into a byte string and measuring the text as GBK first: neither
    // changes the result, and both cost several times the conversion on a large page.
    return codepage::from_utf16(codepage::to_utf16(before_nul(text), codepage::kUtf8),
                                codepage::kGbk);
}

}  // namespace xlt::source
