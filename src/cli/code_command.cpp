// xilitong-cli code: the Easy Language code of the window's code page for an expression.
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "codegen/code_generator.h"
#include "platform/codepage.h"

namespace xlt::cli {
namespace {

constexpr std::string_view kCodeHelp =
    R"(usage: xilitong-cli code --library 0|1 --mode 0|1 (--pattern TEXT | --pattern-file FILE)
                        [--quotes] [--encoding utf-8|gbk]

Prints the Easy Language subroutine that applies the expression, exactly as the
window's "生成" on the code page puts it into the code box (CR LF line breaks, no
line break at the end).

  --library N       0: the regex class of the 精易模块 module, 1: the RegEx support library
  --mode N          0: return the number of matches (批量匹配), 1: return one match (单个匹配)
  --pattern TEXT    the expression
  --pattern-file F  read the expression from F ("-" for standard input); one line break
                    at its end is dropped
  --quotes          handle the quotes " “ ” of the expression as answering 是 to the
                    window's question does: written as #引号 for 精易模块, joined in as
                    the constant #引号 for 核心支持库
  --encoding E      encoding of the expression and of the output: utf-8 (default) or gbk

Exit status: 0 on success, 2 on a usage, file or input error.
)";

int usage_error(Streams& io, const std::string& message) {
    io.err << "xilitong-cli code: " << message << " (see --help)\n";
    return 2;
}

int input_error(Streams& io, const std::string& message) {
    io.err << "xilitong-cli code: " << message << '\n';
    return 2;
}

std::optional<int> parse_index(std::string_view value) {
    if (value == "0") {
        return 0;
    }
    if (value == "1") {
        return 1;
    }
    return std::nullopt;
}

}  // namespace

int run_code(const Args& args, Streams& io) {
    std::optional<int> library, mode;
    std::optional<std::string> pattern, pattern_file;
    bool quotes = false;
    bool gbk = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const std::size_t eq = name.find('=');
            name.starts_with("--") && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const auto take_value = [&]() -> std::optional<std::string> {
            if (value) {
                return value;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        if (name == "--help" || name == "-h") {
            io.out << kCodeHelp;
            return 0;
        }
        if (name == "--quotes") {
            quotes = true;
            continue;
        }
        if (name != "--library" && name != "--mode" && name != "--pattern" &&
            name != "--pattern-file" && name != "--encoding") {
            return usage_error(io, "unknown option '" + args[i] + "'");
        }
        const std::optional<std::string> v = take_value();
        if (!v) {
            return usage_error(io, name + " needs a value");
        }
        if (name == "--library" || name == "--mode") {
            const std::optional<int> index = parse_index(*v);
            if (!index) {
                return usage_error(io, name + " must be 0 or 1, not '" + *v + "'");
            }
            (name == "--library" ? library : mode) = index;
        } else if (name == "--pattern") {
            pattern = *v;
        } else if (name == "--pattern-file") {
            pattern_file = *v;
        } else if (*v == "gbk" || *v == "GBK") {
            gbk = true;
        } else if (*v == "utf-8" || *v == "utf8" || *v == "UTF-8") {
            gbk = false;
        } else {
            return usage_error(io, "unknown encoding '" + *v + "' (utf-8 or gbk)");
        }
    }
    if (!library || !mode) {
        return usage_error(io, "--library and --mode are both needed");
    }
    if (pattern.has_value() == pattern_file.has_value()) {
        return usage_error(io, "give either --pattern or --pattern-file");
    }

    std::string bytes;
    if (pattern) {
        bytes = *pattern;
    } else {
        if (*pattern_file == "-") {
            bytes.assign(std::istreambuf_iterator<char>(io.in), std::istreambuf_iterator<char>());
        } else {
            std::ifstream in(*pattern_file, std::ios::binary);
            if (!in) {
                return input_error(io, "cannot read '" + *pattern_file + "'");
            }
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (in.bad()) {
                return input_error(io, "cannot read '" + *pattern_file + "'");
            }
        }
        if (bytes.ends_with("\r\n")) {
            bytes.resize(bytes.size() - 2);
        } else if (bytes.ends_with('\n')) {
            bytes.pop_back();
        }
    }
    if (bytes.find('\0') != std::string::npos) {
        return input_error(io, "the expression holds a NUL byte");
    }
    if (!codepage::is_well_formed(bytes, gbk ? codepage::kGbk : codepage::kUtf8)) {
        return input_error(io,
                           std::string("the expression is not valid ") + (gbk ? "GBK" : "UTF-8"));
    }

    const Text expression = gbk ? bytes : codepage::utf8_to_gbk(bytes);
    const Text code = quotes
                          ? codegen::generate_code_with_quote_handling(*library, *mode, expression)
                          : codegen::generate_code(*library, *mode, expression);
    io.out << (gbk ? code : codepage::gbk_to_utf8(code));
    return 0;
}

}  // namespace xlt::cli
