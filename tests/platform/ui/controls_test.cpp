// The toolkit layer on real widgets (offscreen).
#include "platform/ui/controls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_dialog.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/file_dialogs.h"

namespace xlt::ui {

void PrintTo(const Rect& r, std::ostream* out) {
    *out << "(" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << ")";
}

namespace {

Text G(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_platform_ui";
        static char* argv[] = {name, nullptr};
        // Never destroyed: it must outlive the input devices of the test framework.
        static Application* application = new Application(argc, argv);
        (void)application;
        window_ = std::make_unique<Window>("W", "w", 600, 400, Window::Frame::sizeable);
    }
    void TearDown() override { window_.reset(); }
    std::unique_ptr<Window> window_;
};

struct EditCase {
    EditBox::Kind kind;
    std::string in, out;
};

TEST_F(ToolkitTest, EditBoxesTakeAndGiveCrLf) {
    const std::string chinese = G("中文：ＡＢ");
    const std::vector<EditCase> cases = {
        {EditBox::Kind::multi_line, "a\r\nb", "a\r\nb"},
        {EditBox::Kind::multi_line, "a\nb\n", "a\r\nb\r\n"},  // a lone LF becomes CR LF
        {EditBox::Kind::multi_line, "\r\n\r\n", "\r\n\r\n"},
        {EditBox::Kind::multi_line, "\t" + chinese + "\r\n", "\t" + chinese + "\r\n"},
        {EditBox::Kind::multi_line, "", ""},
        {EditBox::Kind::multi_line_no_scroll, "x\r\ny", "x\r\ny"},
        {EditBox::Kind::multi_line_centred, "x\r\n\r\ny\r\n", "x\r\n\r\ny\r\n"},
        {EditBox::Kind::single_line, chinese + " 1", chinese + " 1"},
    };
    for (const auto& c : cases) {
        EditBox edit(*window_, "e", {0, 0, 100, 50}, c.kind, c.in);
        EXPECT_EQ(edit.text(), c.out) << c.in;
        edit.set_text(c.out);
        EXPECT_EQ(edit.text(), c.out) << "again: " << c.in;
    }
}

TEST_F(ToolkitTest, WidgetTextOutsideGbkOrWithNulIsCutOrReplaced) {
    EditBox edit(*window_, "e", {0, 0, 100, 20}, EditBox::Kind::single_line);
    auto* line = static_cast<QLineEdit*>(edit.widget());
    line->setText(
        QString::fromUtf8("a\xF0\x9F\x98\x80"
                          "b"));  // an emoji GBK lacks
    EXPECT_EQ(edit.text(), "a?b");
    line->setText(QString::fromUtf8("a\0b", 3));
    EXPECT_EQ(edit.text(), "a");
}

TEST_F(ToolkitTest, KeyDownReachesTheHandlerAndTheBox) {
    EditBox edit(*window_, "e", {0, 0, 100, 50}, EditBox::Kind::multi_line);
    std::vector<KeyPress> keys;
    edit.on_key_down = [&](const KeyPress& k) { keys.push_back(k); };
    auto* widget = edit.widget();
    QKeyEvent ctrl_shift_a(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QApplication::sendEvent(widget, &ctrl_shift_a);
    QKeyEvent b(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
    QApplication::sendEvent(widget, &b);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].key, 65);
    EXPECT_TRUE(keys[0].ctrl && keys[0].shift && !keys[0].alt);
    EXPECT_EQ(keys[1].key, 66);
    EXPECT_FALSE(keys[1].ctrl || keys[1].shift || keys[1].alt);
    EXPECT_EQ(edit.text(), "b");  // not consumed
}

TEST_F(ToolkitTest, ControlsMoveKeepOmittedValuesAndNeverGoNegative) {
    Label label(*window_, "l", {10, 20, 30, 40}, "x");
    label.move(std::nullopt, 5);
    EXPECT_EQ(label.place(), (Rect{10, 5, 30, 40}));
    label.move(1, 2, -5, -1);
    EXPECT_EQ(label.place(), (Rect{1, 2, 0, 0}));
}

TEST_F(ToolkitTest, TabPagesCoverTheControlAndKeepTheirControlsVisible) {
    TabControl tabs(*window_, "t", {10, 10, 300, 200}, {G("甲"), G("乙")}, true);
    Button on_second(tabs.page(1), "b", {8, 30, 50, 20}, "b");
    EXPECT_EQ(tabs.current_page(), 0);
    EXPECT_EQ(tabs.page(1).host()->geometry(), QRect(0, 0, 300, 200));
    EXPECT_EQ(on_second.place(), (Rect{8, 30, 50, 20}));
    EXPECT_TRUE(on_second.visible());  // its page is not current, but it is not hidden

    tabs.move(std::nullopt, std::nullopt, 400, 250);
    window_->show();
    QApplication::processEvents();
    EXPECT_EQ(tabs.page(0).host()->geometry(), QRect(0, 0, 400, 250));

    tabs.widget()->findChild<QTabBar*>()->setCurrentIndex(1);  // the user picks a header
    EXPECT_EQ(tabs.current_page(), 1);
    EXPECT_TRUE(on_second.widget()->isVisible());
    tabs.set_current_page(0);
    EXPECT_FALSE(on_second.widget()->isVisible());
    tabs.set_current_page(7);  // no such page: nothing changes
    EXPECT_EQ(tabs.current_page(), 0);

    TabControl bare(*window_, "u", {0, 0, 100, 100}, {"a", "b"}, false);
    EXPECT_EQ(bare.widget()->findChild<QTabBar*>(), nullptr);
}

TEST_F(ToolkitTest, ReportListRowsCellsAndColumns) {
    ReportList list(*window_, "r", {0, 0, 300, 200},
                    {{G("序号"), 50, Align::left}, {G("文本"), 100, Align::right}});
    auto* view = static_cast<QTreeView*>(list.widget());
    EXPECT_EQ(list.row_count(), 0);
    EXPECT_EQ(list.append_row(), 0);
    EXPECT_EQ(list.append_row(), 1);
    EXPECT_TRUE(list.set_cell(0, 0, "1"));
    EXPECT_TRUE(list.set_cell(1, 1, G("中文")));
    EXPECT_FALSE(list.set_cell(2, 0, "x"));  // no such row
    EXPECT_FALSE(list.set_cell(0, 2, "x"));  // no such column
    EXPECT_FALSE(list.set_cell(-1, 0, "x"));
    EXPECT_EQ(list.cell(1, 1), G("中文"));
    EXPECT_EQ(list.cell(1, 0), "");
    EXPECT_EQ(list.cell(5, 5), "");
    EXPECT_EQ(view->model()->data(view->model()->index(1, 1)).toString(), QString("中文"));
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), QString("文本"));
    EXPECT_EQ(list.column(1).width, 100);
    EXPECT_EQ(list.column(1).align, Align::right);

    // Replacing the columns keeps the cells of the columns that remain.
    list.set_columns({{"a", 70, Align::left}});
    EXPECT_EQ(list.column_count(), 1);
    EXPECT_EQ(list.cell(0, 0), "1");
    EXPECT_EQ(list.cell(1, 1), "");
    EXPECT_EQ(view->header()->sectionSize(0), 70);
    list.append_column({"b", 90, Align::left});
    EXPECT_EQ(list.column_count(), 2);
    EXPECT_EQ(view->header()->sectionSize(1), 90);
    EXPECT_EQ(list.cell(1, 1), "");
    EXPECT_TRUE(list.set_cell(1, 1, "new"));

    EXPECT_FALSE(list.delete_row(2));
    EXPECT_TRUE(list.delete_row(0));
    EXPECT_EQ(list.row_count(), 1);
    EXPECT_EQ(list.cell(0, 1), "new");
    list.delete_all_rows();
    EXPECT_EQ(list.row_count(), 0);
    EXPECT_EQ(view->model()->rowCount(), 0);
}

