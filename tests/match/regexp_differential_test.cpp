// Differential test: generated patterns and subjects run through the regex component
// and through Node.js's RegExp (ECMAScript), compared match by match.
//
// The generator keeps to where the two flavours are meant to agree. The deliberate
// differences, which it avoids, are:
// - Line terminators: ECMAScript's "." also stops at CR, U+2028 and U+2029 and its
//   multi-line anchors know U+2028 and U+2029; here "." stops at LF only and the
//   anchors know LF and CR. Subjects hold no CR, U+2028 or U+2029.
// - "\s" here is [ \f\n\r\t\v]; ECMAScript adds the Unicode spaces and U+FEFF.
//   Subjects hold no such spaces.
// - Back references: "\n" here refers to a group only when n groups open before it
//   (else it is octal), and "\nm" falls back to group n followed by "m"; ECMAScript
//   counts every group of the pattern and falls back to octal. Under ignore-case a
//   back reference compares non-ASCII letters exactly here. The generator refers only
//   to groups closed before the reference, writes references as "(?:\n)", and uses
//   none under ignore-case.
// - Groups inside a repeated group keep their last capture here; ECMAScript resets
//   them at each iteration. The generator puts no capturing group inside a repeat.
// - Ignore-case uses each character's simple upper-case mapping; ECMAScript skips a
//   character whose full upper case is several characters (e.g. U+1F80). The
//   alphabet holds none.
// - A repeat whose iteration can match the empty text: here such an iteration ends the
//   repeat; ECMAScript rejects it (when the count allows no more skipping) and
//   backtracks into it for a longer one. The generator repeats no such part, except a
//   look-ahead, which is translated to behave as in ECMAScript.
// - "\c" before a digit or "_" inside a class, repeat counts above 65535, and the
//   constructs outside the dialect (look-behind, named groups, ...) that ECMAScript
//   accepts: none are generated.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/vbscript_regexp.h"

namespace xlt {
namespace {

struct TestCase {
    std::u16string pattern, subject;
    std::string flags;
};

class PatternGenerator {
public:
    explicit PatternGenerator(unsigned seed) : rng_(seed) {}

    std::u16string pattern(bool ignore_case) {
        ignore_case_ = ignore_case;
        groups_open_ = 0;
        groups_closed_ = 0;
        bool nullable = false;
        return disjunction(0, false, nullable);
    }

    std::u16string subject() {
        static const std::u16string alphabet = u"abcABx01中éÉ- \n.<>_";
        std::u16string s;
        const int n = pick(13);
        for (int i = 0; i < n; ++i) {
            s += alphabet[pick(static_cast<int>(alphabet.size()))];
        }
        return s;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }

    template <typename T>
    const T& one_of(const std::vector<T>& items) {
        return items[pick(static_cast<int>(items.size()))];
    }

    // Each part reports in `nullable` whether it can match the empty text.
    std::u16string disjunction(int depth, bool in_repeat, bool& nullable) {
        std::u16string out = alternative(depth, in_repeat, nullable);
        while (chance(20)) {
            bool other = false;
            out += u'|';
            out += alternative(depth, in_repeat, other);
            nullable = nullable || other;
        }
        return out;
    }

    std::u16string alternative(int depth, bool in_repeat, bool& nullable) {
        std::u16string out;
        nullable = true;
        const int terms = 1 + pick(4);
        for (int i = 0; i < terms; ++i) {
            bool term_nullable = false;
            out += term(depth, in_repeat, term_nullable);
            nullable = nullable && term_nullable;
        }
        return out;
    }

    std::u16string quantifier(bool& may_skip) {
        static const std::vector<std::u16string> forms = {u"*",    u"+",     u"?",    u"{2}",
                                                          u"{1,}", u"{0,2}", u"{1,3}"};
        const int form = pick(static_cast<int>(forms.size()));
        may_skip = form == 0 || form == 2 || form == 5;
        std::u16string q = forms[form];
        if (chance(30)) {
            q += u'?';
        }
        return q;
    }

