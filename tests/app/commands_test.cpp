// The tool bar, the side commands and the target list commands, on the real widgets.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/side_commands.h"
#include "app/state_files.h"
#include "gui_support.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace xlt::app {
namespace {

namespace fs = std::filesystem;
using test::BoxRecorder;
using test::find;
using test::q;
using test::utf8;

class CommandsTest : public test::WindowTest {
protected:
    // Clicks a tool bar button the way the user does, on the button itself.
    void click_tool(int index) {
        auto* bar = find<QToolBar>("工具条1");
        QWidget* button = bar->widgetForAction(bar->actions().at(index));
        ASSERT_NE(button, nullptr) << index;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    bool tool_pressed(int index) {
        return find<QToolBar>("工具条1")->actions().at(index)->isChecked();
    }
};

TEST_F(CommandsTest, PageButtonsSwitchPagesAndPressEachOther) {
    BoxRecorder boxes;
    click_tool(kMatchPageButton);
    EXPECT_EQ(w().高级选择夹_主.current_page(), 1);
    EXPECT_TRUE(find("编辑框_表达式")->isVisible());
    EXPECT_FALSE(find("编辑框_待生成文本")->isVisible());
    EXPECT_TRUE(tool_pressed(1));
    EXPECT_FALSE(tool_pressed(0));

    click_tool(kGeneratePageButton);
    EXPECT_EQ(w().高级选择夹_主.current_page(), 0);
    EXPECT_TRUE(tool_pressed(0));
    EXPECT_FALSE(tool_pressed(1));

    click_tool(kGeneratePageButton);  // pressing the pressed one keeps it pressed
    EXPECT_TRUE(tool_pressed(0));
    EXPECT_TRUE(boxes.requests.empty());
}

TEST_F(CommandsTest, ButtonsThatOpenPagesAndNotices) {
    ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
    struct Case {
        std::string what;
        std::function<void()> click;
        ui::BoxKind kind;
        std::string text;   // UTF-8; for the browser, the address
        std::string title;  // message boxes only
        bool lays_out;      // the tool bar lays out after every click, the tool row does not
    };
    const std::vector<Case> cases = {
        {"设置", [&] { click_tool(kSettingsButton); }, ui::BoxKind::message, "暂无设置", "信息：",
         true},
        {"检查更新", [&] { click_tool(kCheckUpdateButton); }, ui::BoxKind::browser,
         std::string(kMakerPage), "", true},
        {"体验反馈", [&] { click_tool(kFeedbackButton); }, ui::BoxKind::browser,
         "https://xilitong.example.org/forum/feedback/", "", true},
        {"替换", [&] { find<QAbstractButton>("按钮_替换")->click(); }, ui::BoxKind::message,
         "替换功能正在开发", "信息：", false},
        {"替换 again", [&] { find<QAbstractButton>("按钮_替换")->click(); }, ui::BoxKind::message,
         "替换功能正在开发", "信息：", false},
        {"教程", [&] { find<QAbstractButton>("按钮_教程")->click(); }, ui::BoxKind::browser,
         "file://" + (dir_ / "cache" / "xilitong" / "tutorial.html").string(), "", false},
    };
    w().编辑框_表达式.set_text("x");
    for (const auto& c : cases) {
        BoxRecorder boxes;
        // Any layout the click runs puts this back.
        find("编辑框_表达式")->setGeometry(0, 0, 1, 1);
        c.click();
        ASSERT_EQ(boxes.requests.size(), 1u) << c.what;
        const ui::BoxRequest& r = boxes.requests[0];
        EXPECT_EQ(r.kind, c.kind) << c.what;
        EXPECT_EQ(utf8(r.text), c.text) << c.what;
        if (c.kind == ui::BoxKind::message) {
            EXPECT_EQ(utf8(r.title), c.title) << c.what;
            EXPECT_EQ(r.buttons, ui::Buttons::ok) << c.what;
        }
        EXPECT_EQ(w().高级选择夹_主.current_page(), 0) << c.what;
        EXPECT_EQ(w().编辑框_表达式.text(), "x") << c.what;
        EXPECT_EQ(find("编辑框_表达式")->geometry(),
                  c.lays_out ? QRect(6, 40, 764, 88) : QRect(0, 0, 1, 1))
            << c.what;
    }

    const auto page = files::read_file(dir_ / "cache" / "xilitong" / "tutorial.html");
    ASSERT_TRUE(page.has_value());
    EXPECT_NE(page->find("<title>"), std::string::npos);
    ::unsetenv("XDG_CACHE_HOME");
}

TEST_F(CommandsTest, FeedbackOpensOnlyTheForumsOwnAddresses) {
    const fs::path ini = dir_ / kFeedbackFile;
    struct Case {
        std::optional<std::string> stored;  // nothing: no PeIH.ini at all
        std::string opened;
    };
    const std::string home(kForumHome);
    const std::vector<Case> cases = {
        {"https://xilitong.example.org/forum/thread/7",
         "https://xilitong.example.org/forum/thread/7"},
        {"https://xilitong.example.org/forum/a\\b\\", "https://xilitong.example.org/forum/a/b/"},
        {"https://evil.example.com/forum/", home},
        {"https://xilitong.example.org.evil.com/forum/", home},
        {"http://xilitong.example.org/forum/", home},
        {"https://xilitong.example.org/forum/\" --args", home},
        {"https://xilitong.example.org/forum/ x", home},
        {"", home},
        {std::nullopt, home},
    };
    for (const auto& c : cases) {
        fs::remove(ini);
        if (c.stored) {
            ASSERT_TRUE(ini::write_value(ini, gbk("网页"), gbk("体验反馈"), *c.stored));
        }
        BoxRecorder boxes;
        click_tool(kFeedbackButton);
        ASSERT_EQ(boxes.requests.size(), 1u);
        EXPECT_EQ(boxes.requests[0].text, c.opened) << c.stored.value_or("(no file)");
    }
}

TEST_F(CommandsTest, SponsorWindowIsModalAndClosesWithItsButton) {
    struct Seen {
        bool found = false;
        bool modal = false;
        bool frameless = false;
        QSize size;
        QString title, caption;
        QRect button;
    };
    for (int round = 0; round < 2; ++round) {  // it can be opened again
        Seen seen;
        QTimer::singleShot(0, [&] {
            QWidget* sponsor = test::find_in("SponsorWindow", "SponsorWindow");
            auto* close = test::find_in<QPushButton>("SponsorWindow", "按钮1");
            if (sponsor == nullptr || close == nullptr) {
                QApplication::closeAllWindows();  // never leave the test waiting
                return;
            }
            seen.found = true;
            seen.modal = QApplication::activeModalWidget() == sponsor &&
                         sponsor->windowModality() == Qt::ApplicationModal;
            seen.frameless = sponsor->windowFlags() & Qt::FramelessWindowHint;
            seen.size = sponsor->frameGeometry().size();
            seen.title = sponsor->windowTitle();
            seen.caption = close->text();
            seen.button = close->geometry();
            QTest::mouseClick(close, Qt::LeftButton);
        });
        click_tool(kSponsorButton);  // returns once the sponsor window has closed
        ASSERT_TRUE(seen.found);
        EXPECT_TRUE(seen.modal);
        EXPECT_TRUE(seen.frameless);
        EXPECT_EQ(seen.size, QSize(400, 300));
        EXPECT_EQ(seen.title, q("赞助作者开发"));
        EXPECT_EQ(seen.caption, q("关闭"));
        EXPECT_EQ(seen.button, QRect(312, 8, 80, 32));
        EXPECT_EQ(test::find_in("SponsorWindow", "SponsorWindow"), nullptr);
        EXPECT_TRUE(w().窗口.visible());
    }
}

TEST_F(CommandsTest, RulesButtonShowsAndHidesTheTree) {
    auto* rules = find<QAbstractButton>("按钮_规则");
    click_tool(kMatchPageButton);
    rules->click();
    EXPECT_TRUE(rules->isChecked());
    EXPECT_TRUE(find("树型框1")->isVisible());
    rules->click();
    EXPECT_FALSE(rules->isChecked());
    EXPECT_FALSE(find("树型框1")->isVisible());
}

TEST_F(CommandsTest, CtrlAAloneSelectsTheWholeExpression) {
    auto* edit = find<QPlainTextEdit>("编辑框_表达式");
    struct Case {
        const char* what;
        std::string text;
        Qt::KeyboardModifiers modifiers;
        bool selects_all;
        std::optional<std::string> text_after;  // nothing: the platform's own business
    };
    const std::vector<Case> cases = {
        {"Ctrl+A", "ab\r\ncd", Qt::ControlModifier, true, "ab\r\ncd"},
        {"Ctrl+Shift+A", "ab\r\ncd", Qt::ControlModifier | Qt::ShiftModifier, false, "ab\r\ncd"},
        {"Alt+A", "ab\r\ncd", Qt::AltModifier, false, std::nullopt},
        {"A alone types", "ab", Qt::NoModifier, false, "aba"},
        {"Ctrl+A on empty", "", Qt::ControlModifier, false, ""},
    };
    for (const auto& c : cases) {
        w().编辑框_表达式.set_text(c.text);
        QTextCursor end = edit->textCursor();
        end.movePosition(QTextCursor::End);
        edit->setTextCursor(end);
        QTest::keyClick(edit, Qt::Key_A, c.modifiers);
        const QTextCursor cursor = edit->textCursor();
        EXPECT_EQ(cursor.hasSelection(), c.selects_all) << c.what;
        if (c.selects_all) {
            EXPECT_EQ(cursor.selectionStart(), 0) << c.what;
            EXPECT_EQ(cursor.selectionEnd(), edit->document()->characterCount() - 1) << c.what;
        }
        if (c.text_after) {
            EXPECT_EQ(w().编辑框_表达式.text(), *c.text_after) << c.what;
        }
    }
}

TEST_F(CommandsTest, TargetListAddDeleteAndClear) {
    ui::ReportList& list = w().超级列表框_待取文本;
    auto rows = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < list.row_count(); ++i) {
            out.push_back(utf8(list.cell(i, 0)) + "|" + utf8(list.cell(i, 1)));
        }
        return out;
    };
    auto add = [&](std::string_view text, int kind) {
        w().编辑框_待取文本.set_text(gbk(text));
        w().组合框_文本属性.set_selected_index(kind);
        find<QAbstractButton>("按钮_添加")->click();
    };

