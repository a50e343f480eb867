// Benchmark of the match engine against Node.js's RegExp on the same workloads: a
// 5 MB HTML page with Chinese text (generated the same way every run) and the
// patterns below. Our side goes through RegexObject as the window's match run does:
// GBK in, every match and group read back as GBK. Node.js runs the same patterns with
// flags "gi" over the page as a JavaScript string, reading every match and group.
// Prints the best of several rounds per workload, the ratio Node.js / ours (above 1
// means ours is faster) and the geometric mean of the ratios. Both sides run on each
// processor in turn and keep their best: virtual processors can differ in speed (one
// seen here ran memory-bound loops twice as slowly as the other), and a ratio should
// not depend on where each side happens to land. On a large page our match engine
// also uses a second thread, which runs wherever the system puts it.
//
// usage: bench_match [ROUNDS] [--save-page FILE]   (needs `node` on the PATH for the peer;
// --save-page writes the GBK page for a closer look)
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <sched.h>
#include <unistd.h>

#include "generator/generate.h"
#include "generator/target_list.h"
#include "match/regex_object.h"
#include "platform/codepage.h"

namespace {

struct Workload {
    const char* name;
    std::string pattern;  // UTF-8
};

// The last workload's pattern is made by the expression generator from the page's first
// table row (see generated_pattern).
std::vector<Workload> kWorkloads = {
    {"td lazy", "<td>(.*?)</td>"},
    {"date", "\\d{4}\\-\\d{2}\\-\\d{2}"},
    {"link", "<a href=\"([^\"]*)\">([\\S\\s]*?)</a>"},
    {"table row", "<tr[^>]*>([\\S\\s]*?)</tr>"},
    {"literal", "库存紧张"},
    {"alternation", "价格|数量|日期|备注"},
    {"generated", ""},
};

// A deterministic pseudo-random sequence (64-bit LCG).
struct Lcg {
    unsigned long long state = 0x2545F4914F6CDD1DULL;
    unsigned next(unsigned n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>((state >> 33) % n);
    }
};

// An HTML page of about `bytes` GBK bytes: a product table with Chinese names, dates,
// links and prices, and paragraphs of Chinese prose with full-width punctuation.
std::string make_page_utf8(std::size_t gbk_bytes) {
    static const std::vector<std::string> words = {
        "商品", "价格", "数量", "日期", "备注", "北京",   "上海", "广州", "深圳", "杭州",
        "新款", "特价", "包邮", "正品", "促销", "会员",   "积分", "优惠", "库存", "发货",
        "手机", "电脑", "耳机", "键盘", "鼠标", "显示器", "茶叶", "咖啡", "图书", "文具",
        "紧张", "充足", "预售", "现货", "退换", "保修",   "客服", "评价", "销量", "品牌"};
    static const std::vector<std::string> punct = {"，", "。", "；", "：", "！", "？", "、"};
    Lcg rng;
    std::string page =
        "<!DOCTYPE html>\n<html>\n<head><meta charset=\"gbk\"><title>商品列表</title></head>\n"
        "<body>\n<table class=\"list\">\n";
    std::size_t gbk = page.size();  // close enough: counted below per piece
    auto add = [&](const std::string& piece) {
        page += piece;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const auto c = static_cast<unsigned char>(piece[i]);
            if (c < 0x80) {
                ++gbk;
            } else if (c >= 0xE0) {
                gbk += 2;  // a three-byte UTF-8 CJK character is two GBK bytes
            }
        }
    };
    for (unsigned row = 1; gbk < gbk_bytes; ++row) {
        std::string name;
        for (int w = 0; w < 2 + static_cast<int>(rng.next(3)); ++w) {
            name += words[rng.next(words.size())];
        }
        char date[16];
        std::snprintf(date, sizeof date, "%04u-%02u-%02u", 2015 + rng.next(10), 1 + rng.next(12),
                      1 + rng.next(28));
        add("<tr class=\"row" + std::to_string(row % 2) + "\"><td class=\"num\">" +
            std::to_string(row) + "</td><td>" + name + "</td><td>" + date +
            "</td><td><a href=\"/goods/" + std::to_string(rng.next(100000)) + ".html\">" + name +
            "详情</a></td><td>" + std::to_string(1 + rng.next(9999)) + "元</td></tr>\n");
        if (row % 25 == 0) {
            std::string prose = "<tr><td colspan=\"5\"><p>";
            for (int s = 0; s < 12; ++s) {
                prose += words[rng.next(words.size())];
                if (rng.next(3) == 0) {
                    prose += punct[rng.next(punct.size())];
                }
            }
            add(prose + "</p></td></tr>\n");
        }
    }
    add("</table>\n</body>\n</html>\n");
    return page;
}