TEST_F(ToolkitTest, ReportListSelectionIsTheLowestSelectedRow) {
    ReportList list(*window_, "r", {0, 0, 300, 200}, {{"a", 50, Align::left}});
    for (int i = 0; i < 4; ++i) {
        list.append_row();
    }
    EXPECT_EQ(list.selected_row(), -1);
    auto* view = static_cast<QTreeView*>(list.widget());
    view->selectionModel()->select(view->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(list.selected_row(), 1);
    list.select_row(3);
    EXPECT_EQ(list.selected_row(), 3);
    list.select_row(-1);
    EXPECT_EQ(list.selected_row(), -1);
}

TEST_F(ToolkitTest, ReportListUpdatesInBulk) {
    ReportList list(*window_, "r", {0, 0, 300, 200}, {{"a", 60, Align::left}});
    auto* view = static_cast<QTreeView*>(list.widget());
    list.begin_update();
    list.begin_update();  // nested
    list.set_columns({{"n", 40, Align::left}});
    for (int i = 0; i < 1000; ++i) {
        const int row = list.append_row();
        list.set_cell(row, 0, std::to_string(i));
    }
    list.append_column({"m", 80, Align::left});
    list.set_cell(999, 1, "last");
    list.end_update();
    EXPECT_EQ(list.row_count(), 1000);  // the list itself is always up to date
    list.end_update();
    EXPECT_EQ(view->model()->rowCount(), 1000);
    EXPECT_EQ(view->model()->data(view->model()->index(999, 1)).toString(), "last");
    EXPECT_EQ(view->header()->sectionSize(0), 40);
    EXPECT_EQ(view->header()->sectionSize(1), 80);
    EXPECT_TRUE(view->updatesEnabled());
    list.end_update();  // unbalanced: ignored
    EXPECT_EQ(list.row_count(), 1000);
}

TEST_F(ToolkitTest, ToolBarCountsSeparatorsAndPressesOneOfTheGroup) {
    ToolBar bar(*window_, "bar", 56);
    std::vector<int> clicks;
    bar.on_click = [&](int index) { clicks.push_back(index); };
    EXPECT_EQ(bar.add_button("a", ":/none.png", "tip a", true), 0);
    EXPECT_EQ(bar.add_button("b", ":/none.png", "", true), 1);
    EXPECT_EQ(bar.add_separator(), 2);
    EXPECT_EQ(bar.add_button("c", ":/none.png", "", false), 3);
    EXPECT_EQ(bar.place(), (Rect{0, 0, window_->client_width(), 56}));

    bar.click(1);
    EXPECT_TRUE(bar.pressed(1));
    bar.click(0);
    EXPECT_TRUE(bar.pressed(0));
    EXPECT_FALSE(bar.pressed(1));
    bar.set_pressed(0, false);
    EXPECT_FALSE(bar.pressed(0));
    bar.set_pressed(1, true);
    EXPECT_TRUE(bar.pressed(1));
    bar.click(3);
    EXPECT_FALSE(bar.pressed(3));  // a plain button never stays pressed
    bar.click(2);                  // a separator is never clicked
    EXPECT_EQ(clicks, (std::vector<int>{1, 0, 3}));

    // A button without a tip shows none (not its caption); one with a tip shows it.
    auto* qbar = static_cast<QToolBar*>(bar.widget());
    window_->show();
    for (int index : {1, 0}) {
        QWidget* button = qbar->widgetForAction(qbar->actions().at(index));
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(button, &help);
        EXPECT_EQ(QToolTip::text(), index == 0 ? QString("tip a") : QString()) << index;
    }
    QToolTip::hideText();
}

TEST_F(ToolkitTest, StatusBarParts) {
    StatusBar status(*window_, "s", 20, {36, 400});
    EXPECT_EQ(status.part_count(), 2);
    status.set_part_text(1, G("匹配失败"));
    status.set_part_text(5, "ignored");
    EXPECT_EQ(status.part_text(1), G("匹配失败"));
    EXPECT_EQ(status.part_text(5), "");
    EXPECT_EQ(status.place(),
              (Rect{0, window_->client_height() - 20, window_->client_width(), 20}));
    window_->set_outer_size(500, 300);
    EXPECT_EQ(status.place(),
              (Rect{0, window_->client_height() - 20, window_->client_width(), 20}));
}

TEST_F(ToolkitTest, WindowResizeEventsNestAndCloseRunsOnce) {
    window_->show();
    std::vector<int> widths;
    window_->on_resize = [&] {
        widths.push_back(window_->outer_width());
        if (window_->outer_width() < 300) {
            window_->set_outer_width(300);  // raises a nested event at once
        }
    };
    window_->move_to(40, 30);
    const int left = window_->left();
    const int top = window_->top();
    window_->set_outer_size(200, 250);
    EXPECT_EQ(widths, (std::vector<int>{200, 300}));
    EXPECT_EQ(window_->outer_width(), 300);
    EXPECT_EQ(window_->outer_height(), 250);
    EXPECT_EQ(window_->left(), left);
    EXPECT_EQ(window_->top(), top);

    int closes = 0;
    window_->on_close = [&] { ++closes; };
    window_->close();
    window_->close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(window_->visible());
}

TEST_F(ToolkitTest, ModalWindowReturnsWhenClosed) {
    Window modal("M", "m", 200, 100, Window::Frame::none);
    Button close(modal, "close", {0, 0, 50, 20}, "x");
    close.on_click = [&] { modal.close(); };
    bool was_modal = false;
    QTimer::singleShot(0, [&] {
        was_modal = QApplication::activeModalWidget() == modal.widget();
        static_cast<QPushButton*>(close.widget())->click();
    });
    modal.show_modal();
    EXPECT_TRUE(was_modal);
    EXPECT_FALSE(modal.visible());
}

TEST_F(ToolkitTest, BoxSeamReceivesEveryRequest) {
    std::vector<BoxRequest> seen;
    BoxReply reply;
    const BoxAnswerer previous = set_box_answerer([&](const BoxRequest& r) {
        seen.push_back(r);
        return reply;
    });
    reply.answer = Answer::no;
    EXPECT_EQ(message_box(G("问题"), Buttons::yes_no, G("标题"), window_.get()), Answer::no);
    reply.answer = Answer::ok;
    EXPECT_EQ(message_box("m", Buttons::ok), Answer::ok);
    reply.input = "typed";
    EXPECT_EQ(input_box("p", "t"), std::optional<Text>("typed"));
    reply.answer = Answer::cancel;
    EXPECT_EQ(input_box("p", "t"), std::nullopt);
    reply.opened = false;
    EXPECT_FALSE(open_in_browser("https://xilitong.example.org/"));
    set_box_answerer(previous);

    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].title, G("标题"));
    EXPECT_EQ(seen[0].buttons, Buttons::yes_no);
    EXPECT_TRUE(seen[0].owned);
    EXPECT_EQ(seen[1].title, G("信息："));  // no title given
    EXPECT_FALSE(seen[1].owned);
    EXPECT_EQ(seen[2].kind, BoxKind::input);
    EXPECT_EQ(seen[4].kind, BoxKind::browser);
    EXPECT_EQ(seen[4].text, "https://xilitong.example.org/");
}

