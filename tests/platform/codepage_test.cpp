#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace xlt::codepage {
namespace {

TEST(CodepageTest, RoundTripsGbkAndUtf8) {
    const std::string gbk = "\xD6\xD0\xCE\xC4 abc\r\n\xA3\xBA";  // 中文 abc CR LF ：
    const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87 abc\r\n\xEF\xBC\x9A";
    EXPECT_EQ(gbk_to_utf8(gbk), utf8);
    EXPECT_EQ(utf8_to_gbk(utf8), gbk);
    EXPECT_EQ(to_utf16(gbk, kGbk).size(), 9u);   // one unit per GBK character
}

TEST(CodepageTest, EuroSignIsByte80) {
    EXPECT_EQ(to_utf16("\x80", kGbk), u"\u20AC");
    EXPECT_EQ(from_utf16(u"\u20AC", kGbk), "\x80");
}

TEST(CodepageTest, MissingCharactersBecomeQuestionMarks) {
    EXPECT_EQ(utf8_to_gbk("a\xF0\x9F\x98\x80z"), "a?z");  // emoji
    EXPECT_EQ(utf8_to_gbk("a\xFFz"), "a?z");              // malformed UTF-8 -> U+FFFD -> ?
    EXPECT_EQ(from_utf16(std::u16string(1, u'\xD800'), kGbk), "?");
}

TEST(CodepageTest, NulBytesAreConverted) {
    EXPECT_EQ(to_utf16(std::string("a\0b", 3), kGbk), std::u16string(u"a\0b", 3));
}

TEST(CodepageTest, WellFormedness) {
    EXPECT_TRUE(is_well_formed("\xE4\xB8\xAD", kUtf8));
    EXPECT_FALSE(is_well_formed("\xE4\xB8", kUtf8));
    EXPECT_FALSE(is_well_formed("\xED\xA0\x80", kUtf8));  // encoded surrogate
    EXPECT_TRUE(is_well_formed("\xD6\xD0", kGbk));
    EXPECT_FALSE(is_well_formed("\xD6", kGbk));
    EXPECT_TRUE(is_well_formed("", kGbk));
}

}  // namespace
}  // namespace xlt::codepage
