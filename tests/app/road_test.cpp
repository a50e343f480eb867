// The main road on the real window: targets and 生成, 匹配 and the result list, code
// generation and copying, and loading the source from a file or a web address.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../platform/http_test_server.h"
#include "app/main_window.h"
#include "gui_support.h"
#include "platform/file_dialog.h"

namespace xlt::app {
namespace {

namespace fs = std::filesystem;
using test::find;
using test::utf8;

// Answers the modal boxes in order; every request is kept.
class BoxScript {
public:
    explicit BoxScript(std::deque<ui::BoxReply> replies) : replies_(std::move(replies)) {
        previous_ = ui::set_box_answerer([this](const ui::BoxRequest& request) {
            requests.push_back(request);
            if (replies_.empty()) {
                ADD_FAILURE() << "unexpected box: " << utf8(request.text);
                return ui::BoxReply{ui::Answer::cancel, {}, false};
            }
            ui::BoxReply reply = replies_.front();
            replies_.pop_front();
            return reply;
        });
    }
    ~BoxScript() {
        ui::set_box_answerer(previous_);
        EXPECT_TRUE(replies_.empty()) << replies_.size() << " answers left unused";
    }
    std::vector<ui::BoxRequest> requests;

private:
    std::deque<ui::BoxReply> replies_;
    ui::BoxAnswerer previous_;
};

ui::BoxReply confirm_input(std::string_view text) {
    return {ui::Answer::ok, Text(text), true};
}
ui::BoxReply answer(ui::Answer a) {
    return {a, {}, true};
}

// Answers the file dialog with one path, or cancels it.
class FileDialogScript {
public:
    explicit FileDialogScript(std::optional<std::string> path) {
        previous_ = file_dialog::set_handler([this, path](const file_dialog::Request& request) {
            requests.push_back(request);
            file_dialog::Answer a;
            if (path) {
                a.confirmed = true;
                a.paths = {*path};
                a.selected_filter = request.selected_filter;
            }
            return a;
        });
    }
    ~FileDialogScript() { file_dialog::set_handler(previous_); }
    std::vector<file_dialog::Request> requests;

private:
    file_dialog::Handler previous_;
};

class RoadTest : public test::WindowTest {
protected:
    void click(const char* button) { find<QAbstractButton>(button)->click(); }
    std::string status() { return utf8(w().状态条1.part_text(1)); }

