#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace xlt {
namespace {

// "中" is D6 D0 and "文" is CE C4 in GBK. Characters whose second byte is ASCII are
// what makes character alignment matter: AB 5C ends in a backslash, 81 41 in "A".
const std::string kBackslashTrail = "\xAB\x5C";  // second byte is "\"
const std::string kLetterTrail = "\x81\x41";     // second byte is "A"

struct ReplaceCase {
    std::string text, from, to, expected;
};

TEST(TextTest, ReplaceAllIsCharacterAligned) {
    const std::vector<ReplaceCase> cases = {
        {"abcabc", "b", "X", "aXcaXc"},
        {"aaa", "aa", "b", "ba"},                // no overlap
        {"aaa", "a", "aa", "aaaaaa"},            // inserted text not rescanned
        {"abc", "", "X", "abc"},                 // empty search text replaces nothing
        {"", "a", "b", ""},
        {kBackslashTrail + "\\", "\\", "/", kBackslashTrail + "/"},
        {kLetterTrail + "A", "A", "b", kLetterTrail + "b"},
        {"\xD6\xD0\xCE\xC4", "\xD0\xCE", "X", "\xD6\xD0\xCE\xC4"},  // straddles two chars
        {"\xD6\xD0\xCE\xC4", "\xCE\xC4", "X", "\xD6\xD0X"},
        {"x\xD6", "\xD6", "y", "xy"},            // lone lead byte at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(replace_all(c.text, c.from, c.to), c.expected)
            << "text=" << c.text << " from=" << c.from;
    }
}

struct SplitCase {
    std::string text, separator;
    std::vector<std::string> expected;
};

TEST(TextTest, SplitCountsEmptyPiecesButNotATrailingOne) {
    const std::vector<SplitCase> cases = {
        {"", ",", {}},
        {"a", ",", {"a"}},
        {"a,b", ",", {"a", "b"}},
        {"a,b,", ",", {"a", "b"}},
        {",a", ",", {"", "a"}},
        {"a,,b", ",", {"a", "", "b"}},
        {",", ",", {""}},
        {",,", ",", {"", ""}},
        {"a--b----c", "----", {"a--b", "c"}},
        {kLetterTrail + "A", "A", {kLetterTrail}},
        {kBackslashTrail + "\\x", "\\", {kBackslashTrail, "x"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(split_text(c.text, c.separator), c.expected) << "text=" << c.text;
    }
}

struct FileCase {
    std::string bytes, expected;
};

TEST(TextTest, FileBytesEndAtTheFirstNulOrEofMarkThatStartsACharacter) {
    const std::vector<FileCase> cases = {
        {"abc", "abc"},
        {std::string("ab\0cd", 5), "ab"},
        {"ab\x1A" "cd", "ab"},
        {"\xD6\x1A" "cd", "\xD6\x1A" "cd"},  // 0x1A as a second byte does not end the text
        {std::string("a\xD6\0b", 4), "a"},   // a lead byte before NUL is dropped
        {"\xD6", "\xD6"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text_from_file_bytes(c.bytes), c.expected);
    }
}

}  // namespace
}  // namespace xlt
