#include "match/regex_object.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/codepage.h"

namespace xlt {
namespace {

Text g(const std::string& utf8) {
    return codepage::utf8_to_gbk(utf8);
}
std::string u8(const Text& gbk) {
    return codepage::gbk_to_utf8(gbk);
}

struct Options {
    bool case_sensitive = false;
    bool multiline = true;
    bool global_search = true;
    bool quotes = false;
};

// Every match as "[text|group1|group2]" (in UTF-8), or "FAILED" when create fails.
std::string render(const std::string& pattern, const std::string& source, Options o) {
    RegexObject re;
    if (!re.create(g(pattern), g(source), o.case_sensitive, o.multiline, o.global_search,
                   o.quotes)) {
        return "FAILED";
    }
    std::string out;
    for (int i = 1; i <= re.match_count(); ++i) {
        out += "[" + u8(re.match_text(i));
        for (int k = 1; k <= re.sub_match_count(); ++k) {
            out += "|" + u8(re.sub_match_text(i, k));
        }
        out += "]";
    }
    return out;
}

struct Case {
    std::string pattern, source;
    Options options;
    std::string expected;
};

TEST(RegexObjectTest, CreateWithOptions) {
    const Options defaults;
    const Options sensitive{true, true, true, false};
    const Options single_line{false, false, true, false};
    const Options first_only{false, true, false, false};
    const Options quotes{false, true, true, true};
    const std::vector<Case> cases = {
        {"a", "bbb", defaults, ""},  // valid, no match: true with 0
        {"(", "a", defaults, "FAILED"},
        {"(a+)+b", std::string(30, 'a') + "Xb", defaults, "FAILED"},  // runaway run
        {"abc", "ABC abc", defaults, "[ABC][abc]"},                   // ignore-case by default
        {"abc", "ABC abc", sensitive, "[abc]"},
        {"^b", "a\nb", defaults, "[b]"},  // multi-line by default
        {"^b", "a\nb", single_line, ""},
        {"a", "aaa", first_only, "[a]"},
        {"#引号(\\w+)#引号", "x=\"ab\"", quotes, "[\"ab\"|ab]"},
        {"#引号", "\"#引号", defaults, "[#引号]"},  // no substitution asked
        {"中.", "中文字", defaults, "[中文]"},      // "." is one Chinese character
        {"[\\u4e00-\\u9fa5]+", "ab中文cd", defaults, "[中文]"},
        {"\\价(\\d+)元", "价12元", defaults, "[价12元|12]"},
        {"(a)|(b)", "ab", defaults, "[a|a|][b||b]"},
        {"\\d{4}\\-\\d{2}", "2024-05", defaults, "[2024-05]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(render(c.pattern, c.source, c.options), c.expected)
            << "pattern=" << c.pattern << " source=" << c.source;
    }
}

TEST(RegexObjectTest, FailedCreateLeavesEmptyResults) {
    RegexObject re;
    EXPECT_EQ(re.match_count(), 0);  // before any create
    EXPECT_EQ(re.current_pattern(), "");
    EXPECT_EQ(re.replace("x"), "");
    ASSERT_TRUE(re.create("(a)", "a"));
    EXPECT_EQ(re.match_count(), 1);
    EXPECT_FALSE(re.create("(a", "a"));  // replaces the earlier run as a whole
    EXPECT_EQ(re.match_count(), 0);
    EXPECT_EQ(re.sub_match_count(), 0);
    EXPECT_EQ(re.match_text(1), "");
    EXPECT_EQ(re.sub_match_text(1, 1), "");
    EXPECT_EQ(re.replace("x"), "");
    EXPECT_EQ(re.current_pattern(), "(a");
}

TEST(RegexObjectTest, IndexesCountFromOneAndOutOfRangeGivesEmpty) {
    RegexObject re;
    ASSERT_TRUE(re.create("(a)|(b)", "b"));
    ASSERT_EQ(re.match_count(), 1);
    EXPECT_EQ(re.sub_match_count(), 2);
    EXPECT_EQ(re.match_text(1), "b");
    EXPECT_EQ(re.sub_match_text(1, 1), "");  // took no part
    EXPECT_EQ(re.sub_match_text(1, 2), "b");
    for (auto [m, s] : std::vector<std::pair<int, int>>{{0, 2}, {2, 2}, {-1, 1}, {1, 0}, {1, 3}}) {
        EXPECT_EQ(re.sub_match_text(m, s), "") << m << "," << s;
    }
    EXPECT_EQ(re.match_text(0), "");
    EXPECT_EQ(re.match_text(2), "");

    // An empty source still has an empty match to read back, from either engine (a
    // back reference leaves a pattern to the general one); on a thread of its own, where
    // no earlier run left buffers to reuse, the direct engine's copy of it is nothing.
    std::thread([] {
        for (const char* pattern : {"(x*)", "(x*)\\1"}) {
            RegexObject empty;
            ASSERT_TRUE(empty.create(pattern, "")) << pattern;
            ASSERT_EQ(empty.match_count(), 1) << pattern;
            EXPECT_EQ(empty.match_text(1), "") << pattern;
            EXPECT_EQ(empty.sub_match_text(1, 1), "") << pattern;
        }
    }).join();

    ASSERT_TRUE(re.create("a", "aa"));
    EXPECT_EQ(re.sub_match_count(), 0);  // no groups
    ASSERT_TRUE(re.create("(a)", "b"));
    EXPECT_EQ(re.sub_match_count(), 0);  // no match to read it from
}

// Copies share the matches: a copy, and objects moved to and from, read back after the
// original is gone (ASan would see a read of freed memory); a new create replaces them.
TEST(RegexObjectTest, CopiesAndMovesKeepTheMatches) {
    // Plain GBK for the direct engine; a lone euro byte leaves it to the general one.
    for (const Text& source : {g("价12元，共3元"), g("价12元，共3元") + "\x80"}) {
        auto original = std::make_unique<RegexObject>();
        ASSERT_TRUE(original->create(g("(\\d+)元"), source));
        const RegexObject copy = *original;
        const RegexObject moved_to = std::move(*original);
        RegexObject moved_from = std::move(*original);
        original.reset();
        for (const RegexObject* re :
             {&copy, &moved_to, static_cast<const RegexObject*>(&moved_from)}) {
            EXPECT_EQ(re->match_count(), 2);
            EXPECT_EQ(re->sub_match_text(2, 1), "3");
        }
        moved_from.create("x", "y");
        EXPECT_EQ(moved_from.match_count(), 0);
        EXPECT_EQ(moved_from.match_text(1), "");
        EXPECT_EQ(copy.match_text(1), g("12元"));
    }
}

TEST(RegexObjectTest, QuoteSubstitutionShowsInThePattern) {
    RegexObject re;
    ASSERT_TRUE(re.create(g("a#引号b#引号"), "", false, true, true, true));
    EXPECT_EQ(re.current_pattern(), "a\"b\"");
    ASSERT_TRUE(re.create(g("a#引号"), "", false, true, true, false));
    EXPECT_EQ(re.current_pattern(), g("a#引号"));
}

TEST(RegexObjectTest, ReplaceWorksOnTheKeptSource) {
    RegexObject re;
    ASSERT_TRUE(re.create(g("(\\d+)元"), g("价12元，共3元")));
    EXPECT_EQ(u8(re.replace(g("$1块"))), "价12块，共3块");
    ASSERT_TRUE(re.create(g("(\\d+)元"), g("价12元，共3元"), false, true, false));
    EXPECT_EQ(u8(re.replace("[$&]")), "价[12元]，共3元");
    // The source is kept even when the pattern is invalid, but replace gives nothing.
    EXPECT_FALSE(re.create("(", "abc"));
    EXPECT_EQ(re.replace("x"), "");
}

// A plain GBK source is matched straight over its bytes; a lone euro byte (0x80) makes
// it one that only the general engine takes. Both must read back the same, including
// unset groups and indexes out of range.
TEST(RegexObjectTest, SourcesEitherEngineTakesReadBackAlike) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<td>(.*?)</td>", "<tr><td>苹果</td><td>12</td></tr>"},
        {"(\\d+)|([\\u4e00-\\u9fa5]+)", "价12元，共3元"},
        {"\\b\\w+\\b", "中a b1 _c"},
        {"(中)|(a)", "中a"},
    };
    for (auto [pattern, source] : cases) {
        if (pattern.front() == '<') {
            // A page large enough that the direct engine shares it with a second thread.
            const std::string row = source;
            while (source.size() < 1'200'000) {
                source += row;
            }
        }
        RegexObject plain;
        RegexObject general;
        ASSERT_TRUE(plain.create(g(pattern), g(source)));
        ASSERT_TRUE(general.create(g(pattern), g(source) + "\n\x80"));
        ASSERT_EQ(plain.match_count(), general.match_count()) << pattern;
        ASSERT_EQ(plain.sub_match_count(), general.sub_match_count()) << pattern;
        for (int i = 0; i <= plain.match_count() + 1; ++i) {
            EXPECT_EQ(plain.match_text(i), general.match_text(i)) << pattern << " #" << i;
            for (int k = 0; k <= plain.sub_match_count() + 1; ++k) {
                EXPECT_EQ(plain.sub_match_text(i, k), general.sub_match_text(i, k))
                    << pattern << " #" << i << "." << k;
            }
        }
    }
}

// A source ends at its first NUL byte, whichever engine runs it and wherever the NUL
// is: the matches are those of the text before it.
TEST(RegexObjectTest, ASourceEndsAtItsFirstNul) {
    std::string page;
    while (page.size() < 1'200'000) {
        page += g("<tr><td>苹果</td><td>12</td></tr>\n");
    }
    const std::string nul(1, '\0');
    struct Case {
        const char* label;
        std::string source;
    };
    const std::vector<Case> cases = {
        {"small", g("<td>甲</td>") + nul + g("<td>乙</td>")},
        {"large, NUL near the start", page.substr(0, 100) + nul + page},
        {"large, NUL in the middle", page.substr(0, 600'000) + nul + page},
        {"large, NUL near the end", page + nul + g("<td>乙</td>")},
        {"large, two NULs", page.substr(0, 300'000) + nul + page.substr(0, 500'000) + nul + page},
        {"not plain before the NUL", page.substr(0, 1000) + "\xFF" + nul + page},
        {"not plain after the NUL", page.substr(0, 1000) + nul + "\xFF" + page},
    };
    for (const Case& c : cases) {
        const std::string before = c.source.substr(0, c.source.find('\0'));
        RegexObject whole;
        RegexObject prefix;
        ASSERT_TRUE(whole.create(g("<td>(.*?)</td>"), c.source)) << c.label;
        ASSERT_TRUE(prefix.create(g("<td>(.*?)</td>"), before)) << c.label;
        ASSERT_EQ(whole.match_count(), prefix.match_count()) << c.label;
        const int last = whole.match_count();
        EXPECT_EQ(whole.match_text(last), prefix.match_text(last)) << c.label;
        EXPECT_EQ(whole.sub_match_text(last, 1), prefix.sub_match_text(last, 1)) << c.label;
        EXPECT_EQ(whole.replace("x"), prefix.replace("x")) << c.label;
    }
}

// A search that would take the direct engine too long (every start scans the whole
// text for an "x" that isn't there) is handed to the general engine, which knows at
// once that "x" is missing: the run ends with no match instead of a hang.
TEST(RegexObjectTest, CostlySearchesEndWithTheGeneralEnginesAnswer) {
    RegexObject re;
    ASSERT_TRUE(re.create("[\\S\\s]*?x", std::string(2'000'000, 'a')));
    EXPECT_EQ(re.match_count(), 0);
    ASSERT_TRUE(re.create("a[\\S\\s]*?x", std::string(2'000'000, 'a') + "x"));
    ASSERT_EQ(re.match_count(), 1);
    EXPECT_EQ(re.match_text(1).size(), 2'000'001u);
}

}  // namespace
}  // namespace xlt
