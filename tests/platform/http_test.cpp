#include "platform/http.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http_test_server.h"

namespace xlt::http {
namespace {

using xlt::testing::TestHttpServer;

// "<p>compressed body</p>" compressed with gzip.
const std::string kGzipBody(
    "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03\xb3\x29\xb0\x4b\xce\xcf\x2d\x28\x4a\x2d\x2e\x4e"
    "\x4d\x51\x48\xca\x4f\xa9\xb4\xd1\x2f\xb0\x03\x00\x03\x82\xea\xa6\x16\x00\x00\x00",
    42);

const std::string kUtf8Page = "<p>\xE4\xB8\xAD\xE6\x96\x87</p>";  // 中文
const std::string kGbkPage = "<p>\xD6\xD0\xCE\xC4</p>";
const std::string kNulPage("a\0b", 3);

TestHttpServer make_server() {
    return TestHttpServer({
        {"/utf8", TestHttpServer::reply(200, kUtf8Page, "Content-Type: text/html\r\n")},
        {"/gbk", TestHttpServer::reply(200, kGbkPage)},
        {"/nul", TestHttpServer::reply(200, kNulPage)},
        {"/empty", TestHttpServer::reply(200, "")},
        {"/moved", TestHttpServer::reply(302, "go away", "Location: /utf8\r\n")},
        {"/missing", TestHttpServer::reply(404, "<h1>not here</h1>")},
        {"/gzip", TestHttpServer::reply(200, kGzipBody, "Content-Encoding: gzip\r\n")},
        {"/short", {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly a part", false}},
        {"/silent", TestHttpServer::silence()},
        {"/to-file", TestHttpServer::reply(302, "", "Location: file:///etc/hostname\r\n")},
    });
}

struct PageCase {
    std::string path;
    long status;
    std::string body;
};

TEST(HttpTest, ReadsTheBodyWhateverTheStatus) {
    TestHttpServer pages = make_server();
    const std::vector<PageCase> cases = {
        {"/utf8", 200, kUtf8Page},
        {"/gbk", 200, kGbkPage},
        {"/nul", 200, kNulPage},     // NUL bytes kept
        {"/empty", 200, ""},         // an empty body is still a received page
        {"/moved", 200, kUtf8Page},  // redirect followed
        {"/missing", 404, "<h1>not here</h1>"},
        {"/gzip", 200, "<p>compressed body</p>"},
    };
    for (const auto& c : cases) {
        const GetResult r = get(pages.url(c.path));
        EXPECT_TRUE(r.received) << c.path << ": " << r.error;
        EXPECT_EQ(r.status, c.status) << c.path;
        EXPECT_EQ(r.body, c.body) << c.path;
    }
}

TEST(HttpTest, NothingReadIsToldApartFromAnEmptyBody) {
    TestHttpServer pages = make_server();
    GetOptions quick;
    quick.timeout = std::chrono::milliseconds(300);
    const std::vector<std::string> addresses = {
        pages.url("/silent"),   // accepts and never answers: ends at the timeout
        pages.url("/short"),    // closes before the announced length
        pages.url("/to-file"),  // redirects are followed over http and https only
        "http://127.0.0.1:" + std::to_string(TestHttpServer::closed_port()) + "/",
        "http://[::1",       // malformed
        "ftp://127.0.0.1/",  // not http
        "",
    };
    for (const auto& address : addresses) {
        const GetResult r = get(address, quick);
        EXPECT_FALSE(r.received) << address;
        EXPECT_TRUE(r.body.empty()) << address;
        EXPECT_FALSE(r.error.empty()) << address;
    }
}

TEST(HttpTest, RefusesABodyAboveTheLimit) {
    TestHttpServer pages = make_server();
    GetOptions small;
    small.max_body_bytes = 4;
    const GetResult r = get(pages.url("/utf8"), small);
    EXPECT_FALSE(r.received);
    EXPECT_NE(r.error.find("larger"), std::string::npos) << r.error;
}

TEST(HttpTest, NonAsciiInThePathIsSentPercentEncoded) {
    TestHttpServer pages = make_server();
    // "/查 询?q=中" typed in GBK: 查 B2 E9, 询 D1 AF, 中 D6 D0.
    get(pages.url("/\xB2\xE9 \xD1\xAF?q=\xD6\xD0"));
    ASSERT_EQ(pages.targets().size(), 1u);
    EXPECT_EQ(pages.targets()[0], "/%E6%9F%A5%20%E8%AF%A2?q=%E4%B8%AD");
}

TEST(HttpTest, AddressToUrlLeavesTheHostAndAsciiAlone) {
    EXPECT_EQ(address_to_url("http://\xD6\xD0.example/a b"), "http://\xE4\xB8\xAD.example/a%20b");
    EXPECT_EQ(address_to_url("http://host/%41?x=1#y"), "http://host/%41?x=1#y");
}

}  // namespace
}  // namespace xlt::http