    std::vector<std::string> result_columns() {
        std::vector<std::string> out;
        for (int c = 0; c < w().超级列表框_匹配结果.column_count(); ++c) {
            out.push_back(utf8(w().超级列表框_匹配结果.column(c).title));
        }
        return out;
    }
    std::vector<std::vector<std::string>> result_rows() {
        const ui::ReportList& list = w().超级列表框_匹配结果;
        std::vector<std::vector<std::string>> rows(list.row_count());
        for (int r = 0; r < list.row_count(); ++r) {
            for (int c = 0; c < list.column_count(); ++c) {
                rows[r].push_back(utf8(list.cell(r, c)));
            }
        }
        return rows;
    }
    std::string write_file(const std::string& name, std::string_view bytes) {
        const fs::path path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
};

const std::string kSpan = "<span class=num>128</span>";
const std::string kSpanExpression = R"(\<[a-z][\S\s]*?[a-z]m\>(\d+)\</[\S\s]*?[a-z]n\>)";

TEST_F(RoadTest, GenerateMatchAndCopyCode) {
    // Targets and 生成.
    w().编辑框_待生成文本.set_text(kSpan);
    QTest::keyClicks(find<QLineEdit>("编辑框_待取文本"), "128");
    w().组合框_文本属性.set_selected_index(1);  // 整数型
    click("按钮_添加");
    click("按钮_生成表达式");
    EXPECT_EQ(w().编辑框_表达式.text(), kSpanExpression);
    EXPECT_EQ(w().高级选择夹_主.current_page(), 1);
    EXPECT_TRUE(w().工具条1.pressed(1));
    EXPECT_FALSE(w().工具条1.pressed(0));

    // 匹配 over three spans.
    w().编辑框_源文本.set_text(kSpan + "\r\n<span class=num>22</span> " + kSpan);
    click("按钮_匹配");
    EXPECT_EQ(w().高级选择夹_表达式匹配.current_page(), 2);
    EXPECT_EQ(status(), "匹配成功 - 匹配数量： 3   子匹配数量： 1");
    EXPECT_EQ(result_columns(), (std::vector<std::string>{"序号", "匹配文本", "子匹配文本1"}));
    EXPECT_EQ(
        result_rows(),
        (std::vector<std::vector<std::string>>{
            {"1", kSpan, "128"}, {"2", "<span class=num>22</span>", "22"}, {"3", kSpan, "128"}}));
    EXPECT_EQ(w().超级列表框_匹配结果.column(0).width, 50);
    EXPECT_EQ(w().超级列表框_匹配结果.column(2).width, 100);

    // Code from each template, copied.
    for (int library = 0; library < 2; ++library) {
        for (int mode = 0; mode < 2; ++mode) {
            w().组合框1.set_selected_index(library);
            w().组合框2.set_selected_index(mode);
            w().高级选择夹_表达式匹配.set_current_page(1);
            click("按钮9");
            const Text code = w().编辑框_生成代码.text();
            EXPECT_TRUE(code.starts_with(gbk(".版本 2\r\n"))) << library << mode;
            EXPECT_NE(code.find(gbk("“") + kSpanExpression + gbk("”")), Text::npos);
            EXPECT_EQ(w().高级选择夹_表达式匹配.current_page(), 1);  // 按钮9 keeps the page
            click("按钮10");
            EXPECT_EQ(status(), "复制成功");
            EXPECT_EQ(QApplication::clipboard()->text().toStdString(), utf8(code));
        }
    }
}

TEST_F(RoadTest, MatchFailuresAndColumnsOfAnEarlierRun) {
    struct Case {
        std::string expression, source;
        bool global, case_sensitive, multiline;
        std::string status;
        std::vector<std::string> columns;
        std::vector<std::vector<std::string>> rows;
    };
    const std::vector<Case> cases = {
        {"(a)|(b)",
         "b",
         true,
         false,
         false,
         "匹配成功 - 匹配数量： 1   子匹配数量： 2",
         {"序号", "匹配文本", "子匹配文本1", "子匹配文本2"},
         {{"1", "b", "", "b"}}},
        {"\\d",
         "1 2",
         true,
         false,
         false,
         "匹配成功 - 匹配数量： 2   子匹配数量： 0",
         {"序号", "匹配文本"},
         {{"1", "1"}, {"2", "2"}}},
        {"(", "abc", true, false, false, "匹配失败", {"序号", "匹配文本"}, {}},
        {"x", "abc", true, false, false, "匹配失败", {"序号", "匹配文本"}, {}},
        {"(a+)+b",
         std::string(30, 'a') + "Xb",
         true,
         false,
         false,
         "匹配失败",
         {"序号", "匹配文本"},
         {}},
        {"\\d",
         "1 2",
         false,
         false,
         false,
         "匹配成功 - 匹配数量： 1   子匹配数量： 0",
         {"序号", "匹配文本"},
         {{"1", "1"}}},
        {"ABC", "abc", true, true, false, "匹配失败", {"序号", "匹配文本"}, {}},
        {"ABC",
         "abc",
         true,
         false,
         false,
         "匹配成功 - 匹配数量： 1   子匹配数量： 0",
         {"序号", "匹配文本"},
         {{"1", "abc"}}},
        {"^b$",
         "a\r\nb",
         true,
         false,
         true,
         "匹配成功 - 匹配数量： 1   子匹配数量： 0",
         {"序号", "匹配文本"},
         {{"1", "b"}}},
        {"=#引号(.)#引号",
         "a=\"中\"",
         true,
         false,
         false,
         "匹配成功 - 匹配数量： 1   子匹配数量： 1",
         {"序号", "匹配文本", "子匹配文本1"},
         {{"1", "=\"中\"", "中"}}},
    };
    for (const Case& c : cases) {
        w().编辑框_表达式.set_text(gbk(c.expression));
        w().编辑框_源文本.set_text(gbk(c.source));
        w().选择框_全局.set_ticked(c.global);
        w().选择框_区分大小写.set_ticked(c.case_sensitive);
        w().选择框_多行模式.set_ticked(c.multiline);
        click("按钮_匹配");
        EXPECT_EQ(status(), c.status) << c.expression;
        EXPECT_EQ(result_columns(), c.columns) << c.expression;
        EXPECT_EQ(result_rows(), c.rows) << c.expression;
        EXPECT_EQ(w().高级选择夹_表达式匹配.current_page(), 2);
    }
}

TEST_F(RoadTest, QuestionBeforeGeneratingCode) {
    w().编辑框_表达式.set_text(gbk("a=“(.*?)”"));
    {
        BoxScript boxes({answer(ui::Answer::no)});
        click("按钮_生成");
        ASSERT_EQ(boxes.requests.size(), 1u);
        EXPECT_EQ(utf8(boxes.requests[0].title), "友情提醒");
        EXPECT_EQ(boxes.requests[0].buttons, ui::Buttons::yes_no);
        EXPECT_TRUE(utf8(boxes.requests[0].text).starts_with("“是否智能处理引号"));
        EXPECT_EQ(w().编辑框_生成代码.text(), "");
        EXPECT_EQ(w().高级选择夹_表达式匹配.current_page(), 1);
    }
    {
        BoxScript boxes({answer(ui::Answer::yes)});
        click("按钮_生成");
        EXPECT_NE(w().编辑框_生成代码.text().find(gbk("(“a=#引号(.*?)#引号”, 源文本")), Text::npos);
        EXPECT_EQ(w().高级选择夹_表达式匹配.current_page(), 4);
    }
}

TEST_F(RoadTest, LoadFromFile) {
    const std::string before = "typed by hand";
    struct Case {
        std::string what;
        std::optional<std::string> path;  // nothing: the dialog is cancelled
        std::string expected_box;         // UTF-8, or the GBK bytes for raw files
        std::string expected_status;
        bool read_only = false;
    };
    const std::string gbk_text = gbk("中文\r\nline");
    const std::vector<Case> cases = {
        {"cancelled", std::nullopt, before, ""},
        {"GBK file", write_file("a.txt", gbk_text), gbk_text, ""},
        {"read-only file", write_file("ro.txt", "read only"), "read only", "", true},
        {"0x1A ends it",
         write_file("eof.txt",
                    "ab\x1A"
                    "cd"),
         "ab", ""},
        {"UTF-8 file byte for byte", write_file("u.txt", "\xE4\xB8\xAD\xE6\x96\x87"),
         "\xE4\xB8\xAD\xE6\x96\x87", ""},
        {"missing file", (dir_ / "nope.txt").string(), before, "读取文件失败"},
        {"a folder", dir_.string(), before, "读取文件失败"},
    };
    for (const Case& c : cases) {
        if (c.read_only) {
            fs::permissions(*c.path, fs::perms::owner_read, fs::perm_options::replace);
        }
        w().编辑框_源文本.set_text(before);
        w().状态条1.set_part_text(1, "");
        FileDialogScript dialog(c.path);
        click("按钮7");
        ASSERT_EQ(dialog.requests.size(), 1u) << c.what;
        EXPECT_EQ(utf8(dialog.requests[0].title), "从文本导入") << c.what;
        EXPECT_EQ(dialog.requests[0].filters.size(), 2u) << c.what;
        EXPECT_TRUE(dialog.requests[0].existing_files_only) << c.what;
        EXPECT_FALSE(dialog.requests[0].multi_select) << c.what;
        EXPECT_EQ(w().编辑框_源文本.text(), c.expected_box) << c.what;
        EXPECT_EQ(status(), c.expected_status) << c.what;
    }
}

TEST_F(RoadTest, LoadFromUrl) {
    using Server = testing::TestHttpServer;
    const std::string utf8_page = "<p>\xE4\xB8\xAD\xE6\x96\x87</p>";  // 中文
    Server server({{"/utf8", Server::reply(200, utf8_page)},
                   {"/gbk", Server::reply(200, gbk("<p>中文</p>"))},
                   {"/nul", Server::reply(200, std::string("ab\0cd", 5))},
                   {"/moved", Server::reply(302, "", "Location: /utf8\r\n")},
                   {"/missing", Server::reply(404, "not here")}});
    const std::string before = "typed by hand";
    struct Case {
        std::string what;
        std::string address;
        ui::Answer encoding;
        std::string expected_box;
        std::string expected_status;
    };
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    const std::vector<Case> cases = {
        {"UTF-8 page as UTF-8", server.url("/utf8"), ui::Answer::yes, gbk("<p>中文</p>"), ""},
        {"UTF-8 page as GBK", server.url("/utf8"), ui::Answer::no, utf8_page, ""},
        {"GBK page as GBK", server.url("/gbk"), ui::Answer::no, gbk("<p>中文</p>"), ""},
        {"cut at NUL", server.url("/nul"), ui::Answer::no, "ab", ""},
        {"redirect", server.url("/moved"), ui::Answer::yes, gbk("<p>中文</p>"), ""},
        {"error page kept", server.url("/missing"), ui::Answer::no, "not here", ""},
        {"backslashes as typed", "http:\\\\" + host + "\\utf8", ui::Answer::yes, gbk("<p>中文</p>"),
         ""},
        {"no scheme", host + "/gbk", ui::Answer::no, gbk("<p>中文</p>"), ""},
        {"nothing listens", "http://127.0.0.1:" + std::to_string(Server::closed_port()) + "/",
         ui::Answer::no, before, "读取网页失败"},
        {"empty address", "", ui::Answer::yes, before, "读取网页失败"},
    };
    for (const Case& c : cases) {
        w().编辑框_源文本.set_text(before);
        w().状态条1.set_part_text(1, "");
        BoxScript boxes({confirm_input(c.address), answer(c.encoding)});
        click("按钮8");
        ASSERT_EQ(boxes.requests.size(), 2u) << c.what;
        EXPECT_EQ(boxes.requests[0].kind, ui::BoxKind::input);
        EXPECT_EQ(utf8(boxes.requests[0].title), "网站(URL)地址");
        EXPECT_EQ(utf8(boxes.requests[0].text), "请输入HTTP:\\\\开头的网站地址");
        EXPECT_EQ(utf8(boxes.requests[1].title), "网页编码");
        EXPECT_EQ(utf8(boxes.requests[1].text), "是=UTF_8编码\r\n否=GBK_编码");
        EXPECT_EQ(w().编辑框_源文本.text(), c.expected_box) << c.what;
        EXPECT_EQ(status(), c.expected_status) << c.what;
    }

    // Cancelling the address asks nothing more and reads nothing.
    w().编辑框_源文本.set_text(before);
    BoxScript boxes({answer(ui::Answer::cancel)});
    click("按钮8");
    EXPECT_EQ(boxes.requests.size(), 1u);
    EXPECT_EQ(w().编辑框_源文本.text(), before);
}

}  // namespace
}  // namespace xlt::app