TEST_F(ToolkitTest, RealMessageBoxAndInputBoxShowWhatTheyWereGiven) {
    QString title, text, buttons;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        title = box->windowTitle();
        text = box->text();
        QPushButton* yes = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            buttons += b->text();
            if (b->text() == QString("是")) {
                yes = static_cast<QPushButton*>(b);
            }
        }
        if (yes != nullptr) {
            yes->click();
        } else {
            box->reject();
        }
    });
    EXPECT_EQ(message_box(G("是=UTF_8编码\r\n否=GBK_编码"), Buttons::yes_no), Answer::yes);
    EXPECT_EQ(title, QString("信息："));
    EXPECT_EQ(text, QString("是=UTF_8编码\n否=GBK_编码"));
    EXPECT_TRUE(buttons.contains("是") && buttons.contains("否"));

    QString prompt;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        prompt = dialog->labelText();
        dialog->setTextValue(QString("网址"));
        dialog->accept();
    });
    EXPECT_EQ(input_box(G("请输入"), G("网站(URL)地址"), "", window_.get()),
              std::optional<Text>(G("网址")));
    EXPECT_EQ(prompt, QString("请输入"));
}

TEST_F(ToolkitTest, ClipboardHoldsGbkText) {
    ASSERT_TRUE(set_clipboard_text(G(".版本 2\r\n“引号”")));
    EXPECT_EQ(clipboard_text(), G(".版本 2\r\n“引号”"));
    ASSERT_TRUE(set_clipboard_text(""));
    EXPECT_EQ(clipboard_text(), "");
}

