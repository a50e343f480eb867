#include "app/main_window.h"

// Registers the pictures and pages compiled from resources/xilitong.qrc. The program's
// libraries are static, so nothing would pull the resource data in without this call.
int qInitResources_xilitong();

namespace xlt::app {

void load_resources() {
    static const int registered = qInitResources_xilitong();
    (void)registered;
}

}  // namespace xlt::app
