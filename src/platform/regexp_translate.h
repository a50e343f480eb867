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
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xlt::regexp {

// A set of units as a sorted list of inclusive, disjoint, non-adjacent ranges.
using Range = std::pair<char32_t, char32_t>;
using RangeList = std::vector<Range>;

constexpr std::uint32_t kUnbounded = 0xFFFFFFFF;  // a quantifier without upper bound

// Whether the set holds unit `c`.
bool contains(const RangeList& ranges, char32_t c);

// The pattern as a tree, for the patterns built only from one-unit atoms (literals,
// classes, class escapes, ".") with any quantifier, groups without a quantifier,
// alternation and the assertions ^ $ \b \B. Sets are final: under ignore-case they
// already hold every case partner.
struct SimpleNode {
    enum class Kind : std::uint8_t {
        alternation,  // children: one sequence per alternative
        sequence,     // children: the items in order
        atom,         // set, min, max, lazy
        group,        // children: one alternation; group: its number, 0 for (?:)
        text_start,
        text_end,
        line_start,  // ^ in multi-line mode: at the start or after LF or CR
        line_end,    // $ in multi-line mode: at the end or before LF or CR
        word_boundary,
        not_word_boundary,
    };
    Kind kind = Kind::sequence;
    std::vector<SimpleNode> children;
    RangeList set;
    std::uint32_t min = 1;
    std::uint32_t max = 1;
    bool lazy = false;
    std::uint32_t group = 0;
};

struct Translation {
    bool ok = false;
    std::u16string pattern;            // PCRE2 syntax; compile with caseless mode under ignore-case
    std::uint32_t groups = 0;          // capturing groups, numbered as in the source pattern
    std::string error;                 // why the source pattern is not valid (for diagnostics)
    std::optional<SimpleNode> simple;  // the pattern's tree, when it is that simple
};

Translation translate(std::u16string_view pattern, bool ignore_case, bool multiline);

// The character that ignore-case matching compares for `c`: its simple upper-case
// mapping, except that a non-ASCII character never maps onto an ASCII one.
char16_t canonical_case(char16_t c);

}  // namespace xlt::regexp
