// xilitong-cli: the generator, the match engine and the code generator of the window,
// for scripts and tests.
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace {

struct Command {
    std::string_view name;
    int (*run)(const xlt::cli::Args&, xlt::cli::Streams&);
    std::string_view summary;
};

// One line per subcommand.
const std::vector<Command> kCommands = {
    {"generate", xlt::cli::run_generate, "an expression from a sample text and its targets"},
    {"code", xlt::cli::run_code, "Easy Language code that applies an expression"},
    {"match", xlt::cli::run_match, "the matches of an expression in a source file"},
};

void print_usage(std::ostream& out) {
    out << "usage: xilitong-cli COMMAND [OPTIONS]\n\ncommands:\n";
    for (const Command& c : kCommands) {
        out << "  " << c.name << std::string(10 - c.name.size(), ' ') << c.summary << '\n';
    }
    out << "\n'xilitong-cli COMMAND --help' describes a command's options.\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    xlt::cli::Streams io{std::cin, std::cout, std::cerr};
    if (argc < 2) {
        print_usage(std::cerr);
        return 2;
    }
    const std::string_view name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        print_usage(std::cout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (c.name == name) {
            const xlt::cli::Args args(argv + 2, argv + argc);
            const int status = c.run(args, io);
            std::cout.flush();
            return status;
        }
    }
    std::cerr << "xilitong-cli: unknown command '" << name << "' (see --help)\n";
    return 2;
}
