#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/codepage.h"

namespace xlt::cli {
namespace {

struct Outcome {
    int status;
    std::string out, err;
};

Outcome generate(const Args& args, const std::string& standard_input = "") {
    std::istringstream in(standard_input);
    std::ostringstream out, err;
    Streams io{in, out, err};
    const int status = run_generate(args, io);
    return {status, out.str(), err.str()};
}

struct SuccessCase {
    Args args;
    std::string input;  // standard input, read through "--sample-file -"
    std::string output;
};

TEST(GenerateCommand, PrintsTheExpression) {
    const std::string gbk_sample = codepage::utf8_to_gbk("价格：5");
    const std::vector<SuccessCase> cases = {
        {{"--sample-file", "-", "--target", "int:128"},
         "<span class=num>128</span>",
         R"(\<[a-z][\S\s]*?[a-z]m\>(\d+)\</[\S\s]*?[a-z]n\>)"
         "\n"},
        // Names and aliases, in command-line order.
        {{"--sample-file", "-", "--target", "日期型:2016-11-09", "--target", "int:42"},
         "2016-11-09 共 42 条",
         R"((\d{4}\-\d{2}\-\d{2}) [\u4e00-\u9fa5] (\d+) [\u4e00-\u9fa5])"
         "\n"},
        {{"--sample-file=-", "--target=IP段+端口:10.0.0.1:80"},
         "at 10.0.0.1:80",
         R"([a-z][a-z] (\d+\.\d+\.\d+\.\d+:\d+)$)"
         "\n"},
        {{"--sample-file", "-", "--target", "int:42", "--no-groups"},
         "ID:42",
         R"([A-Z][A-Z]:\d+)"
         "\n"},
        // The target text is everything after the first colon.
        {{"--sample-file", "-", "--target", "any:a:b"}, "xa:by", "[a-z](.*?)[a-z]\n"},
        // Lone LF and lone CR become CR LF, which the expression writes as "\s+".
        {{"--sample-file", "-", "--target", "int:5"},
         "x\n5",
         R"([a-z]\s+(\d+)$)"
         "\n"},
        {{"--sample-file", "-", "--target", "int:5"},
         "x\r5",
         R"([a-z]\s+(\d+)$)"
         "\n"},
        // A UTF-8 byte-order mark is not part of the text.
        {{"--sample-file", "-", "--target", "int:5"}, "\xEF\xBB\xBFx5", "[a-z](\\d+)$\n"},
        // GBK in, GBK out; arguments stay UTF-8.
        {{"--sample-file", "-", "--encoding", "gbk", "--target", "int:5"},
         gbk_sample,
         codepage::utf8_to_gbk(R"([\u4e00-\u9fa5][\u4e00-\u9fa5]：(\d+)$)") + "\n"},
        // A character that GBK lacks becomes "?".
        {{"--sample-file", "-"}, "a😀", "[a-z]\\?\n"},
    };
    for (const auto& c : cases) {
        const Outcome run = generate(c.args, c.input);
        EXPECT_EQ(run.status, 0) << c.input << "\n" << run.err;
        EXPECT_EQ(run.out, c.output) << c.input;
        EXPECT_EQ(run.err, "") << c.input;
    }
}

struct ErrorCase {
    Args args;
    std::string input;
    std::string message_part;
};

TEST(GenerateCommand, RejectsBadInputWithOneLineAndStatusTwo) {
    const std::vector<ErrorCase> cases = {
        {{"--sample-file", "-", "--target", "float:1"}, "1", "unknown target kind 'float'"},
        {{"--sample-file", "-", "--target", "12"}, "12", "KIND:TEXT"},
        {{"--sample-file", "-", "--target", "int:"}, "12", "no text"},
        {{"--sample-file", "/nonexistent/sample.txt"}, "", "cannot read /nonexistent/sample.txt"},
        {{"--sample-file", "-"}, "ab\xFF", "not valid UTF-8"},
        {{"--sample-file", "-", "--encoding", "gbk"}, "ab\x81\x7F", "not valid GBK"},
        {{"--sample-file", "-"}, std::string("a\0b", 3), "NUL"},
        {{"--sample-file", "-", "--encoding", "latin1"}, "a", "unknown encoding"},
        {{"--target", "int:1"}, "1", "--sample-file is required"},
        {{"--sample-file"}, "", "--sample-file needs a value"},
        {{"--sample-file", "-", "--groups"}, "", "unknown argument '--groups'"},
    };
    for (const auto& c : cases) {
        const Outcome run = generate(c.args, c.input);
        EXPECT_EQ(run.status, 2) << c.message_part;
        EXPECT_EQ(run.out, "") << c.message_part;
        EXPECT_NE(run.err.find(c.message_part), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

TEST(GenerateCommand, HelpNamesEveryKindAndAlias) {
    const Outcome run = generate({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* word : {"通常方式", "整数型", "日期型", "手机号", "IP段", "IP段+端口", "any",
                             "int", "date", "mobile", "ip-port", "--no-groups", "--encoding"}) {
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
    }
}

// The installed program, through a shell: arguments, files and exit status as a script
// sees them.
Outcome run_program(const std::string& arguments) {
    const std::string command = std::string(XLT_CLI) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ""};
}

TEST(GenerateProgram, ReadsTheSampleFileAndReportsErrorsByStatus) {
    const std::string path = testing::TempDir() + "generate_sample.txt";
    std::ofstream(path, std::ios::binary) << "<span class=num>128</span>";
    const Outcome ok = run_program("generate --sample-file " + path + " --target int:128");
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "\\<[a-z][\\S\\s]*?[a-z]m\\>(\\d+)\\</[\\S\\s]*?[a-z]n\\>\n");

    const Outcome missing = run_program("generate --sample-file " + path + ".missing");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
}

}  // namespace
}  // namespace xlt::cli
