#include "codegen/code_generator.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace xlt::codegen {
namespace {

Text gbk(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}

std::string read_fixture(const std::string& name) {
    std::ifstream in(std::string(XLT_FIXTURES) + "/codegen/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The line of `code` (CR LF separated) that holds `needle`.
std::string line_with(const Text& code, const Text& needle) {
    const std::size_t hit = code.find(needle);
    if (hit == std::string::npos) {
        return "";
    }
    const std::size_t start = code.rfind("\r\n", hit);
    const std::size_t begin = start == std::string::npos ? 0 : start + 2;
    return code.substr(begin, code.find("\r\n", hit) - begin);
}

struct WholeCase {
    int library, mode;
    std::string fixture;
};

// Each fixture holds the code of one template, byte for byte (GBK, CR LF, no line
// break at the end), around the expression below.
TEST(CodeGeneratorTest, EachTemplateWhole) {
    const Text expression = "<span class=num>(\\d+)</span>";
    const std::vector<WholeCase> cases = {
        {0, 0, "jingyi_batch.txt"},
        {0, 1, "jingyi_single.txt"},
        {1, 0, "regex_batch.txt"},
        {1, 1, "regex_single.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(generate_code(c.library, c.mode, expression), read_fixture(c.fixture))
            << c.fixture;
    }
}

struct ChoiceCase {
    int library, mode;
    Library expected_library;
    MatchMode expected_mode;
};

TEST(CodeGeneratorTest, ZeroPicksTheFirstItemAnyOtherIndexTheSecond) {
    const std::vector<ChoiceCase> cases = {
        {0, 0, Library::JingYi, MatchMode::Batch},
        {0, 1, Library::JingYi, MatchMode::Single},
        {0, -1, Library::JingYi, MatchMode::Single},
        {1, 0, Library::RegExSupport, MatchMode::Batch},
        {-1, 0, Library::RegExSupport, MatchMode::Batch},
        {-1, -1, Library::RegExSupport, MatchMode::Single},  // nothing selected
        {7, 3, Library::RegExSupport, MatchMode::Single},
    };
    for (const auto& c : cases) {
        const CodeTemplate& t = choose_template(c.library, c.mode);
        EXPECT_EQ(t.library, c.expected_library) << c.library << "," << c.mode;
        EXPECT_EQ(t.match_mode, c.expected_mode) << c.library << "," << c.mode;
    }
}

struct CallCase {
    int library, mode;
    Text expression;
    Text first_lines;
    Text call_line;
};

TEST(CodeGeneratorTest, ExpressionIsTheFirstArgumentOfTheCall) {
    const Text jingyi_call_tail = gbk("”, 源文本, 假, 假, 真,真) ＝ 假)");
    const Text regex_call_tail = gbk("”, 假) ＝ 假)");
    const Text call_head = gbk(".如果真 (局_正则.创建 (“");
    const std::vector<CallCase> cases = {
        {0, 0, "\\d+", gbk(".版本 2\r\n\r\n"), call_head + "\\d+" + jingyi_call_tail},
        {1, 1, "\\d+", gbk(".版本 2\r\n.支持库 RegEx\r\n"), call_head + "\\d+" + regex_call_tail},
        {0, 1, "", gbk(".版本 2\r\n\r\n"), call_head + jingyi_call_tail},
        // quotes, half- and full-width, go in unchanged
        {1, 0, gbk("a\"b“c”"), gbk(".版本 2\r\n.支持库 RegEx\r\n"),
         call_head + gbk("a\"b“c”") + regex_call_tail},
    };
    for (const auto& c : cases) {
        const Text code = generate_code(c.library, c.mode, c.expression);
        EXPECT_TRUE(code.starts_with(c.first_lines)) << c.expression;
        EXPECT_EQ(line_with(code, call_head), c.call_line) << c.expression;
    }
}

struct QuoteCase {
    Text expression, substituted;
};

TEST(CodeGeneratorTest, QuotesBecomeTheQuoteToken) {
    const Text token = gbk("#引号");
    const std::vector<QuoteCase> cases = {
        {gbk("formhash“value=”5e1f0d39"), "formhash" + token + "value=" + token + "5e1f0d39"},
        {"href=\"(.*?)\"", "href=" + token + "(.*?)" + token},
        {"\\d+", "\\d+"},
        {"", ""},
        // 啊啊 is B0 A1 B0 A1: the bytes A1 B0 of “ straddle two characters
        {"\xB0\xA1\xB0\xA1", "\xB0\xA1\xB0\xA1"},
        {token, token},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(substitute_quotes(c.expression), c.substituted) << c.expression;
    }
}

// Answering 是: the 精易模块 class turns "#引号" back into a quote, the support library
// does not, so there each quote is joined into the text as the constant #引号.
TEST(CodeGeneratorTest, QuoteHandlingFollowsTheLibrary) {
    const Text expression = gbk("a\"b“c");
    const Text jingyi = generate_code_with_quote_handling(0, 0, expression);
    EXPECT_NE(jingyi.find(gbk("(“a#引号b#引号c”, 源文本")), Text::npos);
    const Text support = generate_code_with_quote_handling(1, 1, expression);
    EXPECT_NE(support.find(gbk("(“a” ＋ #引号 ＋ “b” ＋ #引号 ＋ “c”, 假)")), Text::npos);
    EXPECT_EQ(generate_code_with_quote_handling(1, 0, "\\d+"), generate_code(1, 0, "\\d+"));
}

}  // namespace
}  // namespace xlt::codegen
