#include "source/source_loading.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../platform/http_test_server.h"
#include "platform/codepage.h"

namespace xlt::source {
namespace {

using namespace std::string_literals;
using xlt::testing::TestHttpServer;
namespace fs = std::filesystem;

Text gbk(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}

const std::string kUtf8Page = "<b>\xE4\xB8\xAD\xE6\x96\x87</b>";  // 中文
const std::string kGbkPage = "<b>\xD6\xD0\xCE\xC4</b>";

TEST(SourceLoadingTest, CommandTextsAreGbk) {
    EXPECT_EQ(read_file_failed_text(), gbk("读取文件失败"));
    EXPECT_EQ(read_page_failed_text(), gbk("读取网页失败"));
    EXPECT_EQ(address_prompt(), gbk("请输入HTTP:") + "\\\\" + gbk("开头的网站地址"));
    EXPECT_EQ(page_encoding_question(), gbk("是=UTF_8编码") + "\r\n" + gbk("否=GBK_编码"));
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "xlt-source-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path write(const std::string& name, const std::string& bytes) const {
        const fs::path p = path / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    fs::path path;
};

struct FileCase {
    std::string name, bytes;
    std::optional<Text> text;
};

TEST(SourceLoadingTest, ReadsFilesAsGbkText) {
    TempDir dir;
    const std::vector<FileCase> cases = {
        {"utf8.txt", kUtf8Page + "\r\n", kUtf8Page + "\r\n"},  // byte for byte
        {"eof-mark.txt",
         "abc\x1A"
         "def",
         "abc"},
        {"nul.txt", "abc\0def"s, "abc"},
        {"empty.txt", "", ""},  // read, and empty
    };
    for (const auto& c : cases) {
        const fs::path p = dir.write(c.name, c.bytes);
        EXPECT_EQ(read_source_file(p.string()), c.text) << c.name;
    }
}

TEST(SourceLoadingTest, ReadOnlyFilesLoad) {
    TempDir dir;
    const fs::path p = dir.write("locked.txt", "locked");
    chmod(p.c_str(), 0444);
    EXPECT_EQ(read_source_file(p.string()), "locked");
    // The running program: no one, not even root, may open it for writing.
    const std::optional<Text> program = read_source_file("/proc/self/exe");
    ASSERT_TRUE(program.has_value());
    EXPECT_EQ(program->substr(0, 4),
              "\x7F"
              "ELF");
}

TEST(SourceLoadingTest, GbkFileNamesAreFound) {
    TempDir dir;
    dir.write("\xE6\xBA\x90.txt", "named");  // 源.txt, UTF-8 on disk
    EXPECT_EQ(read_source_file(dir.path.string() + "/\xD4\xB4.txt"), "named");
}

TEST(SourceLoadingTest, UnreadableFilesAreFailures) {
    TempDir dir;
    const std::string fifo = (dir.path / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> paths = {
        "", (dir.path / "missing.txt").string(),
        dir.path.string(),  // a folder
        fifo,               // would wait for a writer if opened blocking
    };
    for (const auto& p : paths) {
        EXPECT_EQ(read_source_file(p), std::nullopt) << p;
    }
}

TEST(SourceLoadingTest, SourceDialogIsConfiguredAndShown) {
    Text seen_title, seen_folder;
    const auto previous = file_dialog::set_handler([&](const file_dialog::Request& r) {
        seen_title = r.title;
        seen_folder = r.initial_folder;
        return file_dialog::Answer{true, {"/tmp/a.txt"}, 0};
    });
    FileDialogObject dialog;
    configure_source_dialog(dialog, "/home/u/Desktop");
    EXPECT_EQ(choose_source_file(dialog, 0), "/tmp/a.txt");
    EXPECT_EQ(seen_title, gbk("从文本导入"));
    EXPECT_EQ(seen_folder, "/home/u/Desktop/");
    file_dialog::set_handler(nullptr);
    EXPECT_EQ(choose_source_file(dialog, 0), std::nullopt);  // cancelled
    file_dialog::set_handler(previous);
}

struct AddressCase {
    Text typed, address;
};

TEST(SourceLoadingTest, NormalisesTypedAddresses) {
    const std::vector<AddressCase> cases = {
        {"http://www.x.cn/a", "http://www.x.cn/a"},
        {"http:\\\\www.x.cn\\a\\b.htm", "http://www.x.cn/a/b.htm"},
        {"HTTP:\\\\www.x.cn", "HTTP://www.x.cn"},
        {"https:/\\www.x.cn", "https://www.x.cn"},
        {"www.x.cn/a?q=\\", "http://www.x.cn/a?q=\\"},  // query left alone
        {"127.0.0.1:8080/a", "http://127.0.0.1:8080/a"},
        {"//www.x.cn/a", "http://www.x.cn/a"},
        {"  www.x.cn \r\n", "http://www.x.cn"},
        {"ftp://x/a", "ftp://x/a"},
        {"C:\\page.htm", "C:\\page.htm"},
        // 乗 is 81 5C: its second byte is not a backslash to turn
        {"x.cn/\x81\x5C", "http://x.cn/\x81\x5C"},
        {"", ""},
        {"   ", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(normalise_address(c.typed), c.address) << c.typed;
    }
}

TestHttpServer make_server() {
    return TestHttpServer({
        {"/utf8", TestHttpServer::reply(200, kUtf8Page)},
        {"/gbk", TestHttpServer::reply(200, kGbkPage)},
        {"/nul", TestHttpServer::reply(200, "ab\0cd"s)},
        {"/moved", TestHttpServer::reply(301, "", "Location: /gbk\r\n")},
        {"/missing", TestHttpServer::reply(404, "<h1>404</h1>")},
        {"/empty", TestHttpServer::reply(200, "")},
        {"/silent", TestHttpServer::silence()},
    });
}

struct PageCase {
    std::string path;
    PageEncoding encoding;
    std::optional<Text> text;
};

TEST(SourceLoadingTest, LoadsPagesInTheChosenEncoding) {
    TestHttpServer server = make_server();
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    http::GetOptions quick;
    quick.timeout = std::chrono::milliseconds(300);
    const std::vector<PageCase> cases = {
        {server.url("/utf8"), PageEncoding::Utf8, kGbkPage},
        {server.url("/utf8"), PageEncoding::Gbk, kUtf8Page},  // garbled, ASCII intact
        {server.url("/gbk"), PageEncoding::Gbk, kGbkPage},
        {server.url("/gbk"), PageEncoding::Utf8, "<b>" + std::string(4, '?') + "</b>"},
        {server.url("/nul"), PageEncoding::Gbk, "ab"},
        {server.url("/moved"), PageEncoding::Gbk, kGbkPage},
        {server.url("/missing"), PageEncoding::Gbk, "<h1>404</h1>"},
        {server.url("/empty"), PageEncoding::Utf8, ""},
        {"http:\\\\" + host + "\\gbk", PageEncoding::Gbk, kGbkPage},
        {host + "/gbk", PageEncoding::Gbk, kGbkPage},
        // nothing could be read: the box keeps its text
        {server.url("/silent"), PageEncoding::Gbk, std::nullopt},
        {"http://127.0.0.1:" + std::to_string(TestHttpServer::closed_port()), PageEncoding::Gbk,
         std::nullopt},
        {"", PageEncoding::Utf8, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(load_page(c.path, c.encoding, quick), c.text) << c.path;
    }
}

}  // namespace
}  // namespace xlt::source
