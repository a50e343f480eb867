// xilitong-cli match: runs an expression over a source file through RegexObject with
// the options of the window's match run and prints every match as JSON (UTF-8).
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "match/regex_object.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace xlt::cli {
namespace {

constexpr const char* kUsage =
    "usage: xilitong-cli match (--pattern TEXT | --pattern-file FILE) --source-file FILE\n"
    "                          [--case-sensitive] [--multiline] [--no-global] [--quotes]\n"
    "                          [--encoding utf-8|gbk]\n"
    "Runs the expression over the source text, ignoring case unless --case-sensitive,\n"
    "globally unless --no-global; with --quotes \"#引号\" stands for a double quote.\n"
    "Files are UTF-8 unless --encoding gbk; TEXT is UTF-8. Prints one JSON object:\n"
    "{\"ok\": true, \"count\": N, \"groups\": M, \"matches\": [{\"text\": ..., \"groups\": "
    "[...]}, ...]}\n"
    "Exit status: 0 the expression is valid, 1 it is not, 2 a usage or file error.\n";

bool read_file(const std::string& path, std::string& bytes) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    bytes = std::move(content).str();
    return !in.bad();
}

void append_json_string(std::string& out, const std::string& utf8) {
    out += '"';
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    static const char* hex = "0123456789abcdef";
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 0xF];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

}  // namespace

int run_match(const Args& args, Streams& io) {
    std::string pattern_arg;
    std::string pattern_file;
    std::string source_file;
    bool have_pattern = false;
    bool case_sensitive = false;
    bool multiline = false;
    bool global_search = true;
    bool quotes = false;
    bool gbk = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                io.err << "xilitong-cli match: " << a << " needs a value\n";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            io.out << kUsage;
            return 0;
        } else if (a == "--pattern" || a == "--pattern-file") {
            if (have_pattern) {
                io.err << "xilitong-cli match: give one of --pattern and --pattern-file\n";
                return 2;
            }
            have_pattern = true;
            if (!value(a == "--pattern" ? pattern_arg : pattern_file)) {
                return 2;
            }
            if (a == "--pattern-file" && pattern_file.empty()) {
                io.err << "xilitong-cli match: --pattern-file needs a file name\n";
                return 2;
            }
        } else if (a == "--source-file") {
            if (!value(source_file)) {
                return 2;
            }
        } else if (a == "--encoding") {
            std::string name;
            if (!value(name)) {
                return 2;
            }
            if (name == "gbk") {
                gbk = true;
            } else if (name == "utf-8") {
                gbk = false;
            } else {
                io.err << "xilitong-cli match: unknown encoding '" << name << "' (utf-8 or gbk)\n";
                return 2;
            }
        } else if (a == "--case-sensitive") {
            case_sensitive = true;
        } else if (a == "--multiline") {
            multiline = true;
        } else if (a == "--no-global") {
            global_search = false;
        } else if (a == "--quotes") {
            quotes = true;
        } else {
            io.err << "xilitong-cli match: unknown option '" << a << "'\n" << kUsage;
            return 2;
        }
    }
    if (!have_pattern || source_file.empty()) {
        io.err << "xilitong-cli match: needs a pattern and --source-file\n" << kUsage;
        return 2;
    }

    // Files become Texts as the window reads them: up to the first NUL (or, in GBK, the
    // end-of-file mark).
    auto file_text = [&](const std::string& path, Text& text) {
        std::string bytes;
        if (!read_file(path, bytes)) {
            io.err << "xilitong-cli match: cannot read '" << path << "'\n";
            return false;
        }
        text = gbk ? text_from_file_bytes(bytes) : text_before_nul(codepage::utf8_to_gbk(bytes));
        return true;
    };
    Text pattern;
    if (!pattern_file.empty()) {
        if (!file_text(pattern_file, pattern)) {
            return 2;
        }
    } else {
        pattern = text_before_nul(codepage::utf8_to_gbk(pattern_arg));
    }
    Text source;
    if (!file_text(source_file, source)) {
        return 2;
    }

    RegexObject re;
    const bool ok = re.create(pattern, source, case_sensitive, multiline, global_search, quotes);
    const int count = re.match_count();
    const int groups = re.sub_match_count();
    std::string out = ok ? "{\"ok\": true" : "{\"ok\": false";
    out += ", \"count\": " + std::to_string(count) + ", \"groups\": " + std::to_string(groups) +
           ", \"matches\": [";
    for (int i = 1; i <= count; ++i) {
        out += i == 1 ? "{\"text\": " : ", {\"text\": ";
        append_json_string(out, codepage::gbk_to_utf8(re.match_text(i)));
        out += ", \"groups\": [";
        for (int k = 1; k <= groups; ++k) {
            if (k > 1) {
                out += ", ";
            }
            append_json_string(out, codepage::gbk_to_utf8(re.sub_match_text(i, k)));
        }
        out += "]}";
    }
    out += "]}\n";
    io.out << out;
    return ok ? 0 : 1;
}

}  // namespace xlt::cli
