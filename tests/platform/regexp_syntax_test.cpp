// The pattern dialect of the regex component: escapes, classes, anchors, groups,
// quantifiers, syntax errors, ignore-case and global matching, each as a table run
// through RegExp::execute.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/regexp_translate.h"
#include "platform/vbscript_regexp.h"

namespace xlt {
namespace {

std::u16string u16(const std::string& utf8) {
    return codepage::to_utf16(utf8, codepage::kUtf8);
}
std::string u8(std::u16string_view units) {
    return codepage::from_utf16(units, codepage::kUtf8);
}

// Runs `pattern` over `subject` with `flags` ('i' ignore-case, 'm' multi-line, 'g'
// global; '@' shows each match's index) and renders the matches as "[value|g1|g2]",
// or "ERROR" when the pattern is rejected.
std::string run(const std::string& pattern, const std::string& subject, const std::string& flags) {
    RegExp re;
    re.set_pattern(u16(pattern));
    re.set_ignore_case(flags.find('i') != std::string::npos);
    re.set_multiline(flags.find('m') != std::string::npos);
    re.set_global(flags.find('g') != std::string::npos);
    const auto matches = re.execute(u16(subject));
    if (!matches) {
        return "ERROR";
    }
    std::string out;
    for (std::size_t i = 0; i < matches->count(); ++i) {
        const RegExpMatch m = matches->item(i);
        out += "[" + u8(m.value());
        for (std::size_t k = 0; k < m.sub_match_count(); ++k) {
            out += "|" + u8(m.sub_match(k));
        }
        out += "]";
        if (flags.find('@') != std::string::npos) {
            out += "@" + std::to_string(m.first_index());
        }
    }
    return out;
}

struct Case {
    std::string pattern, subject, flags, expected;
};

void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.pattern, c.subject, c.flags), c.expected)
            << "pattern=" << c.pattern << " subject=" << c.subject << " flags=" << c.flags;
    }
}

TEST(RegExpSyntaxTest, Escapes) {
    check({
        {R"(\f\n\r\t\v)", "\f\n\r\t\v", "", "[\f\n\r\t\v]"},
        {R"(\v)", "\n\x0B", "", "[\x0B]"},  // vertical tab only
        {R"(\cJ\cj)", "\n\n", "", "[\n\n]"},
        {R"(\c1)", "\\c1", "", "[\\c1]"},  // no letter: a backslash, then "c"
        {R"(\x41\x4a)", "AJ", "", "[AJ]"},
        {R"(\x4)", "x4", "", "[x4]"},  // one hex digit: a literal "x"
        {R"(\x4g)", "x4g", "", "[x4g]"},
        {R"(\u4e2D)", "中", "", "[中]"},
        {R"(\u004)", "u004", "", "[u004]"},
        {R"(\u{2})", "uu", "", "[uu]"},  // "u" repeated twice
        {R"(\101\60)", "A0", "", "[A0]"},
        {R"(\377)", "ÿ", "", "[ÿ]"},
        {R"(\400)", " 0", "", "[ 0]"},  // \40 then "0"
        {R"(\0)", std::string("a\0", 2), "", std::string("[\0]", 3)},
        {R"(\08)",
         std::string("\0"
                     "8",
                     2),
         "",
         std::string("[\0"
                     "8]",
                     4)},
        {R"(\18)",
         "\x01"
         "8",
         "",
         "[\x01"
         "8]"},  // octal: no group precedes
        {R"(\8\9)", "89", "", "[89]"},
        {R"(\y\a\e\-\<\>\价\Q\E\A\z\K\p\k\i)", "yae-<>价QEAzKpki", "", "[yae-<>价QEAzKpki]"},
        {R"(\.\*\+\?\(\)\[\]\{\}\|\^\$\/\\)", R"(.*+?()[]{}|^$/\)", "", R"([.*+?()[]{}|^$/\])"},
    });
}

TEST(RegExpSyntaxTest, BackReferenceNeedsEnoughGroupsBeforeIt) {
    check({
        {R"((a)\1)", "aa", "", "[aa|a]"},
        {R"(\1(a))",
         "\x01"
         "a",
         "",
         "[\x01"
         "a|a]"},                                // no group yet: octal
        {R"((a)\2)", "a\x02", "", "[a\x02|a]"},  // one group: \2 is octal
        {R"((a)\12)", "aa2", "", "[aa2|a]"},     // \1 then "2"
        {R"((a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)\12)", "abcdefghijkll", "",
         "[abcdefghijkll|a|b|c|d|e|f|g|h|i|j|k|l]"},
        {R"((a)|b\1)", "b", "", "[b|]"},  // unset group matches empty
        {R"((A)\1)", "aA", "i", "[aA|a]"},
    });
}

