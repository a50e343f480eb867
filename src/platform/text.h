// Text: the byte string every part of the program passes around, in code page 936
// (GBK). A character is a byte below 0x80, or a lead byte of 0x80 or above together
// with the byte after it; scans below never look for a match at a second byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xlt {

using Text = std::string;        // GBK bytes
using ByteString = std::string;  // counted bytes; may hold NUL bytes

// Marks a target in the working text of a generation, and ends every stored record of
// the target list.
inline constexpr std::string_view ItemSeparator = "c9bda64807f70f6aa637915a0e32d9a613a4851b";

// Length in bytes of the character that starts at `pos` (1 or 2; 1 for a lone lead byte
// at the very end).
inline std::size_t char_length(std::string_view text, std::size_t pos) {
    return (static_cast<unsigned char>(text[pos]) >= 0x80 && pos + 1 < text.size()) ? 2 : 1;
}

// Every occurrence of `from` replaced by `to`, scanning character by character from the
// start; occurrences never overlap and inserted text is not scanned again. An empty
// `from` replaces nothing.
Text replace_all(std::string_view text, std::string_view from, std::string_view to);

// Position of the first occurrence of `needle` that starts at a character boundary at or
// after `from` (itself a boundary), or npos.
std::size_t find_aligned(std::string_view text, std::string_view needle, std::size_t from = 0);

// Pieces between separators: every occurrence ends a piece (so empty pieces before a
// leading separator and between adjacent ones count); the rest after the last separator
// is a piece only when it is not empty. The empty text gives no pieces.
std::vector<Text> split_text(std::string_view text, std::string_view separator);

// The bytes of a file read as text: up to, not including, the first NUL or 0x1A byte
// that starts a character. A lead byte directly followed by NUL is dropped with the rest.
Text text_from_file_bytes(std::string_view bytes);

// A counted byte string turned into a Text keeps the bytes before its first NUL.
Text text_before_nul(std::string_view bytes);

}  // namespace xlt
