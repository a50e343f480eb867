#include "generator/generalise.h"

#include <bitset>
#include <iterator>
#include <memory>
#include <string>

#include <boost/regex.hpp>

#include "platform/codepage.h"

namespace xlt {
namespace {

constexpr std::string_view kLazyGap = ".*?";
constexpr std::string_view kLazyGapAcrossLines = "[\\S\\s]*?";
constexpr std::size_t kShortPieceBytes = 5;
// The long form reads t0, t1, t(n-3), t(n-2) and t(n-1); with fewer tokens it would
// repeat some of them.
constexpr std::size_t kLongFormMinTokens = 5;

// Marks every character with a following space: group 1 takes two bytes outside
// 0x01-0x80 (a double-byte character), group 2 one byte inside it. A lead byte whose
// second byte lies in 0x01-0x80 is matched by neither and copied as it is, so that
// character too comes out whole before a space.
// The C traits compare bytes without any locale, and read the group numbers of the format
// far faster than the C++ locale traits.
using ByteRegex = boost::basic_regex<char, boost::c_regex_traits<char>>;

const ByteRegex& character_marker() {
    static const ByteRegex pattern = [] {
        const std::string low_bytes = std::string("\x01-") + '\x80';
        return ByteRegex("([^" + low_bytes + "]{2})|([" + low_bytes + "])", ByteRegex::perl);
    }();
    return pattern;
}

bool is_space_character(std::string_view text, std::size_t pos, std::size_t length) {
    return (length == 1 && text[pos] == ' ') ||
           (length == 2 && text[pos] == '\xA1' && text[pos + 1] == '\xA1');
}

// Where the trailing run of half-width and full-width spaces of `text` begins, moving
// over the text character by character.
std::size_t trailing_spaces_start(std::string_view text) {
    std::size_t keep = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = char_length(text, pos);
        if (!is_space_character(text, pos, length)) {
            keep = pos + length;
        }
        pos += length;
    }
    return keep;
}

// The double-byte characters of code page 936 that are ideographs of U+4E00 to U+9FA5,
// indexed by lead byte * 256 + second byte. Built once by decoding every lead/second byte
// pair, each followed by a line feed so that a pair that does not decode cannot run into
// the next one.
const std::bitset<65536>& ideograph_table() {
    static const std::unique_ptr<std::bitset<65536>> table = [] {
        auto bits = std::make_unique<std::bitset<65536>>();
        std::string pairs;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int second = 0x40; second <= 0xFE; ++second) {
                pairs += static_cast<char>(lead);
                pairs += static_cast<char>(second);
                pairs += '\n';
            }
        }
        const std::u16string decoded = codepage::to_utf16(pairs, codepage::kGbk);
        std::size_t at = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int second = 0x40; second <= 0xFE; ++second) {
                const std::size_t end = decoded.find(u'\n', at);
                if (end == std::u16string::npos) {
                    return bits;
                }
                if (end == at + 1 && decoded[at] >= 0x4E00 && decoded[at] <= 0x9FA5) {
                    bits->set(lead * 256 + second);
                }
                at = end + 1;
            }
        }
        return bits;
    }();
    return *table;
}

bool all_bytes_in(std::string_view token, unsigned char low, unsigned char high) {
    for (const char c : token) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < low || byte > high) {
            return false;
        }
    }
    return true;
}

// Whether the token is one or more double-byte ideographs of U+4E00 to U+9FA5.
bool is_ideograph_token(std::string_view token) {
    if (token.size() % 2 != 0) {
        return false;
    }
    const auto& table = ideograph_table();
    for (std::size_t i = 0; i < token.size(); i += 2) {
        const auto lead = static_cast<unsigned char>(token[i]);
        const auto second = static_cast<unsigned char>(token[i + 1]);
        if (lead < 0x80 || !table.test(lead * 256 + second)) {
            return false;
        }
    }
    return true;
}

bool is_ascii_punctuation(std::string_view token) {
    if (token.size() != 1) {
        return false;
    }
    const char c = token[0];
    return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
           (c >= 0x7B && c <= 0x7E);
}

// The token as a literal: a backslash before every single-byte special character.
Text literal(std::string_view token) {
    Text out;
    out.reserve(token.size() + 1);
    for (std::size_t pos = 0; pos < token.size();) {
        const std::size_t length = char_length(token, pos);
        if (length == 1 && is_escaped_metachar(token[pos])) {
            out += '\\';
        }
        out.append(token.substr(pos, length));
        pos += length;
    }
    return out;
}

// The first and the last token of the long form: one ASCII punctuation character is
// written after a backslash (a backslash before a letter or digit would make an escape).
Text long_form_end(std::string_view token, bool classify) {
    if (is_ascii_punctuation(token)) {
        return Text("\\") + Text(token);
    }
    return classify ? classify_token(token) : literal(token);
}