    add("", 0);
    EXPECT_EQ(list.row_count(), 0);
    EXPECT_EQ(utf8(w().状态条1.part_text(1)), "错误！待取文本不能为空");
    EXPECT_EQ(utf8(w().状态条1.part_text(0)), "提示：");

    add("abc", 1);
    add(" ", 0);  // blanks are a target
    list.select_row(0);
    add("abc", 1);  // goes to the end whatever is selected
    EXPECT_EQ(rows(), (std::vector<std::string>{"abc|整数型", " |通常方式", "abc|整数型"}));
    EXPECT_EQ(w().编辑框_待取文本.text(), "abc");  // the box keeps its text

    // Right click pops up the menu; 删除 deletes the selected row.
    list.select_row(1);
    QWidget* viewport = find<QTreeView>("超级列表框_待取文本")->viewport();
    QContextMenuEvent right_click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                  viewport->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(viewport, &right_click);
    EXPECT_TRUE(w().待取右键.is_open());
    w().待取右键.choose(0);
    EXPECT_EQ(rows(), (std::vector<std::string>{"abc|整数型", "abc|整数型"}));

    list.select_row(-1);
    w().待取右键.choose(0);  // nothing selected: nothing deleted
    EXPECT_EQ(list.row_count(), 2);

    find<QAbstractButton>("按钮_清空")->click();
    EXPECT_EQ(list.row_count(), 0);
    find<QAbstractButton>("按钮_清空")->click();
    EXPECT_EQ(list.row_count(), 0);
}

}  // namespace
}  // namespace xlt::app
