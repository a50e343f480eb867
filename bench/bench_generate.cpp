// Expression generation on a page-like sample of about 1 MB with a few thousand target
// occurrences, timed against the plain generation that rescans the untouched text for
// every piece, on the whole page and on smaller slices of it.
//
//   build/bench/bench_generate
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "generator/generate.h"
#include "generator/plain_generate.h"
#include "platform/codepage.h"

namespace {

using xlt::TargetEntry;
using xlt::Text;

std::string G(std::string_view utf8) {
    return xlt::codepage::utf8_to_gbk(utf8);
}

// A shop's product list: a head, then table rows with dates, names, prices, stock and
// telephone numbers, and now and then a paragraph of Chinese text. Values repeat often
// enough for the targets to occur a few thousand times; the rest varies, so the pieces
// between the targets are mostly different from one another.
Text make_page(std::size_t bytes) {
    std::mt19937 random(20161109);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const std::vector<std::string> dates = {"2016-11-07", "2016-11-08", "2016-11-09", "2016-11-10",
                                            "2016-11-11"};
    const std::vector<std::string> names = {G("苹果"), G("香蕉"), G("橙子"), G("葡萄"),
                                            G("西瓜"), G("草莓"), G("芒果")};
    const std::vector<std::string> stock = {G("有货"), G("缺货"), G("预订")};
    const std::string paragraph =
        G("本店所有商品均为正品，价格以结算页面为准。如有疑问，请拨打客服电话，"
          "工作时间：周一至周五 9:00-18:00。");
    Text page = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"gbk\">\r\n<title>" +
                G("商品列表") + "</title>\r\n</head>\r\n<body>\r\n<table class=\"list\">\r\n";
    for (int row = 0; page.size() < bytes; ++row) {
        const std::string id = std::to_string(100000 + row * 7 + pick(7));
        const std::string& name = names[pick(names.size())];
        page += "<tr class=\"item\" data-id=\"" + id + "\">\r\n";
        page += "  <td class=\"date\">" + dates[pick(dates.size())] + "</td>\r\n";
        page += "  <td class=\"name\"><a href=\"/goods/" + id + ".html\" title=\"" + name + "\">" +
                name + " " + std::to_string(pick(500)) + "g</a></td>\r\n";
        page += "  <td class=\"price\">" + std::to_string(1 + pick(300)) + "." +
                std::to_string(10 + pick(90)) + "</td>\r\n";
        page += "  <td class=\"stock\">" + stock[pick(stock.size())] + "</td>\r\n";
        page += "  <td class=\"tel\">138" + std::to_string(10000000 + pick(89999999)) +
                "</td>\r\n</tr>\r\n";
        if (row % 40 == 39) {
            page += "<tr><td colspan=\"5\"><p>" + paragraph + "</p></td></tr>\r\n";
        }
    }
    return page + "</table>\r\n</body>\r\n</html>\r\n";
}

const std::vector<TargetEntry> kRows = {
    {"2016-11-09", G("日期型")},
    {G("缺货"), G("通常方式")},
    {"9:00", G("通常方式")},
};

std::size_t count(std::string_view text, std::string_view needle) {
    std::size_t n = 0;
    for (std::size_t at = text.find(needle); at != std::string_view::npos;
         at = text.find(needle, at + needle.size())) {
        ++n;
    }
    return n;
}

// The best of `runs` timings, in milliseconds.
double best_ms(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main() {
    const Text page = make_page(1 << 20);
    std::size_t occurrences = 0;
    for (const TargetEntry& row : kRows) {
        occurrences += count(page, row.text);
    }
    std::printf("sample: %zu bytes, %zu target occurrences of %zu rows\n", page.size(), occurrences,
                kRows.size());

    Text expression;
    const double full =
        best_ms(5, [&] { expression = xlt::generate_expression(page, kRows, true); });
    std::printf("generate_expression, whole sample: %.1f ms (expression %zu bytes)\n", full,
                expression.size());

    std::printf("\n%10s %12s %12s %8s\n", "slice", "indexed ms", "plain ms", "ratio");
    for (const std::size_t slice : {16u << 10, 64u << 10, 256u << 10, 1024u << 10}) {
        const Text part = make_page(slice);
        Text fast, plain;
        const double fast_ms =
            best_ms(3, [&] { fast = xlt::generate_expression(part, kRows, true); });
        const double plain_ms =
            best_ms(1, [&] { plain = xlt::generate_expression_plain(part, kRows, true); });
        std::printf("%9zuK %12.1f %12.1f %7.0fx%s\n", part.size() >> 10, fast_ms, plain_ms,
                    plain_ms / fast_ms, fast == plain ? "" : "  (expressions differ!)");
    }
    return 0;
}
