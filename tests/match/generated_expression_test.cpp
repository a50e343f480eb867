// The expression generator's promise, checked with the match engine: the expression
// generated from a sample, run over that same sample with the window's default match
// options, matches, and its groups capture the targets in the order they stand in the
// sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "generator/generate.h"
#include "generator/target_list.h"
#include "match/regex_object.h"
#include "platform/codepage.h"

namespace xlt {
namespace {

Text g(const std::string& utf8) {
    return codepage::utf8_to_gbk(utf8);
}
std::string u8(const Text& gbk) {
    return codepage::gbk_to_utf8(gbk);
}

enum Kind { kAny, kInteger, kDate, kMobile, kIp, kIpPort };

struct Sample {
    std::string text;                                // UTF-8
    std::vector<std::pair<std::string, Kind>> rows;  // target list
};

// The targets' occurrences in the sample, by position.
std::vector<std::string> occurrences_in_order(const Sample& s) {
    std::vector<std::pair<std::size_t, std::string>> found;
    for (const auto& [target, kind] : s.rows) {
        for (std::size_t at = s.text.find(target); at != std::string::npos;
             at = s.text.find(target, at + target.size())) {
            found.emplace_back(at, target);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> out;
    for (const auto& f : found) {
        out.push_back(f.second);
    }
    return out;
}

TEST(GeneratedExpressionTest, MatchesItsOwnSampleAndCapturesTheTargetsInOrder) {
    const std::vector<Sample> samples = {
        {R"(<tr><td class="name">张三</td><td class="age">28</td><td>2024-05-17</td></tr>)",
         {{"张三", kAny}, {"28", kInteger}, {"2024-05-17", kDate}}},
        {R"(<a href="https://example.com/item/123.html" title="商品详情">查看</a>)",
         {{"https://example.com/item/123.html", kAny}, {"查看", kAny}}},
        {R"(<span class=num>128</span>)", {{"128", kInteger}}},
        {R"({"id": 1024, "name": "李四", "phone": "13800138000"})",
         {{"1024", kInteger}, {"李四", kAny}, {"13800138000", kMobile}}},
        {"2024-05-17 12:30:45 [INFO] 192.168.1.10:8080 连接成功",
         {{"2024-05-17", kDate}, {"192.168.1.10:8080", kIpPort}}},
        {"订单编号：20240517，收货人：王五（北京市）。", {{"20240517", kInteger}, {"王五", kAny}}},
        {"姓名：赵六\r\n年龄：35\r\n备注：无", {{"赵六", kAny}, {"35", kInteger}}},
        {"服务器地址 10.0.0.1 已上线", {{"10.0.0.1", kIp}}},
        {"价格：12元，运费：12元", {{"12", kInteger}}},  // one target, two occurrences
    };
    for (const Sample& s : samples) {
        std::vector<TargetEntry> rows;
        for (const auto& [target, kind] : s.rows) {
            rows.push_back({g(target), Text(kAttributeKinds[kind].name)});
        }
        const Text expression = generate_expression(g(s.text), rows, true);
        SCOPED_TRACE("sample: " + s.text + "\nexpression: " + u8(expression));

        // The match run's options as the window opens: ignore-case, not multi-line,
        // global, with quote substitution.
        RegexObject re;
        ASSERT_TRUE(re.create(expression, g(s.text), false, false, true, true));
        ASSERT_GE(re.match_count(), 1);
        std::vector<std::string> captured;
        for (int i = 1; i <= re.match_count(); ++i) {
            for (int k = 1; k <= re.sub_match_count(); ++k) {
                captured.push_back(u8(re.sub_match_text(i, k)));
            }
        }
        EXPECT_EQ(captured, occurrences_in_order(s));
    }
}

}  // namespace
}  // namespace xlt
