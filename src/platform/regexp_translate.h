// Translation of the Windows scripting regular-expression syntax (an ECMAScript 3
// dialect over UTF-16 code units) into an equivalent PCRE2 pattern for the 16-bit
// library without UTF mode.
//
// The output spells out everything whose meaning differs between the two syntaxes:
// "\s" and the other class escapes become explicit ranges, "^" and "$" become \A, \z or
// look-arounds for LF and CR, classes are resolved into explicit range lists (so "[]"
// and "[^]" need no PCRE2 option), and under ignore-case every character with a
// non-ASCII case partner becomes a class of its partners. ASCII letters are left to
// PCRE2's caseless mode, whose built-in tables fold ASCII only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xlt::regexp {

struct Translation {
    bool ok = false;
    std::u16string pattern;    // PCRE2 syntax; compile with caseless mode under ignore-case
    std::uint32_t groups = 0;  // capturing groups, numbered as in the source pattern
    std::string error;         // why the source pattern is not valid (for diagnostics)
};

Translation translate(std::u16string_view pattern, bool ignore_case, bool multiline);

// The character that ignore-case matching compares for `c`: its simple upper-case
// mapping, except that a non-ASCII character never maps onto an ASCII one.
char16_t canonical_case(char16_t c);

}  // namespace xlt::regexp