TEST(RegExpSyntaxTest, ClassesAndClassEscapes) {
    check({
        {R"([\b])", "\b", "", "[\b]"},
        {R"([\d-z]+)", "5-zm", "", "[5-z]"},  // dash next to a class escape is literal
        {R"([a-\d]+)", "a-5b", "", "[a-5]"},
        {R"([-a]+)", "a-b", "", "[a-]"},
        {R"([a-]+)", "-a", "", "[-a]"},
        {R"([a-c-e]+)", "b-ed", "", "[b-e]"},
        {R"([\-\]]+)", "-]", "", "[-]]"},
        {R"([\x41-\x43]+)", "ABCD", "", "[ABC]"},
        {R"([\u4e00-\u9fa5]+)", "a中文b", "", "[中文]"},
        {R"([^\s]+)", " ab ", "", "[ab]"},
        {R"([\1])", "\x01", "", "[\x01]"},  // octal inside a class
        {R"([\B])", "B", "", "[B]"},
        {R"([]a)", "a", "", ""},            // [] matches nothing
        {R"([^]+)", "a\nb", "", "[a\nb]"},  // [^] matches anything
        {R"(a[^]*?b)", "a\r\nb", "", "[a\r\nb]"},
        {R"([\S\s]+)", "x\ny", "", "[x\ny]"},
    });
}

TEST(RegExpSyntaxTest, PerlClassesAreAscii) {
    check({
        {R"(\d+)", "٣12３", "g", "[12]"},  // Arabic-Indic and full-width digits
        {R"(\w+)", "éa_1中", "g", "[a_1]"},
        {R"(\W)", "é", "", "[é]"},
        {R"(\bx)", "éx", "@", "[x]@1"},  // é is not a word character
        {R"(a\B)", "aé ab", "g@", "[a]@3"},
        {R"(\s+)", " \f\n\r\t\v", "", "[ \f\n\r\t\v]"},
        {R"(\s)", "\u00a0\u3000\u2028\ufeff", "g", ""},  // no Unicode spaces
        {R"(\S+)", "\u00a0\u3000", "", "[\u00a0\u3000]"},
        {R"(\D\S\W)", "1 中a", "", ""},
        {R"(\D\S\W)", "a中-", "", "[a中-]"},
    });
}

TEST(RegExpSyntaxTest, DotAndAnchors) {
    check({
        {R"(.+)", "中\r文\nx", "g", "[中\r文][x]"},  // "." stops at LF only
        {R"(^b)", "a\nb", "", ""},
        {R"(a$)", "a\n", "", ""},  // never before a final line break
        {R"(^a$)", "a", "", "[a]"},
        {R"(^b)", "a\nb", "m", "[b]"},
        {R"(^b)", "a\rb", "m", "[b]"},
        {R"(a$)", "a\r\n", "m", "[a]"},
        {R"(^$)", "a\r\nb", "mg@", "[]@2"},  // between CR and LF
        {R"(^\w)", "ab\ncd", "g", "[a]"},
        {R"(^\w)", "ab\ncd", "mg", "[a][c]"},
        {R"(\w$)", "ab\ncd", "mg", "[b][d]"},
        {R"(^)", "a\nb", "mg@", "[]@0[]@2"},
    });
}

TEST(RegExpSyntaxTest, GroupsAndQuantifiers) {
    check({
        {R"((a)(?:b)(c))", "abc", "", "[abc|a|c]"},
        {R"(a(?=b))", "ac ab", "@", "[a]@3"},
        {R"(a(?!b))", "ab ac", "@", "[a]@3"},
        {R"((?=(a))?a)", "a", "", "[a|]"},  // an optional look-ahead is skipped
        {R"((?=(a)){2}a)", "a", "", "[a|a]"},
        {R"(a+?)", "aaa", "", "[a]"},
        {R"(a*?b)", "aab", "", "[aab]"},
        {R"(a{2})", "aaa", "", "[aa]"},
        {R"(a{2,})", "aaaa", "", "[aaaa]"},
        {R"(a{1,2}?)", "aa", "", "[a]"},
        {R"(a{0})", "a", "", "[]"},
        {R"(a{)", "a{", "", "[a{]"},  // not a quantifier: literals
        {R"(a{,2})", "a{,2}", "", "[a{,2}]"},
        {R"(a{1,2)", "a{1,2", "", "[a{1,2]"},
        {R"(a{x})", "a{x}", "", "[a{x}]"},
        {R"({)", "{", "", "[{]"},
        {R"(})", "}", "", "[}]"},
        {R"(])", "]", "", "[]]"},
        {R"(a|)", "b", "", "[]"},
        {R"((a)|(b))", "b", "", "[b||b]"},
        {R"((a)|b)", "b", "", "[b|]"},
    });
}