    std::u16string term(int depth, bool in_repeat, bool& nullable) {
        const int kind = pick(100);
        nullable = true;
        if (kind < 6) {
            return one_of<std::u16string>({u"^", u"$", u"\\b", u"\\B"});
        }
        if (kind < 10 && groups_closed_ > 0 && !ignore_case_) {
            return u"(?:\\" + std::u16string(1, u'0' + 1 + pick(groups_closed_)) + u")";
        }
        bool repeat = chance(35);
        std::u16string atom;
        bool lookahead = false;
        nullable = false;
        if (kind < 30 && depth < 3) {
            atom = group(depth, in_repeat || repeat, nullable, lookahead);
        } else if (kind < 45) {
            atom = char_class();
        } else {
            atom = simple_atom();
        }
        // A repeat of something that can match the empty text is one of the deliberate
        // differences (see the top of the file), except for a look-ahead.
        if (!repeat || (nullable && !lookahead)) {
            return atom;
        }
        bool may_skip = false;
        atom += quantifier(may_skip);
        nullable = nullable || may_skip;
        return atom;
    }

    std::u16string group(int depth, bool in_repeat, bool& nullable, bool& lookahead) {
        const int kind = pick(10);
        std::u16string open;
        bool capturing = false;
        if (kind < 4 && !in_repeat && groups_open_ < 9) {
            open = u"(";
            capturing = true;
            ++groups_open_;
        } else if (kind < 7) {
            open = u"(?:";
        } else {
            open = kind < 9 ? u"(?=" : u"(?!";
            lookahead = true;
        }
        std::u16string body = disjunction(depth + 1, in_repeat, nullable);
        nullable = nullable || lookahead;
        if (capturing) {
            ++groups_closed_;
        }
        return open + body + u")";
    }

    std::u16string simple_atom() {
        static const std::vector<std::u16string> atoms = {
            u"a",   u"b",   u"c",   u"A",     u"B",     u"x",       u"0",     u"1",
            u"中",  u"é",   u"É",   u"-",     u" ",     u"<",       u">",     u".",
            u"\\.", u"\\-", u"\\<", u"\\>",   u"\\d",   u"\\D",     u"\\w",   u"\\W",
            u"\\s", u"\\S", u"\\n", u"\\x41", u"\\x61", u"\\u4e2d", u"\\060", u"\\cJ",
            u"\\$", u"\\(", u"\\)", u"\\[",   u"\\{",   u"]",       u"}",     u"_",
        };
        return one_of(atoms);
    }

    std::u16string char_class() {
        static const std::vector<std::u16string> members = {
            u"a",   u"b",   u"A",   u"x",     u"0",   u"中",  u"é",
            u"É",   u"-",   u" ",   u"a-c",   u"0-9", u"A-Z", u"à-ö",
            u"\\d", u"\\w", u"\\s", u"\\D",   u"\\W", u"\\S", u"\\n",
            u"\\b", u"\\-", u"\\]", u"\\x41", u".",   u"<",   u"\\u4e00-\\u9fa5",
        };
        std::u16string out = u"[";
        if (chance(30)) {
            out += u'^';
        }
        const int n = pick(4);
        for (int i = 0; i < n; ++i) {
            out += one_of(members);
        }
        return out + u"]";
    }

    std::mt19937 rng_;
    bool ignore_case_ = false;
    int groups_open_ = 0;
    int groups_closed_ = 0;
};

std::string json_string(std::u16string_view units) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (const char16_t c : units) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += hex[(c >> shift) & 0xF];
            }
        }
    }
    return out + "\"";
}

