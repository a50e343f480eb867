// The main window's controls as the user finds them, start-up, and the program's end.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <optional>
#include <string>
#include <vector>

#include "app/side_commands.h"
#include "app/state_files.h"
#include "gui_support.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/ui/fonts.h"

namespace xlt::app {
namespace {

namespace fs = std::filesystem;
using test::find;
using test::q;
using test::utf8;

class MainWindowTest : public test::RunDirectoryTest {};

QString text_of(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        return b->text();
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        return l->text();
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        return e->text();
    }
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
        return e->toPlainText();
    }
    if (auto* e = qobject_cast<QTextEdit*>(w)) {
        return e->toPlainText();
    }
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        return c->currentText();
    }
    return {};
}

struct ControlCase {
    const char* name;
    const char* kind;  // the widget class that shows the control
    ui::Rect place;    // designed place, before the first layout
    std::string text;  // caption, or the text it holds (UTF-8)
    std::optional<bool> ticked = std::nullopt;
    bool visible = true;
    bool enabled = true;
};

TEST_F(MainWindowTest, EveryControlStartsInItsDesignedState) {
    MainWindow window(dir_);
    const std::string spaces20(20, ' ');
    const std::string spaces18(18, ' ');
    const std::vector<ControlCase> cases = {
        {"高级选择夹_主", "QWidget", {0, 57, 696, 552}, ""},
        {"按钮_生成表达式", "QPushButton", {8, 7, 64, 32}, "生成"},
        {"选择框_子匹配模式", "QCheckBox", {88, 14, 88, 24}, "子匹配模式", true},
        {"编辑框_待生成文本", "QPlainTextEdit", {8, 47, 646, 128}, ""},
        {"高级选择夹_待取", "QWidget", {2, 178, 688, 368}, ""},
        {"标签1", "QLabel", {6, 27, 328, 24}, "待取文本：" + spaces20 + "文本属性："},
        {"编辑框_待取文本", "QLineEdit", {62, 30, 120, 20}, ""},
        {"组合框_文本属性", "QComboBox", {242, 30, 100, 24}, "通常方式"},
        {"按钮_添加", "QPushButton", {348, 30, 80, 20}, "添加"},
        {"按钮_清空", "QPushButton", {428, 30, 80, 20}, "清空"},
        {"超级列表框_待取文本", "QTreeView", {8, 61, 656, 304}, ""},
        {"按钮_规则", "QPushButton", {8, 7, 64, 32}, "规则", false},
        {"按钮_匹配", "QPushButton", {72, 7, 64, 32}, "匹配"},
        {"按钮_替换", "QPushButton", {136, 7, 64, 32}, "替换"},
        {"按钮_生成", "QPushButton", {200, 7, 64, 32}, "生成"},
        {"按钮_教程", "QPushButton", {264, 7, 64, 32}, "教程"},
        {"选择框_全局", "QCheckBox", {334, 11, 48, 24}, "全局", true},
        {"选择框_区分大小写", "QCheckBox", {390, 12, 88, 24}, "区分大小写", false},
        {"选择框_多行模式", "QCheckBox", {478, 12, 88, 24}, "多行模式", false},
        {"树型框1", "QTreeWidget", {492, 55, 180, 56}, "", std::nullopt, false},
        {"编辑框_表达式", "QPlainTextEdit", {8, 40, 680, 88}, ""},
        {"高级选择夹_表达式匹配", "QWidget", {8, 135, 680, 416}, ""},
        {"编辑框_提示", "QPlainTextEdit", {8, 32, 664, 376}, ""},
        {"标签2", "QLabel", {8, 29, 40, 24}, "关键字:"},
        {"编辑框_关键字",
         "QLineEdit",
         {50, 32, 102, 20},
         "占不支持查找",
         std::nullopt,
         true,
         false},
        {"按钮6", "QPushButton", {160, 30, 72, 24}, "查找"},
        {"按钮7", "QPushButton", {240, 30, 72, 24}, "本地文件"},
        {"按钮8", "QPushButton", {320, 30, 72, 24}, "网络URL"},
        {"编辑框_源文本", "QPlainTextEdit", {8, 64, 656, 344}, ""},
        {"选择框2", "QCheckBox", {8, 30, 80, 24}, "不复制序号", true},
        {"选择框3", "QCheckBox", {96, 30, 128, 24}, "只复制子匹配文本", false},
        {"超级列表框_匹配结果", "QTreeView", {8, 64, 656, 344}, ""},
        {"编辑框_替换结果", "QTextEdit", {8, 32, 664, 376}, "", std::nullopt, true, false},
        {"标签3", "QLabel", {8, 27, 304, 24}, "生成类型：" + spaces18 + "匹配方式："},
        {"组合框1", "QComboBox", {69, 30, 100, 20}, "精易模块"},
        {"组合框2", "QComboBox", {232, 30, 100, 20}, "批量匹配"},
        {"按钮9", "QPushButton", {338, 30, 80, 24}, "生成"},
        {"按钮10", "QPushButton", {424, 30, 80, 24}, "复制"},
        {"编辑框_生成代码", "QPlainTextEdit", {8, 56, 664, 344}, ""},
    };
    for (const auto& c : cases) {
        QWidget* w = find(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_TRUE(w->inherits(c.kind)) << c.name << " is a " << w->metaObject()->className();
        const QRect g = w->geometry();
        EXPECT_EQ((ui::Rect{g.x(), g.y(), g.width(), g.height()}), c.place) << c.name;
        if (!c.text.empty()) {
            EXPECT_EQ(text_of(w), q(c.text)) << c.name;
        } else if (!w->inherits("QTextEdit")) {
            EXPECT_TRUE(text_of(w).isEmpty()) << c.name;
        }
        if (c.ticked) {
            auto* button = qobject_cast<QAbstractButton*>(w);
            ASSERT_NE(button, nullptr) << c.name;
            EXPECT_TRUE(button->isCheckable()) << c.name;
            EXPECT_EQ(button->isChecked(), *c.ticked) << c.name;
        }
        EXPECT_EQ(w->isVisibleTo(w->parentWidget()), c.visible) << c.name;
        EXPECT_EQ(w->isEnabled(), c.enabled) << c.name;
    }
}

TEST_F(MainWindowTest, ListsCombosPagesTreeAndMenuHoldTheirItems) {
    MainWindow window(dir_);

    auto items = [](const char* name) {
        QStringList out;
        auto* combo = find<QComboBox>(name);
        for (int i = 0; combo != nullptr && i < combo->count(); ++i) {
            out << combo->itemText(i);
        }
        return out;
    };
    EXPECT_EQ(items("组合框_文本属性"),
              (QStringList{"通常方式", "整数型", "日期型", "手机号", "IP段", "IP段+端口"}));
    EXPECT_EQ(items("组合框1"), (QStringList{"精易模块", "核心支持库"}));
    EXPECT_EQ(items("组合框2"), (QStringList{"批量匹配", "单个匹配"}));
    EXPECT_FALSE(find<QComboBox>("组合框1")->isEditable());

    auto columns = [](const char* name) {
        QStringList out;
        auto* view = find<QTreeView>(name);
        for (int i = 0; view != nullptr && i < view->model()->columnCount(); ++i) {
            out << view->model()->headerData(i, Qt::Horizontal).toString() + "/" +
                       QString::number(view->header()->sectionSize(i));
        }
        return out;
    };
    EXPECT_EQ(columns("超级列表框_待取文本"), (QStringList{"待取文本/380", "文本属性/100"}));
    EXPECT_EQ(columns("超级列表框_匹配结果"), (QStringList{"序号/50", "匹配文本/100"}));
    EXPECT_EQ(find<QTreeView>("超级列表框_待取文本")->model()->rowCount(), 0);

    // Tab pages: the main one has no headers and shows page 0; the match tab shows page 1.
    EXPECT_EQ(find("高级选择夹_主")->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly),
              nullptr);
    EXPECT_EQ(window.高级选择夹_主.page_count(), 2);
    EXPECT_EQ(window.高级选择夹_主.current_page(), 0);
    auto titles = [](const char* name) {
        QStringList out;
        auto* bar = find(name)->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly);
        for (int i = 0; bar != nullptr && i < bar->count(); ++i) {
            out << bar->tabText(i);
        }
        return out;
    };
    EXPECT_EQ(titles("高级选择夹_待取"), (QStringList{"待取文本"}));
    EXPECT_EQ(titles("高级选择夹_表达式匹配"),
              (QStringList{"语法提示", "源文本", "匹配结果", "替换结果", "生成代码"}));
    EXPECT_EQ(window.高级选择夹_表达式匹配.current_page(), 1);
    EXPECT_EQ(find("高级选择夹_表达式匹配")
                  ->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly)
                  ->currentIndex(),
              1);

    // The rules tree: the syntax item expanded with three children, then one more item.
    auto* tree = find<QTreeWidget>("树型框1");
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    QTreeWidgetItem* syntax = tree->topLevelItem(0);
    EXPECT_EQ(syntax->text(0), q("正则表达式语法说明"));
    EXPECT_TRUE(syntax->isExpanded());
    ASSERT_EQ(syntax->childCount(), 3);
    EXPECT_EQ(syntax->child(0)->text(0), "\\");
    EXPECT_EQ(syntax->child(1)->text(0), "^");
    EXPECT_EQ(syntax->child(2)->text(0), "$");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), q("常用正则语句"));
    EXPECT_EQ(tree->topLevelItem(1)->childCount(), 0);

    auto* menu = test::find<QMenu>("待取右键");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), q("删除"));
}

