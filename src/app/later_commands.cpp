// Commands whose buttons are on the main window but whose work belongs to the generator,
// the match run, the code generator and the source loading. They are wired to their
// controls already and do nothing until that work is connected here.
#include "app/main_window.h"

namespace xlt::app {

void MainWindow::configure_file_dialog() {}
void MainWindow::generate_expression() {}
void MainWindow::run_match() {}
void MainWindow::ask_and_generate_code() {}
void MainWindow::generate_code() {}
void MainWindow::copy_code() {}
void MainWindow::load_from_file() {}
void MainWindow::load_from_url() {}

}  // namespace xlt::app