// A run rendered for comparison: "E" or one "index-end [g1][g2]" per match, where a
// group that took no part shows as empty, as the component reports it.
std::string render_ours(const TestCase& c) {
    RegExp re;
    re.set_pattern(c.pattern);
    re.set_ignore_case(c.flags.find('i') != std::string::npos);
    re.set_multiline(c.flags.find('m') != std::string::npos);
    re.set_global(c.flags.find('g') != std::string::npos);
    const auto matches = re.execute(c.subject);
    if (!matches) {
        return "E";
    }
    std::string out;
    for (std::size_t i = 0; i < matches->count(); ++i) {
        const RegExpMatch m = matches->item(i);
        out += std::to_string(m.first_index()) + "-" + std::to_string(m.first_index() + m.length());
        for (std::size_t k = 0; k < m.sub_match_count(); ++k) {
            out += "[" + codepage::from_utf16(m.sub_match(k), codepage::kUtf8) + "]";
        }
        out += " ";
    }
    return out;
}

std::string render_node(const TestCase& c, std::istream& in) {
    std::string line;
    std::string out;
    while (std::getline(in, line)) {
        if (line == "E") {
            return "E";
        }
        if (line == "END") {
            return out;
        }
        std::istringstream fields(line.substr(2));
        long start = 0;
        long end = 0;
        fields >> start >> end;
        out += std::to_string(start) + "-" + std::to_string(end);
        long gs = 0;
        long ge = 0;
        while (fields >> gs >> ge) {
            const std::u16string_view text =
                gs < 0 ? std::u16string_view() : std::u16string_view(c.subject).substr(gs, ge - gs);
            out += "[" + codepage::from_utf16(text, codepage::kUtf8) + "]";
        }
        out += " ";
    }
    return "(node output ended early)";
}

// The units as UTF-8, with control characters escaped.
std::string show(std::u16string_view units) {
    std::string out = "\"";
    for (const char16_t c : units) {
        if (c < 0x20) {
            out += "\\x" + std::to_string(c / 16) + "0123456789abcdef"[c % 16];
        } else {
            out += codepage::from_utf16(std::u16string_view(&c, 1), codepage::kUtf8);
        }
    }
    return out + "\"";
}

TEST(RegExpDifferentialTest, AgreesWithEcmaScriptOnGeneratedCases) {
    if (std::system("node --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "Node.js ('node') is not on the PATH: the differential test against "
                        "ECMAScript's RegExp needs it (Debian package nodejs)";
    }
    const std::string script =
        (std::filesystem::path(__FILE__).parent_path() / "node_regexp.js").string();
    PatternGenerator gen(20240531);
    std::vector<TestCase> cases;
    static const std::vector<std::string> flag_sets = {"", "g", "i", "m", "gi", "gm", "gim"};
    for (int p = 0; p < 1500; ++p) {
        const std::string flags = flag_sets[p % flag_sets.size()];
        const std::u16string pattern = gen.pattern(flags.find('i') != std::string::npos);
        for (int s = 0; s < 4; ++s) {
            cases.push_back({pattern, gen.subject(), flags});
        }
    }

    const auto dir =
        std::filesystem::temp_directory_path() / ("xlt-regexp-diff-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto input = dir / "cases.json";
    const auto output = dir / "node.txt";
    {
        std::ofstream json(input, std::ios::binary);
        json << "[";
        for (std::size_t i = 0; i < cases.size(); ++i) {
            json << (i ? ",\n" : "") << "{\"p\":" << json_string(cases[i].pattern)
                 << ",\"s\":" << json_string(cases[i].subject) << ",\"f\":\"" << cases[i].flags
                 << "\"}";
        }
        json << "]";
    }
    const std::string command =
        "node '" + script + "' '" + input.string() + "' '" + output.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::ifstream node(output, std::ios::binary);
    int failures = 0;
    for (const TestCase& c : cases) {
        const std::string theirs = render_node(c, node);
        const std::string ours = render_ours(c);
        if (ours != theirs && ++failures <= 20) {
            ADD_FAILURE() << "pattern " << show(c.pattern) << " flags \"" << c.flags
                          << "\" subject " << show(c.subject) << "\n  ours: " << ours
                          << "\n  node: " << theirs;
        }
    }
    EXPECT_EQ(failures, 0) << "cases that differ, of " << cases.size();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace xlt
