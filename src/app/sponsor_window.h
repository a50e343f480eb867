// The sponsor window: a frameless picture with a close button, shown modally from the
// tool bar.
#pragma once

#include "platform/ui/controls.h"

namespace xlt::app {

class SponsorWindow {
public:
    // Loads the window (400 x 300, centred on the screen); it is shown by run_modal.
    SponsorWindow();
    SponsorWindow(const SponsorWindow&) = delete;
    SponsorWindow& operator=(const SponsorWindow&) = delete;

    // Shows the window modally and returns when 按钮1 has closed it.
    void run_modal();
    void close_sponsor_window();

    ui::Window 窗口;
    ui::Button 按钮1;
};

}  // namespace xlt::app
