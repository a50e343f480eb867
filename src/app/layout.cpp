#include "app/layout.h"

#include <algorithm>

namespace xlt::app {
namespace {

// A place as the control keeps it: negative sizes become 0.
ui::Rect placed(int left, int top, int width, int height) {
    return {left, top, std::max(0, width), std::max(0, height)};
}

}  // namespace

LayoutPlan plan_layout(int outer_width, int outer_height, int status_height, bool tree_shown) {
    LayoutPlan p;
    p.main_tab = placed(4, 57, outer_width - 24, outer_height - 101 - status_height);
    const int wm = p.main_tab.width;
    const int hm = p.main_tab.height;

    p.sample_edit = placed(6, 40, wm - 12, 88);
    p.target_tab = placed(6, 135, wm - 12, hm - 140);
    p.target_list = placed(8, 60, p.target_tab.width - 16, p.target_tab.height - 66);
    p.generate_button = placed(6, 5, 64, 32);

    p.tree_shown = tree_shown;
    const int x = tree_shown ? kTreeOffset : 0;
    if (tree_shown) {
        p.tree = placed(5, 5, 180, hm - 10);
    }
    p.rules_button = placed(x + 6, 5, 64, 32);
    p.match_button = placed(x + 70, 5, 64, 32);
    p.replace_button = placed(x + 134, 5, 64, 32);
    p.code_button = placed(x + 198, 5, 64, 32);
    p.tutorial_button = placed(x + 262, 5, 64, 32);
    p.expression_edit = placed(x + 6, 40, wm - x - 12, 88);
    p.match_tab = placed(x + 6, 135, wm - x - 12, hm - 140);

    const int we = p.match_tab.width;
    const int he = p.match_tab.height;
    p.hint_edit = placed(8, 30, we - 16, he - 36);
    p.source_edit = placed(8, 60, we - 16, he - 66);
    p.result_list = placed(8, 60, we - 16, he - 66);
    p.replace_edit = placed(8, 30, we - 16, he - 36);
    p.code_edit = placed(8, 60, we - 16, he - 66);
    return p;
}

}  // namespace xlt::app
