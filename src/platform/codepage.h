// Conversion between 8-bit code pages and UTF-16, standing in for the system's
// code-page converters. Code page 0 is the ANSI code page, which is 936 (GBK) here.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace xlt::codepage {

inline constexpr int kAnsi = 0;
inline constexpr int kGbk = 936;
inline constexpr int kUtf8 = 65001;

// Decodes all of `bytes` (NUL bytes included). Malformed input becomes U+FFFD.
// GBK characters are all in the BMP, so a GBK text gives one unit per character.
std::u16string to_utf16(std::string_view bytes, int codepage);

// Encodes all of `units`. A character the code page lacks becomes "?"; a lone
// surrogate becomes "?" too.
std::string from_utf16(std::u16string_view units, int codepage);

// Whether `bytes` are well formed in the code page (UTF-8: no malformed sequence, no
// surrogate; GBK: every lead byte has a valid second byte and maps to a character).
bool is_well_formed(std::string_view bytes, int codepage);

inline Text utf8_to_gbk(std::string_view utf8) { return from_utf16(to_utf16(utf8, kUtf8), kGbk); }
inline std::string gbk_to_utf8(std::string_view gbk) {
    return from_utf16(to_utf16(gbk, kGbk), kUtf8);
}

}  // namespace xlt::codepage