TEST_F(ToolkitTest, PopupMenuReportsTheChosenItem) {
    PopupMenu menu(*window_, "menu", {G("删除"), "b"});
    std::vector<int> chosen;
    menu.on_choose = [&](int item) { chosen.push_back(item); };
    window_->show();
    menu.popup(mouse_position());
    EXPECT_TRUE(menu.is_open());
    menu.choose(1);
    EXPECT_FALSE(menu.is_open());
    menu.choose(9);
    EXPECT_EQ(chosen, (std::vector<int>{1}));
}

}  // namespace
}  // namespace xlt::ui

namespace xlt::ui {
namespace {

TEST_F(ToolkitTest, FileDialogShowsTheFiltersAndReturnsTheChosenFile) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "xlt-ui-dialog";
    std::filesystem::create_directories(folder);
    { std::ofstream(folder / "a.txt") << "x"; }

    FileDialogOptions options;
    options.title = G("从文本导入");
    options.filters = {{G("文本文件（TXT,HTM,HTML）"), "*.txt;*.htm;*.html"},
                       {G("所有文件(*.*)"), "*.*"}};
    options.selected_filter = 1;
    options.initial_folder = folder.string();

    QString title, selected_filter, directory;
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        selected_filter = dialog->selectedNameFilter();
        directory = dialog->directory().absolutePath();
        dialog->selectFile(QString::fromStdString((folder / "a.txt").string()));
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto choice = show_file_dialog(options, window_.get());
    ASSERT_TRUE(choice.has_value());
    ASSERT_EQ(choice->paths.size(), 1u);
    EXPECT_EQ(choice->paths[0], (folder / "a.txt").string());
    EXPECT_EQ(choice->selected_filter, 1);
    EXPECT_EQ(title, QString("从文本导入"));
    EXPECT_EQ(filters, (QStringList{"文本文件（TXT,HTM,HTML） (*.txt *.htm *.html)",
                                    "所有文件(*.*) (*.*)"}));
    EXPECT_EQ(selected_filter, filters.value(1));
    EXPECT_EQ(directory, QString::fromStdString(folder.string()));

    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            static_cast<QDialog*>(dialog)->reject();
        }
    });
    EXPECT_EQ(show_file_dialog(options), std::nullopt);
    std::filesystem::remove_all(folder);
}

