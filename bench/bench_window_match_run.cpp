// The whole match run on the real window: a 5 MB page in 编辑框_源文本, a two-group
// expression with about 100,000 matches, from the click on 匹配 to the first screen of the
// filled result list. The split shows where the time goes: reading the two edit boxes
// (widget text to GBK), the run itself (GBK to UTF-16, compiling and matching), and
// filling the list (every match and group read back as GBK and stored in the list).
// Node.js's RegExp over the same page, if node is there, is the peer for the matching.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_window_match_run [matches]
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/main_window.h"
#include "match/match_run.h"
#include "match/regex_object.h"
#include "platform/codepage.h"
#include "platform/ui/application.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A page of table rows, each with a name (Chinese) and a price: one match per row.
std::string make_page(int rows) {
    const std::string name = xlt::codepage::utf8_to_gbk("苹果");
    std::string page = "<html><body><table>\r\n";
    for (int i = 0; i < rows; ++i) {
        page += "<tr><td class=n>" + name + std::to_string(i % 977) + "</td><td class=p>" +
                std::to_string(10 + i % 90) + "." + std::to_string(i % 10) + "</td></tr>\r\n";
    }
    page += "</table></body></html>\r\n";
    return page;
}

const char* kExpression = R"(<td class=n>(.*?)</td><td class=p>([\d.]+)</td>)";

double node_peer_ms(const std::string& page_gbk) {
    if (std::system("node --version >/dev/null 2>&1") != 0) {
        return -1;
    }
    const auto dir = std::filesystem::temp_directory_path();
    const auto page_path = dir / "xlt-bench-page.html";
    const auto script_path = dir / "xlt-bench-peer.js";
    std::ofstream(page_path, std::ios::binary) << xlt::codepage::gbk_to_utf8(page_gbk);
    std::ofstream(script_path) << R"(
const fs = require('fs');
const text = fs.readFileSync(process.argv[2], 'utf8');
const re = new RegExp(process.argv[3], 'gi');
const t0 = process.hrtime.bigint();
let rows = 0, chars = 0;
for (const m of text.matchAll(re)) { rows++; chars += m[0].length + m[1].length + m[2].length; }
console.log(Number(process.hrtime.bigint() - t0) / 1e6, rows, chars);
)";
    const std::string command = "node " + script_path.string() + " " + page_path.string() + " '" +
                                kExpression + "' > " + (dir / "xlt-bench-out").string();
    double ms = -1;
    if (std::system(command.c_str()) == 0) {
        std::ifstream(dir / "xlt-bench-out") >> ms;
    }
    std::filesystem::remove(page_path);
    std::filesystem::remove(script_path);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    xlt::ui::Application application(argc, argv);
    const auto run_dir = std::filesystem::temp_directory_path() / "xlt-bench-match-run";
    std::filesystem::create_directories(run_dir);

    const std::string page = make_page(rows);
    xlt::app::MainWindow window(run_dir);
    window.start();
    window.编辑框_表达式.set_text(kExpression);
    window.编辑框_源文本.set_text(page);
    QApplication::processEvents();

    // Each figure is the best of five runs: the first touches of fresh memory cost more
    // than the work itself on this kind of machine.
    double read_ms = 1e9, match_ms = 1e9, read_back_ms = 1e9, whole_ms = 1e9;
    xlt::match::MatchRunOutcome outcome;
    std::size_t bytes = 0;
    for (int round = 0; round < 5; ++round) {
        // The split, step by step as the command runs them.
        auto start = Clock::now();
        const xlt::match::MatchRunInput input{window.编辑框_表达式.text(),
                                              window.编辑框_源文本.text(), false, false, true};
        read_ms = std::min(read_ms, ms_since(start));
        start = Clock::now();
        xlt::RegexObject regex;
        outcome = xlt::match::run_expression(regex, input);
        match_ms = std::min(match_ms, ms_since(start));
        start = Clock::now();
        bytes = 0;
        for (std::int32_t i = 1; i <= outcome.match_count; ++i) {
            bytes += regex.match_text(i).size();
            for (std::int32_t k = 1; k <= outcome.group_count; ++k) {
                bytes += regex.sub_match_text(i, k).size();
            }
        }
        read_back_ms = std::min(read_back_ms, ms_since(start));

        // The whole command, as the user runs it.
        start = Clock::now();
        window.run_match();
        QApplication::processEvents();  // the list lays out and paints its first screen
        whole_ms = std::min(whole_ms, ms_since(start));
    }
    const double peer_ms = node_peer_ms(page);

    std::printf("page %.1f MB, %d matches x %d groups (%zu bytes read back)\n", page.size() / 1e6,
                outcome.match_count, outcome.group_count, bytes);
    std::printf("  click to filled list, drawn    %8.1f ms\n", whole_ms);
    std::printf("    reading the edit boxes       %8.1f ms\n", read_ms);
    std::printf("    conversion + matching        %8.1f ms\n", match_ms);
    std::printf("    reading matches back as GBK  %8.1f ms\n", read_back_ms);
    std::printf("    list (the rest)              %8.1f ms\n",
                whole_ms - read_ms - match_ms - read_back_ms);
    if (peer_ms >= 0) {
        std::printf("  peer: Node.js matchAll alone   %8.1f ms\n", peer_ms);
    }
    std::filesystem::remove_all(run_dir);
    return 0;
}
