#include "source/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace xlt::source {
namespace {

using namespace std::string_literals;

// 中文 in UTF-8 and in GBK.
const std::string kUtf8Zhongwen = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kGbkZhongwen = "\xD6\xD0\xCE\xC4";

struct Utf8Case {
    std::string name, utf8, gbk;
};

TEST(EncodingTest, Utf8ToGbk) {
    const std::vector<Utf8Case> cases = {
        {"empty", "", ""},
        {"ascii", "<a href='x'>1</a>\r\n", "<a href='x'>1</a>\r\n"},
        {"chinese", kUtf8Zhongwen, kGbkZhongwen},
        {"missing in GBK",
         "a\xF0\x9F\x98\x80"
         "b",
         "a?b"},
        {"malformed",
         "a\xFF"
         "b\xE4\xB8",
         "a?b?"},
        // A GBK page declared as UTF-8: nothing survives but ASCII, and the decoding
        // (four U+FFFD for four bytes) outgrows the measured size.
        {"GBK read as UTF-8", "x" + kGbkZhongwen, "x????"},
        {"stops at NUL", "ab\0\xE4\xB8\xAD"s, "ab"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8_to_gbk(c.utf8), c.gbk) << c.name;
        // the shortcut agrees with the two general conversions it stands for
        EXPECT_EQ(wide_to_multibyte(multibyte_to_wide(c.utf8, 0, false), 936, true), c.gbk)
            << c.name;
    }
}

TEST(EncodingTest, LongWrongEncodingConvertsWhole) {
    // Every byte a lead byte without a valid follower in UTF-8: twice the units of GBK.
    std::string page;
    for (int i = 0; i < 5000; ++i) {
        page += kGbkZhongwen;
    }
    EXPECT_EQ(utf8_to_gbk(page), std::string(page.size(), '?'));
}

struct WideCase {
    std::string name, text;
    std::int32_t codepage;
    bool use_codepage;
    std::string bytes;
};

TEST(EncodingTest, MultibyteToWide) {
    const std::vector<WideCase> cases = {
        {"ascii, terminator included", "abc", 936, false, "a\0b\0c\0\0\0"s},
        {"codepage ignored unless used", kUtf8Zhongwen, 936, false,
         // two units, terminator, and one more 0 unit: the ANSI reading is 3 units
         "\x2D\x4E\x87\x65\0\0\0\0"s},
        {"codepage used", kGbkZhongwen, 936, true, "\x2D\x4E\x87\x65\0\0"s},
        {"ANSI code page", kGbkZhongwen, 0, true, "\x2D\x4E\x87\x65\0\0"s},
        {"larger than measured", kGbkZhongwen, 65001, true,
         "\xFD\xFF\xFD\xFF\xFD\xFF\xFD\xFF\0\0"s},
        {"empty", "", 65001, true, ""},
        {"NUL first", "\0abc"s, 65001, true, ""},
        {"bytes after NUL", "a\0b"s, 65001, true, "a\0\0\0"s},
        {"unsupported code page", "abc", 1252, true, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(multibyte_to_wide(c.text, c.codepage, c.use_codepage), c.bytes) << c.name;
    }
}

struct NarrowCase {
    std::string name, units;
    std::int32_t codepage;
    bool use_codepage;
    std::string text;
};

TEST(EncodingTest, WideToMultibyte) {
    const std::vector<NarrowCase> cases = {
        {"ANSI unless used", "\x2D\x4E\0\0"s, 65001, false, "\xD6\xD0"},
        {"UTF-8", "\x2D\x4E\0\0"s, 65001, true, "\xE4\xB8\xAD"},
        {"stops at the 0 unit", "a\0\0\0b\0"s, 936, true, "a"},
        {"no 0 unit", "a\0b\0"s, 936, true, "ab"},
        {"odd last byte", "a\0b"s, 936, true, "a"},
        {"surrogate pair GBK lacks",
         "\x3D\xD8\x00\xDE"
         "a\0"s,
         936, true, "?a"},
        {"lone surrogate", "\x00\xD8"s, 65001, true, "?"},
        {"empty", "", 936, true, ""},
        {"unsupported code page", "a\0"s, 437, true, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wide_to_multibyte(c.units, c.codepage, c.use_codepage), c.text) << c.name;
    }
}

}  // namespace
}  // namespace xlt::source