TEST_F(MainWindowTest, ToolBarStatusBarAndFonts) {
    MainWindow window(dir_);

    struct Entry {
        std::string caption;  // empty for a separator
        std::string tip;
        bool checkable;
    };
    const std::vector<Entry> entries = {
        {"生成表达式", "表达式匹配", true},
        {"表达式匹配", "表达式匹配", true},
        {"", "", false},
        {"检查更新", "", false},
        {"", "", false},
        {"赞助开发", "", false},
        {"体验反馈", "", false},
        {"", "", false},
        {"设置", "", false},
    };
    auto* bar = find<QToolBar>("工具条1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->iconSize(), QSize(32, 32));
    const QList<QAction*> actions = bar->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        QAction* a = actions[static_cast<qsizetype>(i)];
        EXPECT_EQ(a->isSeparator(), e.caption.empty()) << i;
        if (e.caption.empty()) {
            continue;
        }
        EXPECT_EQ(a->text(), q(e.caption)) << i;
        EXPECT_EQ(utf8(window.工具条1.tool_tip(static_cast<int>(i))), e.tip) << i;
        EXPECT_EQ(a->isCheckable(), e.checkable) << i;
        EXPECT_FALSE(a->isChecked()) << i;  // neither page button pressed at start
        EXPECT_FALSE(a->icon().isNull()) << i;
        EXPECT_TRUE(a->icon().availableSizes().contains(QSize(32, 32))) << i;
    }

    auto* status = find<QStatusBar>("状态条1");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->height(), 20);
    EXPECT_EQ(utf8(window.状态条1.part_text(0)), "提示：");
    EXPECT_EQ(window.状态条1.part_text(1), "");
    EXPECT_EQ(find<QLabel>("状态条1_part0")->width(), 36);

    // The three tab controls use a Song-style face 12 pixels high, where there is one.
    for (const char* name : {"高级选择夹_主", "高级选择夹_待取", "高级选择夹_表达式匹配"}) {
        const QFont font = find(name)->font();
        EXPECT_EQ(font.pixelSize(), 12) << name;
        if (!ui::song_family().isEmpty()) {
            EXPECT_EQ(font.family(), ui::song_family()) << name;
        }
    }
}