TEST(RegExpSyntaxTest, ConstructsOutsideTheDialectAreSyntaxErrors) {
    for (const char* pattern :
         {"(?<=a)b", "(?<!a)b", "(?<n>a)", "(?P<n>a)", "(?i)a", "(?i:a)",    "(?>a)",
          "a++",     "a*+",     "a?+",     "a{2}+",    "(?#c)", "(?(1)a|b)", "(?|a)",
          "a{2,1}",  "[z-a]",   "*a",      "+a",       "?a",    "a**",       "a*??",
          "{2}",     "x|{2}",   "a{2}{3}", "(a",       "a)",    "((a)",      "[a",
          "[",       "a\\",     "^*",      "$+",       "\\b*",  "a{99999}",  "(*ACCEPT)"}) {
        EXPECT_EQ(run(pattern, "a", ""), "ERROR") << pattern;
    }
}

TEST(RegExpSyntaxTest, IgnoreCaseFoldsWithoutCrossingIntoAscii) {
    check({
        {"A", "a", "", ""},
        {"A", "a", "i", "[a]"},
        {"é", "É", "i", "[É]"},
        {"а", "А", "i", "[А]"},  // Cyrillic
        {"Σ", "σ", "i", "[σ]"},
        {"µ", "μ", "i", "[μ]"},    // micro sign and Greek mu share "Μ"
        {"k", "\u212A", "i", ""},  // Kelvin sign
        {"\u212A", "kK", "gi", ""},
        {"s", "\u017F", "i", ""},  // long s
        {"[a-z]+", "\u017F\u212Aab", "gi", "[ab]"},
        {"[é]", "É", "i", "[É]"},
        {"[à-ö]+", "ÀÖ", "i", "[ÀÖ]"},
        {"[^é]", "É", "i", ""},
        {"[^a]", "A", "i", ""},
        {"[^a]", "A", "", "[A]"},
        {"\\u00e9", "É", "i", "[É]"},
        {"中", "中", "i", "[中]"},
    });
}

TEST(RegExpSyntaxTest, GlobalMatchingAdvancesPastEmptyMatches) {
    check({
        {"", "test", "g@", "[]@0[]@1[]@2[]@3[]@4"},
        {"a*", "baaa", "g@", "[]@0[aaa]@1[]@4"},
        {"a|", "ab", "g@", "[a]@0[]@1[]@2"},
        {"x*|b", "b", "g@", "[]@0[]@1"},
        {"a", "aaa", "@", "[a]@0"},  // not global: the first match only
        {"ab", "abab", "g@", "[ab]@0[ab]@2"},
        {"aa", "aaa", "g@", "[aa]@0"},  // no overlaps
        {"中", "中a中", "g@", "[中]@0[中]@2"},
    });
}

TEST(RegExpSyntaxTest, RunawayPatternFailsAndLongRunsFit) {
    RegExp re;
    re.set_pattern(u"(a+)+b");
    EXPECT_EQ(re.execute(std::u16string(30, u'a') + u"Xb"), nullptr);
    EXPECT_TRUE(re.is_valid());

    // A repeated alternation over a long subject needs a deep backtracking stack.
    re.set_pattern(u"(?:a|b)*X");
    const auto matches = re.execute(std::u16string(1'000'000, u'a') + u"X");
    ASSERT_NE(matches, nullptr);
    ASSERT_EQ(matches->count(), 1u);
    EXPECT_EQ(matches->item(0).length(), 1'000'001u);
}

