#include "app/sponsor_window.h"

#include "app/gbk.h"
#include "app/main_window.h"

namespace xlt::app {

SponsorWindow::SponsorWindow()
    : 窗口("SponsorWindow", gbk("赞助作者开发"), 400, 300, ui::Window::Frame::none),
      按钮1(窗口, "按钮1", {312, 8, 80, 32}, gbk("关闭")) {
    load_resources();
    窗口.set_background(":/xilitong/sponsor_picture.png");
    按钮1.on_click = [this] { close_sponsor_window(); };
}

void SponsorWindow::run_modal() {
    窗口.centre_on_screen();
    窗口.show_modal();
}

void SponsorWindow::close_sponsor_window() {
    窗口.close();
}

}  // namespace xlt::app
