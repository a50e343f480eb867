#include "app/layout.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QRect>
#include <ostream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "gui_support.h"

namespace xlt::ui {
std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << ")";
}
}  // namespace xlt::ui

namespace xlt::app {
namespace {

using test::find;
using ui::Rect;

struct PlanCase {
    int width, height;
    bool tree;
    Rect LayoutPlan::*control;
    const char* name;
    Rect expected;
};

TEST(LayoutPlanTest, PlacesFollowTheWindowSize) {
    const std::vector<PlanCase> cases = {
        // The size after start-up, tree hidden.
        {800, 600, false, &LayoutPlan::main_tab, "main tab", {4, 57, 776, 479}},
        {800, 600, false, &LayoutPlan::sample_edit, "sample", {6, 40, 764, 88}},
        {800, 600, false, &LayoutPlan::target_tab, "target tab", {6, 135, 764, 339}},
        {800, 600, false, &LayoutPlan::target_list, "target list", {8, 60, 748, 273}},
        {800, 600, false, &LayoutPlan::generate_button, "generate", {6, 5, 64, 32}},
        {800, 600, false, &LayoutPlan::rules_button, "rules", {6, 5, 64, 32}},
        {800, 600, false, &LayoutPlan::match_button, "match", {70, 5, 64, 32}},
        {800, 600, false, &LayoutPlan::replace_button, "replace", {134, 5, 64, 32}},
        {800, 600, false, &LayoutPlan::code_button, "code", {198, 5, 64, 32}},
        {800, 600, false, &LayoutPlan::tutorial_button, "tutorial", {262, 5, 64, 32}},
        {800, 600, false, &LayoutPlan::expression_edit, "expression", {6, 40, 764, 88}},
        {800, 600, false, &LayoutPlan::match_tab, "match tab", {6, 135, 764, 339}},
        {800, 600, false, &LayoutPlan::hint_edit, "hint", {8, 30, 748, 303}},
        {800, 600, false, &LayoutPlan::source_edit, "source", {8, 60, 748, 273}},
        {800, 600, false, &LayoutPlan::result_list, "results", {8, 60, 748, 273}},
        {800, 600, false, &LayoutPlan::replace_edit, "replace result", {8, 30, 748, 303}},
        {800, 600, false, &LayoutPlan::code_edit, "code edit", {8, 60, 748, 273}},
        // The tree shifts the tool row and the match area, not the target tab.
        {800, 600, true, &LayoutPlan::tree, "tree", {5, 5, 180, 469}},
        {800, 600, true, &LayoutPlan::rules_button, "rules", {191, 5, 64, 32}},
        {800, 600, true, &LayoutPlan::tutorial_button, "tutorial", {447, 5, 64, 32}},
        {800, 600, true, &LayoutPlan::expression_edit, "expression", {191, 40, 579, 88}},
        {800, 600, true, &LayoutPlan::match_tab, "match tab", {191, 135, 579, 339}},
        {800, 600, true, &LayoutPlan::source_edit, "source", {8, 60, 563, 273}},
        {800, 600, true, &LayoutPlan::target_tab, "target tab", {6, 135, 764, 339}},
        // The minimum size still leaves positive areas.
        {550, 530, false, &LayoutPlan::main_tab, "main tab", {4, 57, 526, 409}},
        {550, 530, false, &LayoutPlan::target_list, "target list", {8, 60, 498, 203}},
        {550, 530, true, &LayoutPlan::expression_edit, "expression", {191, 40, 329, 88}},
        // Far below the minimum, sizes stop at 0 and feed the rows inside as 0.
        {10, 10, false, &LayoutPlan::main_tab, "main tab", {4, 57, 0, 0}},
        {10, 10, false, &LayoutPlan::target_tab, "target tab", {6, 135, 0, 0}},
        {10, 10, true, &LayoutPlan::tree, "tree", {5, 5, 180, 0}},
        {10, 10, false, &LayoutPlan::code_edit, "code edit", {8, 60, 0, 0}},
    };
    for (const auto& c : cases) {
        const LayoutPlan plan = plan_layout(c.width, c.height, 20, c.tree);
        EXPECT_EQ(plan.*c.control, c.expected)
            << c.name << " at " << c.width << "x" << c.height << (c.tree ? " with tree" : "");
    }
}

TEST(LayoutPlanTest, StatusBarHeightShrinksThePages) {
    EXPECT_EQ(plan_layout(800, 600, 30, false).main_tab, (Rect{4, 57, 776, 469}));
}

// --- On the real window -----------------------------------------------------------------

class WindowLayoutTest : public test::RunDirectoryTest {
protected:
    static Rect geometry(const char* name) {
        QWidget* w = find(name);
        EXPECT_NE(w, nullptr) << name;
        if (w == nullptr) {
            return {};
        }
        const QRect g = w->geometry();
        return {g.x(), g.y(), g.width(), g.height()};
    }