// A lazy star followed by a literal at the end of the pattern is translated to an
// unrolled possessive loop. Each pattern must give the same matches and groups as the
// plain translation, which appending an empty group "(?:)" keeps (it ends the literal
// tail), and the rewrite must be applied exactly where `rewritten` says.
TEST(RegExpSyntaxTest, LazyTailRewriteKeepsMatchesAndGroups) {
    struct RewriteCase {
        std::string pattern;
        bool rewritten;
    };
    const std::vector<RewriteCase> cases = {
        {"<td>(.*?)</td>", true},
        {"<tr[^>]*>([\\S\\s]*?)</tr>", true},
        {"<a href=\"([^\"]*)\">([\\S\\s]*?)</a>", true},
        {"(<td>.*?</td>)", true},  // group closes after the literal
        {"((.*?))<", true},        // and before it
        {"a.*?a", true},           // the literal's first unit is a letter
        {".*?k", true},            // Kelvin sign and "k" under ignore-case
        {"(.*?)价", true},
        {"[^<]*?<a", true},  // the loop cannot take the literal's first unit
        {"[a-c]*?c", true},  // it can take some of them
        {"\\d*?\\D", true},
        {"x|<.*?>", true},       // the last alternative
        {"(?:.*?<){1}", false},  // a repeated group
        {".*?<|x", false},       // an alternative after it
        {"(.*?)<\\d+", false},   // a repeated atom in the tail
        {"(.*?)<(a)", false},    // a group in the tail
        {"(.*?)<\\1", false},    // a back reference
        {".*?<$", false},        // an assertion
        {".*?<\\b", false},
        {"(?=.*?<)", false},  // inside a look-ahead
        {"(.*?)", false},     // nothing after it
        {".*?<.*?>", true},   // only the last star is rewritten
        {"a+?<", false},      // not a star
        {"<(.)*?>", false},   // a group repeated, not an atom
    };
    const std::vector<std::string> subjects = {
        "<td>a</td><td>b</td>",
        "<TD>x<</tD>\n<td>y\n</td></td><td></td>",
        "<tr class=1><td>a</td></tr><TR>b</tr><tr>c</tr",
        "<a href=\"/x\">A<b>1</b></A> <a href=\"\">\n</a>",
        "aXAxa k\u212Ak k\u212A",
        "价格<a<b>价 ab<c> 12c34c<5a",
        "",
    };
    for (const RewriteCase& c : cases) {
        for (const bool ignore_case : {false, true}) {
            const std::u16string translated =
                regexp::translate(u16(c.pattern), ignore_case, false).pattern;
            EXPECT_EQ(translated.find(u"*+") != std::u16string::npos, c.rewritten)
                << c.pattern << " translated to " << u8(translated);
            const std::string flags = ignore_case ? "gi@" : "g@";
            for (const std::string& subject : subjects) {
                EXPECT_EQ(run(c.pattern, subject, flags), run(c.pattern + "(?:)", subject, flags))
                    << "pattern=" << c.pattern << " subject=" << subject << " flags=" << flags;
            }
        }
    }
}

TEST(RegExpSyntaxTest, InvalidPatternHasAReason) {
    RegExp re;
    re.set_pattern(u"(a");
    EXPECT_FALSE(re.is_valid());
    EXPECT_FALSE(re.error().empty());
    EXPECT_EQ(re.execute(u"a"), nullptr);
    EXPECT_EQ(re.replace(u"a", u"b"), std::nullopt);
}

struct ReplaceCase {
    std::string pattern, flags, source, replacement, expected;
};

TEST(RegExpReplaceTest, ReplacementSyntax) {
    const std::vector<ReplaceCase> cases = {
        {R"((\w+)@(\w+))", "g", "x a@b y", "$2 at $1", "x b at a y"},
        {"b", "g", "abc", "[$&]", "a[b]c"},
        {"b", "g", "abc", "[$`]", "a[a]c"},
        {"b", "g", "abc", "[$']", "a[c]c"},
        {"b", "g", "abc", "$$", "a$c"},
        {"b", "g", "abc", "$0$x$", "a$0$x$c"},
        {"(b)", "g", "abc", "$2", "a$2c"},   // no such group: literal
        {"(b)", "g", "abc", "$10", "ab0c"},  // $1 then "0"
        {"(b)", "g", "abc", "$01", "abc"},
        {"(a)|(b)", "g", "ab", "[$2]", "[][b]"},  // unset group: empty
        {"a", "", "aaa", "b", "baa"},             // not global: the first match
        {"a", "g", "aaa", "b", "bbb"},
        {"x*", "g", "ab", "-", "-a-b-"},
        {"中", "g", "中文中", "zh", "zh文zh"},
    };
    for (const ReplaceCase& c : cases) {
        RegExp re;
        re.set_pattern(u16(c.pattern));
        re.set_global(c.flags.find('g') != std::string::npos);
        const auto result = re.replace(u16(c.source), u16(c.replacement));
        ASSERT_TRUE(result.has_value()) << c.pattern;
        EXPECT_EQ(u8(*result), c.expected) << "pattern=" << c.pattern << " with " << c.replacement;
    }
}

}  // namespace
}  // namespace xlt
