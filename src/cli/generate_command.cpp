// xilitong-cli generate: the expression generator of the window, from a sample file and
// targets given on the command line.
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "generator/generate.h"
#include "generator/target_list.h"
#include "platform/codepage.h"

namespace xlt::cli {
namespace {

constexpr std::string_view kUsage =
    R"(usage: xilitong-cli generate --sample-file FILE [--target KIND:TEXT]... [--no-groups]
                            [--encoding utf-8|gbk]

Generates an expression from a sample text and the targets in it, as the window's
"生成" button does, and prints it followed by a newline.

  --sample-file FILE   the sample text; "-" reads standard input. Its line breaks
                       become CR LF first, as the window's edit box holds them.
  --target KIND:TEXT   a target, repeatable; targets keep their order. TEXT is
                       everything after the first colon. KIND is one of
                         通常方式 (any)    any text
                         整数型 (int)      a run of digits
                         日期型 (date)     a date such as 2016-11-09
                         手机号 (mobile)   eleven or more digits
                         IP段 (ip)         an address such as 10.0.0.1
                         IP段+端口 (ip-port) an address and port, 10.0.0.1:80
  --no-groups          the targets' fragments without parentheses (sub-match mode off)
  --encoding ENC       utf-8 (the default) or gbk: the encoding of the sample file and
                       of the printed expression. Arguments are read as UTF-8.

Inside, all text is GBK: a character that GBK lacks becomes "?".
Exit status: 0 success; 2 a usage error, an unknown kind, an unreadable file, or input
that is not valid in its encoding (one line on standard error).
)";

constexpr std::array<std::string_view, 6> kKindAliases = {"any",    "int", "date",
                                                          "mobile", "ip",  "ip-port"};

struct UsageError {
    std::string message;
};

// Lone CR and lone LF become CR LF; CR LF stays. Neither byte can be the second byte of a
// GBK character, so the bytes can be scanned one by one.
Text with_crlf_line_breaks(std::string_view text) {
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += c;
        }
    }
    return out;
}

std::string read_all(std::istream& in) {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string read_sample(const std::string& path, std::istream& standard_input) {
    if (path == "-") {
        return read_all(standard_input);
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw UsageError{"cannot read " + path + ": " + std::strerror(errno)};
    }
    std::string bytes = read_all(file);
    if (file.bad()) {
        throw UsageError{"cannot read " + path + ": " + std::strerror(errno)};
    }
    return bytes;
}

// The sample in GBK: checked in its encoding, a UTF-8 byte-order mark dropped.
Text decode_sample(std::string bytes, int codepage, const std::string& path) {
    const std::string name = path == "-" ? "standard input" : path;
    if (codepage == codepage::kUtf8 && bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
    }
    if (!codepage::is_well_formed(bytes, codepage)) {
        throw UsageError{name + " is not valid " + (codepage == codepage::kUtf8 ? "UTF-8" : "GBK") +
                         " text"};
    }
    if (bytes.find('\0') != std::string::npos) {
        throw UsageError{name + " holds a NUL byte, which a text cannot hold"};
    }
    return with_crlf_line_breaks(codepage == codepage::kUtf8 ? codepage::utf8_to_gbk(bytes)
                                                             : bytes);
}

// KIND:TEXT with KIND a name (UTF-8) or an alias.
TargetEntry parse_target(const std::string& argument) {
    const std::size_t colon = argument.find(':');
    if (colon == std::string::npos) {
        throw UsageError{"--target needs KIND:TEXT, got '" + argument + "'"};
    }
    const std::string kind = argument.substr(0, colon);
    const std::string text = argument.substr(colon + 1);
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < kAttributeKinds.size(); ++i) {
        if (kind == kKindAliases[i] || kind == codepage::gbk_to_utf8(kAttributeKinds[i].name)) {
            found = i;
        }
    }
    if (!found) {
        throw UsageError{"unknown target kind '" + kind +
                         "' (one of 通常方式 整数型 日期型 手机号 IP段 IP段+端口, or any int "
                         "date mobile ip ip-port)"};
    }
    if (!codepage::is_well_formed(text, codepage::kUtf8)) {
        throw UsageError{"the target '" + argument + "' is not valid UTF-8"};
    }
    if (text.empty()) {
        throw UsageError{"the target '" + argument + "' has no text after the colon"};
    }
    return {with_crlf_line_breaks(codepage::utf8_to_gbk(text)), Text(kAttributeKinds[*found].name)};
}

}  // namespace

int run_generate(const Args& args, Streams& io) {
    try {
        std::optional<std::string> sample_path;
        std::vector<TargetEntry> rows;
        bool groups = true;
        int codepage = codepage::kUtf8;
        for (std::size_t i = 0; i < args.size(); ++i) {
            std::string option = args[i];
            std::optional<std::string> value;
            if (const std::size_t equals = option.find('=');
                option.starts_with("--") && equals != std::string::npos) {
                value = option.substr(equals + 1);
                option.resize(equals);
            }
            auto take_value = [&]() -> std::string {
                if (value) {
                    return *value;
                }
                if (i + 1 >= args.size()) {
                    throw UsageError{option + " needs a value"};
                }
                return args[++i];
            };
            if (option == "--help" || option == "-h") {
                io.out << kUsage;
                return 0;
            } else if (option == "--sample-file") {
                sample_path = take_value();
            } else if (option == "--target") {
                rows.push_back(parse_target(take_value()));
            } else if (option == "--no-groups" && !value) {
                groups = false;
            } else if (option == "--encoding") {
                const std::string name = take_value();
                if (name == "utf-8" || name == "utf8" || name == "UTF-8") {
                    codepage = codepage::kUtf8;
                } else if (name == "gbk" || name == "GBK") {
                    codepage = codepage::kGbk;
                } else {
                    throw UsageError{"unknown encoding '" + name + "' (utf-8 or gbk)"};
                }
            } else {
                throw UsageError{"unknown argument '" + args[i] + "' (see --help)"};
            }
        }
        if (!sample_path) {
            throw UsageError{"--sample-file is required (see --help)"};
        }
        const Text sample = decode_sample(read_sample(*sample_path, io.in), codepage, *sample_path);
        const Text expression = generate_expression(sample, rows, groups);
        io.out << (codepage == codepage::kUtf8 ? codepage::gbk_to_utf8(expression) : expression)
               << '\n';
        return 0;
    } catch (const UsageError& error) {
        io.err << "xilitong-cli generate: " << error.message << '\n';
        return 2;
    }
}

}  // namespace xlt::cli