// The platform's dialog requests reach the toolkit's dialog: filters counted from 1 on
// the request side, from 0 on the toolkit's.
TEST_F(ToolkitTest, FileDialogRequestsGoToTheToolkitDialog) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "xlt-ui-request";
    std::filesystem::create_directories(folder);
    { std::ofstream(folder / "b.htm") << "x"; }
    install_file_dialog_handler();

    file_dialog::Request request;
    request.title = G("从文本导入");
    request.filters = {{G("文本文件（TXT,HTM,HTML）"), "*.txt;*.htm;*.html"},
                       {G("所有文件(*.*)"), "*.*"}};
    request.selected_filter = 1;
    request.initial_folder = folder.string();
    request.existing_files_only = true;
    request.owner = dialog_owner_handle(*window_);

    QString selected_filter;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        selected_filter = dialog->selectedNameFilter();
        mode = dialog->fileMode();
        parent = dialog->parentWidget();
        dialog->selectFile(QString::fromStdString((folder / "b.htm").string()));
        static_cast<QDialog*>(dialog)->accept();
    });
    const file_dialog::Answer answer = file_dialog::show(request);
    file_dialog::set_handler({});
    EXPECT_TRUE(answer.confirmed);
    EXPECT_EQ(answer.paths, std::vector<Text>{(folder / "b.htm").string()});
    EXPECT_EQ(answer.selected_filter, 1);
    EXPECT_TRUE(selected_filter.startsWith(QString("文本文件")));
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_EQ(parent, window_->widget());
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace xlt::ui