// Every token in turn; the two empty tokens of a space give one space together.
Text short_form(const std::vector<Text>& tokens) {
    Text out;
    std::size_t empty_run = 0;
    for (const Text& token : tokens) {
        if (token.empty()) {
            ++empty_run;
            continue;
        }
        out.append(empty_run / 2, ' ');
        empty_run = 0;
        out += classify_token(token);
    }
    out.append(empty_run / 2, ' ');
    return out;
}

}  // namespace

bool is_escaped_metachar(char c) {
    switch (c) {
        case '\\':
        case '^':
        case '$':
        case '|':
        case '?':
        case '*':
        case '+':
        case '(':
        case ')':
        case '[':
        case ']':
        case '{':
        case '}':
            return true;
        default:
            return false;
    }
}

std::vector<Text> tokenise_piece(std::string_view piece) {
    std::string marked;
    marked.reserve(piece.size() * 2);
    boost::regex_replace(std::back_inserter(marked), piece.begin(), piece.end(), character_marker(),
                         "(?1$& )(?2$& )", boost::match_default | boost::format_all);
    marked.resize(trailing_spaces_start(marked));
    return split_text(marked, " ");
}

Text classify_token(std::string_view token) {
    if (token.empty()) {
        return " ";
    }
    if (all_bytes_in(token, '0', '9')) {
        return "\\d";
    }
    if (all_bytes_in(token, 'a', 'z')) {
        return "[a-z]";
    }
    if (is_ideograph_token(token)) {
        return "[\\u4e00-\\u9fa5]";
    }
    if (all_bytes_in(token, 'A', 'Z')) {
        return "[A-Z]";
    }
    return literal(token);
}

Text generalise_piece(std::string_view piece, int& blank_count) {
    const std::vector<Text> tokens = tokenise_piece(piece);
    const std::string_view trailing = piece.substr(trailing_spaces_start(piece));
    if (piece.size() <= kShortPieceBytes) {
        return short_form(tokens) + Text(trailing);
    }
    const std::size_t n = tokens.size();
    // Empty tokens at positions 2 ... n-2, counted from 1: never the first token nor the
    // last two.
    for (std::size_t k = 2; k + 2 <= n; ++k) {
        if (tokens[k - 1].empty()) {
            ++blank_count;
        }
    }
    // With five tokens and a space as t1 and t2, the long form would write that space
    // twice (once for each half) with nothing between.
    if (n < kLongFormMinTokens ||
        (n == kLongFormMinTokens && tokens[1].empty() && tokens[2].empty())) {
        return short_form(tokens) + Text(trailing);
    }
    bool gap_crosses_line = false;
    for (std::size_t k = 2; k + 4 <= n; ++k) {
        if (tokens[k].find('\n') != Text::npos) {
            gap_crosses_line = true;
        }
    }
    const std::string_view gap =
        (blank_count > 1 || gap_crosses_line) ? kLazyGapAcrossLines : kLazyGap;

    Text out = long_form_end(tokens[0], false);
    out += classify_token(tokens[1]);
    out += gap;
    out += classify_token(tokens[n - 3]);
    out += literal(tokens[n - 2]);
    out += long_form_end(tokens[n - 1], true);
    out += trailing;
    return out;
}

std::optional<Text> generalise_long_piece_by_ends(std::string_view piece) {
    // Enough bytes at either end for the two first and three last tokens in all but odd
    // pieces (which are handed back to the full generalisation).
    constexpr std::size_t kEndBytes = 32;
    if (piece.size() < 4 * kEndBytes) {
        return std::nullopt;
    }
    // After a byte of 0x01-0x7F other than a space the marking of the tokeniser is in step
    // (that byte is always a match of its own), the marked text ends in a space that is a
    // character of its own, and the part before ends in a non-empty token, so the tokens
    // of the parts are the tokens of the whole.
    auto can_cut_after = [&](std::size_t end) {
        const auto byte = static_cast<unsigned char>(piece[end - 1]);
        return byte >= 0x01 && byte <= 0x7F && byte != ' ';
    };
    std::size_t head = kEndBytes;
    while (head < piece.size() && !can_cut_after(head)) {
        ++head;
    }
    std::size_t tail = piece.size() - kEndBytes;
    while (tail > head && !can_cut_after(tail)) {
        --tail;
    }
    if (tail <= head) {
        return std::nullopt;
    }
    const std::vector<Text> first = tokenise_piece(piece.substr(0, head));
    const std::string_view end = piece.substr(tail);
    const std::vector<Text> last = tokenise_piece(end);
    if (first.size() < 2 || last.size() < 3) {
        return std::nullopt;
    }
    // Head, middle and tail each give at least one token, so the long form applies.
    const std::size_t m = last.size();
    Text out = long_form_end(first[0], false);
    out += classify_token(first[1]);
    out += kLazyGapAcrossLines;
    out += classify_token(last[m - 3]);
    out += literal(last[m - 2]);
    out += long_form_end(last[m - 1], true);
    out += end.substr(trailing_spaces_start(end));
    return out;
}

}  // namespace xlt
