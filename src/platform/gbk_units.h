// GBK to UTF-16 and back for the match engine, with the same results as
// codepage::to_utf16 / from_utf16 for code page 936 but fast on large texts and on
// many short ones: each character's mapping is looked up once through the converter
// and then cached in a table, ASCII is widened sixteen bytes at a time, and anything
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

}  // namespace xlt::gbk