TEST_F(MainWindowTest, ReplaceResultShowsTheNoticeCentred) {
    MainWindow window(dir_);
    const std::string text = utf8(window.编辑框_替换结果.text());
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "");
    EXPECT_FALSE(lines[1].empty());  // the maker's credit
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "========================替换功能暂时未开发========================");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "目前可匹配大部分常用正则，如不能取请手动！");
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7],
              "作者正在努力开发，如果喜欢并想要支持本产品的，可以点击上方的【开发赞助】对软件开发"
              "做出支持");
    auto* edit = find<QTextEdit>("编辑框_替换结果");
    EXPECT_EQ(edit->document()->lastBlock().previous().blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignHCenter);
}

TEST_F(MainWindowTest, StartUpResizesRestoresAndWritesTheFeedbackAddress) {
    MainWindow window(dir_);
    EXPECT_EQ(utf8(window.窗口.title()), "析理通 - [Bate测试体验版1.0]");
    window.start();
    EXPECT_TRUE(window.窗口.visible());
    EXPECT_EQ(window.窗口.outer_width(), 800);
    EXPECT_EQ(window.窗口.outer_height(), 600);
    EXPECT_EQ(window.高级选择夹_主.current_page(), 0);
    EXPECT_EQ(window.编辑框_源文本.text(), "");
    EXPECT_EQ(window.超级列表框_待取文本.row_count(), 0);
    // No maximise box.
    EXPECT_FALSE(find("MainWindow")->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(find("MainWindow")->windowFlags() & Qt::WindowMinimizeButtonHint);

    EXPECT_EQ(ini::read_value(dir_ / kFeedbackFile, gbk("网页"), gbk("体验反馈"), "missing"),
              kFeedbackAddress);
    // Written on every start, whatever the file held.
    ASSERT_TRUE(ini::write_value(dir_ / kFeedbackFile, gbk("网页"), gbk("体验反馈"), "x"));
    MainWindow again(dir_);
    again.start();
    EXPECT_EQ(stored_feedback_address(dir_), kFeedbackAddress);
}

TEST_F(MainWindowTest, ProgramEndsWithZeroAndLeavesTheFiveStateFiles) {
    // Close the window as soon as the message loop runs.
    QTimer::singleShot(0, [] { QApplication::closeAllWindows(); });
    char name[] = "xilitong";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(run_program(1, argv, dir_), 0);
    for (const char* file :
         {kSourceFile, kSampleFile, kExpressionFile, kTargetsFile, kFeedbackFile}) {
        EXPECT_TRUE(fs::exists(dir_ / file)) << file;
    }
}

}  // namespace
}  // namespace xlt::app
