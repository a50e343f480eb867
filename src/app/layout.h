// Where the large controls of the main window go for a given window size.
#pragma once

#include "platform/ui/controls.h"

namespace xlt::app {

// The smallest outer size the main window keeps.
inline constexpr int kMinimumWidth = 550;
inline constexpr int kMinimumHeight = 530;
// How far the tool row and the match area move right while the rules tree is shown.
inline constexpr int kTreeOffset = 185;

// Places of the controls that follow the window's size, in the order they are moved.
// Places on a tab page are relative to that tab control.
struct LayoutPlan {
    ui::Rect main_tab;         // 高级选择夹_主
    ui::Rect sample_edit;      // 编辑框_待生成文本
    ui::Rect target_tab;       // 高级选择夹_待取
    ui::Rect target_list;      // 超级列表框_待取文本
    ui::Rect generate_button;  // 按钮_生成表达式
    bool tree_shown = false;
    ui::Rect tree;             // 树型框1, moved only while it is shown
    ui::Rect rules_button;     // 按钮_规则
    ui::Rect match_button;     // 按钮_匹配
    ui::Rect replace_button;   // 按钮_替换
    ui::Rect code_button;      // 按钮_生成
    ui::Rect tutorial_button;  // 按钮_教程
    ui::Rect expression_edit;  // 编辑框_表达式
    ui::Rect match_tab;        // 高级选择夹_表达式匹配
    ui::Rect hint_edit;        // 编辑框_提示
    ui::Rect source_edit;      // 编辑框_源文本
    ui::Rect result_list;      // 超级列表框_匹配结果
    ui::Rect replace_edit;     // 编辑框_替换结果
    ui::Rect code_edit;        // 编辑框_生成代码
};

// The plan for a window of the given outer size whose status bar is `status_height`
// high. Sizes of the tab controls feed the rows inside them as a control reports its size
// back: a control is never less than 0 wide or high, so a window far below the minimum
// (while minimised, say) gives empty controls rather than negative ones.
LayoutPlan plan_layout(int outer_width, int outer_height, int status_height, bool tree_shown);

}  // namespace xlt::app
