// The match engine's cached GBK codec must give exactly what the converter gives,
// including where it falls back to it.
#include "platform/gbk_units.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"

namespace xlt {
namespace {

const std::string kLongAscii = "<tr class=\"row\"><td>0123456789</td></tr>\n";  // > 16 bytes

TEST(RegExpGbkUnitsTest, DecodeMatchesTheConverter) {
    const std::vector<std::string> cases = {
        "",
        kLongAscii,
        kLongAscii + "\xD6\xD0\xCE\xC4" + kLongAscii + "\xA3\xAC",  // 中文 and a full-width comma
        "\x80",                                                     // the euro byte
        "a\x80"
        "b",
        kLongAscii + "\xD6",  // lead byte at the end
        "\x81\x30"
        "abc",  // lead byte, ASCII after it
        "\xFF\xFF",
        std::string("\xD6\0x", 3),
        "\xA1\xA4\xA1\xAA\xA8\xA6",  // ・ ― é
        "\xAA\xA1\xFE\xFE",          // user-defined area
        // Short ASCII runs between characters inside one sixteen-byte chunk, and the
        // euro byte in the middle of one.
        "<td>\xD6\xD0</td><td>\xCE\xC4"
        "a\xA3\xAC</td>" +
            kLongAscii,
        "0123456789\x80" + kLongAscii,
    };
    std::u16string buffer(100, u'x');
    for (const std::string& bytes : cases) {
        const std::u16string expected = codepage::to_utf16(bytes, codepage::kGbk);
        EXPECT_EQ(gbk::decode(bytes), expected) << ::testing::PrintToString(bytes);
        EXPECT_EQ(gbk::decode(bytes, buffer), expected) << ::testing::PrintToString(bytes);
    }
}

TEST(RegExpGbkUnitsTest, EncodeMatchesTheConverter) {
    const std::vector<std::u16string> cases = {
        u"",
        u"<tr class=\"row\"><td>0123456789</td></tr>\n<td>",
        u"中文，abc价格12元" + std::u16string(40, u'a') + u"尾",
        u"\u20AC",        // euro: one byte
        u"\u0E01x",       // Thai: missing from GBK
        u"a\U0001F600b",  // a surrogate pair: one character
        u"a\xD800"
        u"b",  // a lone surrogate
        u"\uFFFD\u00E9\u00B7",
    };
    for (const std::u16string& units : cases) {
        EXPECT_EQ(gbk::encode(units), codepage::from_utf16(units, codepage::kGbk))
            << codepage::from_utf16(units, codepage::kUtf8);
    }
}

}  // namespace
}  // namespace xlt
