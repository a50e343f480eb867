// GBK to UTF-16 and back for the match engine, with the same results as
// codepage::to_utf16 / from_utf16 for code page 936 but fast on large texts and on
// many short ones: decoding reads every two-byte character from one table that the
// converter fills in a single call on first use, encoding looks each character up once
// through the converter and caches it, ASCII is widened sixteen bytes at a time, and anything
// unusual (a malformed byte sequence, the lone euro byte, a surrogate) hands the whole
// text to the converter.
#pragma once

#include <string>
#include <string_view>

namespace xlt::gbk {

// `buffer` lends its capacity: decoding into memory that was used before is much
// cheaper than into fresh pages.
std::u16string decode(std::string_view bytes, std::u16string buffer = {});
std::string encode(std::u16string_view units);

// Every two-byte character of the code page, for decoding and for matching GBK text
// without decoding it: the entry at pair_index(lead, trail), for a lead byte 0x81-0xFE and a trail
// byte 0x40-0x7E or 0x80-0xFE, is the unit that the pair decodes to, and 0 where the pair is not
// one character. Built by the converter on first use.
constexpr std::size_t kPairCount = 126 * 256;
inline std::size_t pair_index(unsigned char lead, unsigned char trail) {
    return static_cast<std::size_t>(lead - 0x81) * 256 + trail;
}
const char16_t* pair_units();

}  // namespace xlt::gbk