    struct Expect {
        const char* name;
        Rect place;
    };

    static void check(const std::vector<Expect>& expected, const std::string& when) {
        for (const auto& e : expected) {
            EXPECT_EQ(geometry(e.name), e.place) << e.name << " " << when;
        }
    }
};

TEST_F(WindowLayoutTest, StartUpSizeWithAndWithoutTheTree) {
    MainWindow window(dir_);
    window.start();
    ASSERT_EQ(window.窗口.outer_width(), 800);
    ASSERT_EQ(window.窗口.outer_height(), 600);
    ASSERT_EQ(window.状态条1.height(), 20);

    check({{"高级选择夹_主", {4, 57, 776, 479}},
           {"编辑框_待生成文本", {6, 40, 764, 88}},
           {"高级选择夹_待取", {6, 135, 764, 339}},
           {"超级列表框_待取文本", {8, 60, 748, 273}},
           {"按钮_生成表达式", {6, 5, 64, 32}},
           {"按钮_规则", {6, 5, 64, 32}},
           {"按钮_匹配", {70, 5, 64, 32}},
           {"按钮_替换", {134, 5, 64, 32}},
           {"按钮_生成", {198, 5, 64, 32}},
           {"按钮_教程", {262, 5, 64, 32}},
           {"编辑框_表达式", {6, 40, 764, 88}},
           {"高级选择夹_表达式匹配", {6, 135, 764, 339}},
           // Pages that are not current are laid out too.
           {"编辑框_提示", {8, 30, 748, 303}},
           {"编辑框_源文本", {8, 60, 748, 273}},
           {"超级列表框_匹配结果", {8, 60, 748, 273}},
           {"编辑框_替换结果", {8, 30, 748, 303}},
           {"编辑框_生成代码", {8, 60, 748, 273}},
           // Never moved: designed places.
           {"树型框1", {492, 55, 180, 56}},
           {"选择框_全局", {334, 11, 48, 24}},
           {"按钮_添加", {348, 30, 80, 20}}},
          "at start");

    find<QAbstractButton>("按钮_规则")->click();
    check({{"树型框1", {5, 5, 180, 469}},
           {"按钮_规则", {191, 5, 64, 32}},
           {"按钮_匹配", {255, 5, 64, 32}},
           {"按钮_替换", {319, 5, 64, 32}},
           {"按钮_生成", {383, 5, 64, 32}},
           {"按钮_教程", {447, 5, 64, 32}},
           {"编辑框_表达式", {191, 40, 579, 88}},
           {"高级选择夹_表达式匹配", {191, 135, 579, 339}},
           {"编辑框_源文本", {8, 60, 563, 273}},
           {"高级选择夹_待取", {6, 135, 764, 339}},
           {"选择框_区分大小写", {390, 12, 88, 24}}},
          "with the tree");

    // Hidden again: the row goes back, and the tree keeps its last place.
    find<QAbstractButton>("按钮_规则")->click();
    check({{"树型框1", {5, 5, 180, 469}},
           {"按钮_规则", {6, 5, 64, 32}},
           {"编辑框_表达式", {6, 40, 764, 88}},
           {"高级选择夹_表达式匹配", {6, 135, 764, 339}}},
          "tree hidden again");
}

struct SizeCase {
    int width, height;
    int expected_width, expected_height;
};

TEST_F(WindowLayoutTest, MinimumSizeIsEnforcedAfterTheFact) {
    MainWindow window(dir_);
    window.start();
    const std::vector<SizeCase> cases = {
        {400, 400, 550, 530},  // a drag below the minimum in both directions
        {550, 530, 550, 530},  // exactly the minimum
        {500, 700, 550, 700}, {900, 300, 900, 530}, {551, 531, 551, 531}, {800, 600, 800, 600},
    };
    for (const auto& c : cases) {
        window.窗口.set_outer_size(c.width, c.height);
        EXPECT_EQ(window.窗口.outer_width(), c.expected_width) << c.width << "x" << c.height;
        EXPECT_EQ(window.窗口.outer_height(), c.expected_height) << c.width << "x" << c.height;
    }

    window.窗口.set_outer_size(400, 400);
    check({{"高级选择夹_主", {4, 57, 526, 409}}, {"超级列表框_待取文本", {8, 60, 498, 203}}},
          "after a drag to 400x400");
    find<QAbstractButton>("按钮_规则")->click();
    EXPECT_EQ(geometry("编辑框_表达式").width, 329);
}

}  // namespace
}  // namespace xlt::app
