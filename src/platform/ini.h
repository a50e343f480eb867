// A small INI reader and writer that behaves like the Windows profile functions, for the
// program's own INI files (GBK bytes, CR LF line breaks).
//
// - A section starts at a line "[name]" (blanks around the line and the name ignored)
//   and runs to the next section line. A key is the text before the first "=" of a line
//   in a section, blanks around it ignored; the value is the rest of the line.
// - Section and key names are matched without regard to the case of ASCII letters; the
//   bytes of double-byte characters are compared exactly. The first matching section and
//   the first matching key in it win.
// - Reading a value removes the blanks (spaces and tabs) around it, then one pair of
//   enclosing double quotes, so a value written inside quotes keeps blanks at its ends.
// - Writing a value keeps every other line of the file as it was: an existing key line is
//   replaced, a new key goes after the last non-blank line of its section, and a new
//   section is added at the end. New lines end with CR LF.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/text.h"

namespace xlt::ini {

// The value of `key` in `section` of the INI text `content`, or nothing when the section
// or the key is missing.
std::optional<Text> find_value(std::string_view content, std::string_view section,
                               std::string_view key);

// `content` with `key` in `section` set to `value` (the value written as given; it
// should hold no line break).
Text with_value(std::string_view content, std::string_view section, std::string_view key,
                std::string_view value);

// The value of `key` in `section` of the INI file, or `fallback` when the file, the
// section or the key is missing or the file cannot be read.
Text read_value(const std::filesystem::path& file, std::string_view section, std::string_view key,
                std::string_view fallback);

// Sets `key` in `section` of the INI file to `value`, creating the file, the section or
// the key as needed; the file is replaced atomically. False when it cannot be written.
bool write_value(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value);

}  // namespace xlt::ini
