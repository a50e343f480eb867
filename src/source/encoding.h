// Conversion between 8-bit code pages and UTF-16 held in a ByteString, and the UTF-8 to
// GBK conversion of downloaded pages built on it.
//
// Code pages: 0 (the ANSI code page, GBK here), 936 (GBK) and 65001 (UTF-8). Any other
// code page gives an empty result. Every input is read up to its first NUL byte (or 0
// unit) and never past its end; every result is complete, however many units or bytes
// it takes.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace xlt::source {

// `text` decoded into UTF-16 little-endian units, terminating 0 unit included. Decodes
// as `codepage` when `use_codepage`, else as UTF-8. The result is at least as long as
// the text takes in the ANSI code page (terminator included), so it may end in more
// than one 0 unit. Malformed input decodes to U+FFFD. An empty text gives an empty
// ByteString.
ByteString multibyte_to_wide(const Text& text, std::int32_t codepage, bool use_codepage);

// UTF-16 little-endian `units` up to the first 0 unit (or all of them when there is
// none; an odd last byte is ignored), encoded as `codepage` when `use_codepage`, else
// in the ANSI code page. A character the code page lacks becomes "?".
Text wide_to_multibyte(const ByteString& units, std::int32_t codepage, bool use_codepage);

// A text whose bytes are UTF-8, as GBK: malformed sequences and characters that GBK
// lacks become "?".
Text utf8_to_gbk(const Text& text);

}  // namespace xlt::source
