// 析理通: the window program.
#include "app/main_window.h"
#include "platform/files.h"

int main(int argc, char** argv) {
    return xlt::app::run_program(argc, argv, xlt::files::run_directory());
}
