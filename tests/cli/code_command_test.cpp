// Runs the real xilitong-cli binary.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace {

struct CliRun {
    int status = -1;
    std::string out, err;
};

std::string drain(int fd) {
    std::string data;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) {
        data.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    return data;
}

// Runs xilitong-cli with `args`, standard input from `input_file` (or /dev/null).
CliRun run_cli(const std::vector<std::string>& args, const std::string& input_file = "/dev/null") {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open(input_file.c_str(), O_RDONLY);
        dup2(in, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        std::vector<char*> argv{const_cast<char*>(XLT_CLI), const_cast<char*>("code")};
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(XLT_CLI, argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    CliRun r;
    r.err = drain(err[0]);  // both outputs are far below a pipe's capacity
    r.out = drain(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(XLT_FIXTURES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string kExpression = "<span class=num>(\\d+)</span>";

TEST(CodeCommandTest, PrintsTheWholeCode) {
    const CliRun gbk =
        run_cli({"--library", "1", "--mode", "0", "--pattern", kExpression, "--encoding", "gbk"});
    EXPECT_EQ(gbk.status, 0) << gbk.err;
    EXPECT_EQ(gbk.out, fixture("codegen/regex_batch.txt"));

    const CliRun utf8 = run_cli({"--library=0", "--mode=1", "--pattern", kExpression});
    EXPECT_EQ(utf8.status, 0) << utf8.err;
    EXPECT_EQ(utf8.out, xlt::codepage::gbk_to_utf8(fixture("codegen/jingyi_single.txt")));
}

TEST(CodeCommandTest, QuotesFromAPatternFile) {
    const std::string path = testing::TempDir() + "xlt-code-pattern.txt";
    std::ofstream(path, std::ios::binary) << "href=\xE2\x80\x9C(.*?)\xE2\x80\x9D\n";  // “ ”
    const CliRun r =
        run_cli({"--library", "0", "--mode", "0", "--pattern-file", "-", "--quotes"}, path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\xE2\x80\x9Chref=#\xE5\xBC\x95\xE5\x8F\xB7(.*?)#\xE5\xBC\x95\xE5\x8F\xB7"
                         "\xE2\x80\x9D, "),
              std::string::npos)
        << r.out;
    std::remove(path.c_str());
}

TEST(CodeCommandTest, BadUsageAndInputAreRefused) {
    const std::vector<std::vector<std::string>> cases = {
        {"--library", "0", "--pattern", "x"},
        {"--library", "2", "--mode", "0", "--pattern", "x"},
        {"--library", "0", "--mode", "0"},
        {"--library", "0", "--mode", "0", "--pattern", "x", "--pattern-file", "-"},
        {"--library", "0", "--mode", "0", "--pattern-file", "/nonexistent/x"},
        {"--library", "0", "--mode", "0", "--pattern", "\xFF"},  // not UTF-8
        {"--library", "0", "--mode", "0", "--pattern", "x", "--encoding", "latin1"},
        {"--library", "0", "--mode", "0", "--pattern", "x", "--bogus"},
        {"--library"},
    };
    for (const auto& args : cases) {
        const CliRun r = run_cli(args);
        std::string line;
        for (const auto& a : args) {
            line += a + " ";
        }
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_TRUE(r.out.empty()) << line;
        EXPECT_NE(r.err.find("xilitong-cli code: "), std::string::npos) << line;
    }
}

}  // namespace
