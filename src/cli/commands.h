// The subcommands of xilitong-cli. Each takes the arguments after its name and the
// three standard streams, and returns the exit status: 0 success, 1 a negative result
// the command documents, 2 a usage, file or input error (one line on `err`).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace xlt::cli {

struct Streams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

using Args = std::vector<std::string>;

int run_generate(const Args&, Streams&);
int run_code(const Args&, Streams&);
int run_match(const Args&, Streams&);

}  // namespace xlt::cli
