#include "generator/generate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "gbk.h"
#include "generator/plain_generate.h"

namespace xlt {
namespace {

using test::G;
using test::U;

struct Row {
    std::string text, attribute;  // UTF-8
};

struct GenerateCase {
    std::string sample;
    std::vector<Row> rows;
    bool submatch;
    std::string expression;
};

std::vector<TargetEntry> gbk_rows(const std::vector<Row>& rows) {
    std::vector<TargetEntry> out;
    for (const Row& r : rows) {
        out.push_back({G(r.text), G(r.attribute)});
    }
    return out;
}

TEST(GenerateExpression, WorkedExamples) {
    const std::vector<GenerateCase> cases = {
        {"<span class=num>128</span>",
         {{"128", "整数型"}},
         true,
         R"(\<[a-z][\S\s]*?[a-z]m\>(\d+)\</[\S\s]*?[a-z]n\>)"},
        {"<span class=num>128</span>",
         {{"128", "整数型"}},
         false,
         R"(\<[a-z][\S\s]*?[a-z]m\>\d+\</[\S\s]*?[a-z]n\>)"},
        {"ID:42", {{"42", "整数型"}}, true, R"([A-Z][A-Z]:(\d+)$)"},
        {"ID:42", {{"42", "整数型"}}, false, R"([A-Z][A-Z]:\d+)"},
        {"x5", {{"5", "日期型"}}, true, R"([a-z](\d{4}\-\d{2}\-\d{2}))"},
        {"5x", {{"5", "整数型"}}, true, R"((\d+)[a-z])"},
        {"x5", {{"5", "未知"}}, true, "[a-z]()$"},
        {"x5", {{"5", "未知"}}, false, "[a-z]"},
        {"xxxz", {{"xx", "通常方式"}}, true, "(.*?)[a-z][a-z]"},
        {"ABC", {{"abc", "整数型"}}, true, "[A-Z][A-Z][A-Z]"},
        // The first piece "<li>" also rewrites the "<li>" inside the second piece, which
        // then no longer occurs; the third replaces both "</li>".
        {"<li>苹果</li><li>苹果</li>",
         {{"苹果", "通常方式"}},
         true,
         "<[a-z][a-z]>(.*?)</[a-z][a-z]><[a-z][a-z]>(.*?)</[a-z][a-z]>"},
        {"x\r\n5", {{"5", "整数型"}}, true, R"([a-z]\s+(\d+)$)"},
        {"abc", {}, true, "[a-z][a-z][a-z]"},
        {"", {{"5", "整数型"}}, true, ""},
        {"abc", {{"zz", "整数型"}}, true, "[a-z][a-z][a-z]"},
        {"on 2016-11-09", {{"2016-11-09", "日期型"}}, true, R"([a-z][a-z] (\d{4}\-\d{2}\-\d{2}))"},
        {"f(5)", {{"5", "整数型"}}, true, R"([a-z]\((\d+)\)$)"},
        {"f(5)", {{"5", "整数型"}}, false, R"([a-z]\(\d+\)$)"},
        // Each marker takes the fragment of its own row.
        {"2016-11-09 共 42 条",
         {{"2016-11-09", "日期型"}, {"42", "整数型"}},
         true,
         R"((\d{4}\-\d{2}\-\d{2}) [\u4e00-\u9fa5] (\d+) [\u4e00-\u9fa5])"},
        {"host 10.0.0.1:80 up",
         {{"10.0.0.1:80", "IP段+端口"}},
         true,
         R"([a-z][a-z][a-z][a-z] (\d+\.\d+\.\d+\.\d+:\d+) [a-z][a-z])"},
        // Replacements never look inside what an earlier one wrote: the piece "d" leaves
        // the "\d" of the piece "1" alone, "a" leaves the markers alone, and the target "c9"
        // is found in the sample only.
        {"1xd", {{"x", "通常方式"}}, true, R"(\d(.*?)[a-z])"},
        {"a5b", {{"5", "整数型"}}, true, R"([a-z](\d+)[a-z])"},
        {"5c9", {{"5", "整数型"}, {"c9", "手机号"}}, true, R"((\d+)(\d{11,}))"},
        // A later target that overlaps an earlier one's occurrence is not found there.
        {"abcd", {{"bc", "整数型"}, {"ab", "通常方式"}}, true, R"([a-z](\d+)[a-z])"},
        // Text that no replacement reached keeps its characters, escaped.
        {"ab5ab(5", {{"5", "整数型"}}, true, R"([a-z][a-z](\d+)[a-z][a-z]\((\d+)$)"},
        // A long piece equal to an earlier one replaces nothing, but its blank still counts
        // towards the gap of the pieces after it.
        {"abcde f1abcde f1</span>",
         {{"1", "整数型"}},
         true,
         R"(a[a-z].*? [a-z](\d+)a[a-z].*? [a-z](\d+)\</[\S\s]*?[a-z]n\>)"},
        {"xyz",
         {{"x", "通常方式"}, {"y", "整数型"}, {"z", "IP段"}},
         true,
         R"((.*?)(\d+)(\d+\.\d+\.\d+\.\d+)$)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(U(generate_expression(G(c.sample), gbk_rows(c.rows), c.submatch)), c.expression)
            << "sample=" << c.sample << " submatch=" << c.submatch;
    }
}

// Bytes as C escapes, for a failure message that shows any sample.
std::string escaped(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    return out;
}

// Random samples over characters that stress every step: spaces of both widths, line
// breaks, special characters, ideographs, and stray lead bytes that shift the character
// boundaries. Targets are cut from the sample at any byte, so they may split characters.
// Every other round draws from a few characters only, so that pieces repeat.
TEST(GenerateExpression, AgreesWithThePlainRescanningGeneration) {
    const std::vector<std::string> wide = {
        "a", "b",  "A", "1",     "2",     " ",     " ",     "\r\n", "\n",   "(",
        ".", "\\", "$", G("中"), G("文"), G("："), G("　"), "\xB0", "\x81", "\xA9\x5C",
    };
    const std::vector<std::string> narrow = {"ab", "c", " ", "1"};
    const std::vector<std::string> kinds = {G("通常方式"), G("整数型"),    G("日期型"), G("手机号"),
                                            G("IP段"),     G("IP段+端口"), "?"};
    std::mt19937 random(20161109);
    auto below = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (int round = 0; round < 4000; ++round) {
        const std::vector<std::string>& alphabet = round % 2 == 0 ? wide : narrow;
        std::string sample;
        const std::size_t length = below(40);
        for (std::size_t i = 0; i < length; ++i) {
            sample += alphabet[below(alphabet.size())];
        }
        std::vector<TargetEntry> rows(below(4));
        for (TargetEntry& row : rows) {
            if (!sample.empty() && below(5) != 0) {
                const std::size_t start = below(sample.size());
                row.text = sample.substr(
                    start, 1 + below(std::min<std::size_t>(4, sample.size() - start)));
            } else {
                row.text = alphabet[below(alphabet.size())];
            }
            row.attribute = kinds[below(kinds.size())];
        }
        const bool submatch = below(2) == 0;
        ASSERT_EQ(generate_expression(sample, rows, submatch),
                  generate_expression_plain(sample, rows, submatch))
            << "round " << round << " sample=" << escaped(sample);
    }
}

}  // namespace
}  // namespace xlt
