#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace xlt::cli {
namespace {

struct Result {
    int status;
    std::string out, err;
};

Result run(const Args& args) {
    std::istringstream in;
    std::ostringstream out, err;
    Streams io{in, out, err};
    const int status = run_match(args, io);
    return {status, out.str(), err.str()};
}

class MatchCommandTest : public ::testing::Test {
protected:
    std::string file(const std::string& name, const std::string& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_ = [] {
        auto d = std::filesystem::temp_directory_path() /
                 ("xlt-match-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(d);
        return d;
    }();
};

struct Case {
    Args options;          // after --source-file
    std::string source;    // file content
    std::string expected;  // standard output
    int status;
};

TEST_F(MatchCommandTest, PrintsMatchesAsJson) {
    const std::vector<Case> cases = {
        {{"--pattern", "(a)|(b)"},
         "b",
         R"({"ok": true, "count": 1, "groups": 2, "matches": [{"text": "b", "groups": ["", "b"]}]})",
         0},
        {{"--pattern", "(a"}, "b", R"({"ok": false, "count": 0, "groups": 0, "matches": []})", 1},
        {{"--pattern", "x"}, "b", R"({"ok": true, "count": 0, "groups": 0, "matches": []})", 0},
        {{"--pattern", "A"},
         "aA",
         R"({"ok": true, "count": 2, "groups": 0, "matches": [{"text": "a", "groups": []}, {"text": "A", "groups": []}]})",
         0},
        {{"--pattern", "A", "--case-sensitive", "--no-global"},
         "aAA",
         R"({"ok": true, "count": 1, "groups": 0, "matches": [{"text": "A", "groups": []}]})",
         0},
        {{"--pattern", "^b"}, "a\nb", R"({"ok": true, "count": 0, "groups": 0, "matches": []})", 0},
        {{"--pattern", "^b", "--multiline"},
         "a\nb",
         R"({"ok": true, "count": 1, "groups": 0, "matches": [{"text": "b", "groups": []}]})",
         0},
        {{"--pattern", "#引号.+#引号", "--quotes"},
         "x\"a\\\n\"",
         R"({"ok": true, "count": 0, "groups": 0, "matches": []})",
         0},
        {{"--pattern", "#引号[^#引号]+#引号", "--quotes"},
         "x\"a\\\t\x01\"",
         R"({"ok": true, "count": 1, "groups": 0, "matches": [{"text": "\"a\\\t\u0001\"", "groups": []}]})",
         0},
        {{"--pattern", "中(.)"},
         "中文",
         R"({"ok": true, "count": 1, "groups": 1, "matches": [{"text": "中文", "groups": ["文"]}]})",
         0},
        {{"--pattern", "(.)", "--encoding", "gbk"},
         "\xD6\xD0",
         R"({"ok": true, "count": 1, "groups": 1, "matches": [{"text": "中", "groups": ["中"]}]})",
         0},
    };
    for (const Case& c : cases) {
        Args args = {"--source-file", file("source.txt", c.source)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Result r = run(args);
        EXPECT_EQ(r.status, c.status) << c.options[1];
        EXPECT_EQ(r.out, c.expected + "\n") << c.options[1];
        EXPECT_EQ(r.err, "") << c.options[1];
    }
}

TEST_F(MatchCommandTest, ReadsThePatternFromAFile) {
    const Result r = run({"--pattern-file", file("p.txt", "\xD6\xD0+"), "--encoding", "gbk",
                          "--source-file", file("s.txt", "\xD6\xD0\xD6\xD0")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.out,
        R"({"ok": true, "count": 1, "groups": 0, "matches": [{"text": "中中", "groups": []}]})"
        "\n");
}

TEST_F(MatchCommandTest, UsageAndFileErrorsGiveStatusTwo) {
    const std::string source = file("s.txt", "a");
    const std::vector<Args> cases = {
        {},
        {"--pattern", "a"},
        {"--source-file", source},
        {"--pattern", "a", "--source-file", dir_.string() + "/missing.txt"},
        {"--pattern", "a", "--source-file", dir_.string()},  // a folder
        {"--pattern-file", dir_.string() + "/missing.txt", "--source-file", source},
        {"--pattern", "a", "--pattern-file", source, "--source-file", source},
        {"--pattern", "a", "--source-file", source, "--encoding", "latin1"},
        {"--pattern", "a", "--source-file", source, "--global"},
        {"--pattern", "a", "--source-file"},
    };
    for (const Args& args : cases) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(r.out, "") << ::testing::PrintToString(args);
        EXPECT_NE(r.err, "") << ::testing::PrintToString(args);
    }
}

}  // namespace
}  // namespace xlt::cli