// The text between the first `open` at or after `from` and the next `close`.
std::string between(const std::string& s, const std::string& open, const std::string& close,
                    std::size_t& from) {
    const std::size_t start = s.find(open, from) + open.size();
    const std::size_t end = s.find(close, start);
    from = end + close.size();
    return s.substr(start, end - start);
}

// The generator's expression for the first two cells of a product row (its number and
// its name as targets, groups on), as the window would make it from that sample.
std::string generated_pattern(const std::string& page_utf8) {
    const std::size_t at = page_utf8.find("<td class=\"num\">");
    std::size_t from = at;
    const std::string number = between(page_utf8, "\">", "</td>", from);
    const std::string name = between(page_utf8, "<td>", "</td>", from);
    const std::string sample = page_utf8.substr(at, from - at);
    const std::vector<xlt::TargetEntry> rows = {
        {xlt::codepage::utf8_to_gbk(number), xlt::Text(xlt::kAttributeKinds[1].name)},
        {xlt::codepage::utf8_to_gbk(name), xlt::Text(xlt::kAttributeKinds[0].name)}};
    return xlt::codepage::gbk_to_utf8(
        xlt::generate_expression(xlt::codepage::utf8_to_gbk(sample), rows, true));
}

struct Measured {
    int count = 0;
    int groups = 0;
    double ms = 0;
};

Measured run_ours(const xlt::Text& pattern, const xlt::Text& page, int rounds) {
    Measured best;
    best.ms = 1e300;
    std::size_t sink = 0;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        xlt::RegexObject re;
        // The window's defaults: ignore-case, single-line, global, quote substitution.
        re.create(pattern, page, false, false, true, true);
        const int n = re.match_count();
        const int m = re.sub_match_count();
        for (int i = 1; i <= n; ++i) {
            sink += re.match_text(i).size();
            for (int k = 1; k <= m; ++k) {
                sink += re.sub_match_text(i, k).size();
            }
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        best.count = n;
        best.groups = m;
        best.ms = std::min(best.ms, ms);
    }
    if (sink == 1) {
        std::puts("");
    }
    return best;
}

// The processors this process may run on.
std::vector<int> usable_processors() {
    std::vector<int> out;
    cpu_set_t cpus;
    if (sched_getaffinity(0, sizeof cpus, &cpus) == 0) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &cpus)) {
                out.push_back(cpu);
            }
        }
    }
    return out;
}

// Keeps the calling thread on processor `cpu`, or lets it run on any usable one (-1).
void pin_this_thread(int cpu) {
    static const std::vector<int> all = usable_processors();
    cpu_set_t set;
    CPU_ZERO(&set);
    for (const int c : all) {
        if (cpu < 0 || c == cpu) {
            CPU_SET(c, &set);
        }
    }
    if (!all.empty()) {
        sched_setaffinity(0, sizeof set, &set);
    }
}

