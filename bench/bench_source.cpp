// Loading a 5 MB source text: the share of each step of "网络URL" and "本地文件" (HTTP
// GET over loopback, body to GBK text, file read), each beside a plain peer measured in
// the same run (a byte copy, the direct code-page conversion, an ifstream read).
// Run: build/bench/bench_source
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "../tests/platform/http_test_server.h"
#include "platform/codepage.h"
#include "platform/http.h"
#include "source/encoding.h"
#include "source/source_loading.h"

namespace {

double median_ms(const std::function<void()>& step, int runs = 7) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char* name, double ms, std::size_t bytes) {
    std::printf("%-34s %8.2f ms  %8.1f MB/s\n", name, ms, bytes / 1e6 / (ms / 1e3));
}

}  // namespace

int main() {
    // About 5 MB of UTF-8: 100,000 lines like <span class=num>128</span>中文 plus padding.
    std::string page;
    for (int i = 0; page.size() < 5'000'000; ++i) {
        page += "<li><span class=num>" + std::to_string(i) +
                "</span> \xE4\xB8\xAD\xE6\x96\x87 text text text</li>\r\n";
    }
    const std::size_t size = page.size();
    std::printf("page: %zu bytes\n", size);
    volatile std::size_t sink = 0;

    report("copy (peer)", median_ms([&] { sink = std::string(page).size(); }), size);
    report("codepage::utf8_to_gbk (peer)",
           median_ms([&] { sink = xlt::codepage::utf8_to_gbk(page).size(); }), size);
    report("source::utf8_to_gbk", median_ms([&] { sink = xlt::source::utf8_to_gbk(page).size(); }),
           size);
    report("page_text, UTF-8", median_ms([&] {
               sink = xlt::source::page_text(page, xlt::source::PageEncoding::Utf8).size();
           }),
           size);

    xlt::testing::TestHttpServer server(
        {{"/page", xlt::testing::TestHttpServer::reply(200, page)}});
    report("http::get over loopback",
           median_ms([&] { sink = xlt::http::get(server.url("/page")).body.size(); }), size);
    report("load_page, UTF-8 over loopback", median_ms([&] {
               sink = xlt::source::load_page(server.url("/page"), xlt::source::PageEncoding::Utf8)
                          ->size();
           }),
           size);

    const std::string path = (std::filesystem::temp_directory_path() / "xlt-bench-source.txt");
    std::ofstream(path, std::ios::binary) << page;
    report("ifstream read (peer)", median_ms([&] {
               std::ifstream in(path, std::ios::binary);
               sink = std::string(std::istreambuf_iterator<char>(in), {}).size();
           }),
           size);
    report("read_source_file",
           median_ms([&] { sink = xlt::source::read_source_file(path)->size(); }), size);
    std::filesystem::remove(path);
    return 0;
}