std::string json_string(const std::string& utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    std::string save_page;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--save-page" && i + 1 < argc) {
            save_page = argv[++i];
        } else {
            rounds = std::max(1, std::atoi(argv[i]));
        }
    }
    const std::string page_utf8 = make_page_utf8(5 * 1024 * 1024);
    const xlt::Text page = xlt::codepage::utf8_to_gbk(page_utf8);
    if (!save_page.empty()) {
        std::ofstream(save_page, std::ios::binary) << page;
    }
    kWorkloads.back().pattern = generated_pattern(page_utf8);
    std::printf("generated expression: %s\n", kWorkloads.back().pattern.c_str());
    std::printf("page: %zu GBK bytes, %zu UTF-16 units; best of %d rounds\n", page.size(),
                xlt::codepage::to_utf16(page, xlt::codepage::kGbk).size(), rounds);

    // Ours, like Node.js below, runs with this thread on each processor in turn and keeps
    // its best per workload. A first round, unpinned, starts the match engine's helper
    // thread, which stays free to run anywhere.
    const std::vector<int> processors = usable_processors();
    run_ours(xlt::codepage::utf8_to_gbk(kWorkloads.front().pattern), page, 1);
    std::vector<Measured> ours(kWorkloads.size());
    for (const int cpu : processors.empty() ? std::vector<int>{-1} : processors) {
        pin_this_thread(cpu);
        for (std::size_t i = 0; i < kWorkloads.size(); ++i) {
            const Measured m =
                run_ours(xlt::codepage::utf8_to_gbk(kWorkloads[i].pattern), page, rounds);
            if (ours[i].ms == 0 || m.ms < ours[i].ms) {
                ours[i] = m;
            }
        }
    }
    pin_this_thread(-1);

    // The peer: same page and patterns through Node.js.
    std::vector<Measured> node(kWorkloads.size());
    bool have_node = false;
    const auto dir =
        std::filesystem::temp_directory_path() / ("xlt-bench-match-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    {
        std::ofstream(dir / "page.html", std::ios::binary) << page_utf8;
        std::ofstream patterns(dir / "patterns.json", std::ios::binary);
        patterns << "[";
        for (std::size_t i = 0; i < kWorkloads.size(); ++i) {
            patterns << (i ? "," : "") << json_string(kWorkloads[i].pattern);
        }
        patterns << "]";
    }
    const std::string script =
        (std::filesystem::path(__FILE__).parent_path() / "bench_match.js").string();
    const std::string node_command =
        "timeout 300 node '" + script + "' '" + (dir / "page.html").string() + "' '" +
        (dir / "patterns.json").string() + "' " + std::to_string(rounds);
    // Node.js runs once on each processor and keeps its best time per workload.
    std::vector<std::string> commands;
    if (std::system("taskset -V >/dev/null 2>&1") == 0) {
        for (const int cpu : processors) {
            commands.push_back("taskset -c " + std::to_string(cpu) + " " + node_command);
        }
    }
    if (commands.empty()) {
        commands = {node_command, node_command};
    }
    for (const std::string& command : commands) {
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) {
            continue;
        }
        char line[256];
        while (std::fgets(line, sizeof line, pipe)) {
            std::istringstream fields(line);
            std::size_t index = 0;
            Measured m;
            if (fields >> index >> m.count >> m.groups >> m.ms && index < node.size()) {
                if (node[index].ms == 0 || m.ms < node[index].ms) {
                    node[index] = m;
                }
                have_node = true;
            }
        }
        pclose(pipe);
    }
    std::filesystem::remove_all(dir);
    if (!have_node) {
        std::printf("node did not run (%s): only our figures are shown\n", node_command.c_str());
    }

    std::printf("%-12s %9s %6s %10s %10s %8s\n", "workload", "matches", "groups", "ours ms",
                "node ms", "ratio");
    double log_sum = 0;
    for (std::size_t i = 0; i < kWorkloads.size(); ++i) {
        const double ratio = have_node ? node[i].ms / ours[i].ms : 0;
        log_sum += have_node ? std::log(ratio) : 0;
        const std::string note =
            have_node && (node[i].count != ours[i].count || node[i].groups != ours[i].groups)
                ? "  (node found " + std::to_string(node[i].count) + " matches)"
                : "";
        std::printf("%-12s %9d %6d %10.2f %10.2f %8.2f%s\n", kWorkloads[i].name, ours[i].count,
                    ours[i].groups, ours[i].ms, node[i].ms, ratio, note.c_str());
    }
    if (have_node) {
        std::printf("geometric mean of node/ours: %.2f\n", std::exp(log_sum / kWorkloads.size()));
    }
    return 0;
}
