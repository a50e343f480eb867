#include "app/state_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/side_commands.h"
#include "gui_support.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace xlt::app {
namespace {

namespace fs = std::filesystem;
using test::utf8;

const std::string kSep(ItemSeparator);

struct DecodeCase {
    std::string name;
    std::string stored;
    std::vector<TargetRow> rows;
};

TEST(TargetRecordsTest, DecodeSplitsRecordsAtTheLastFieldSeparator) {
    const Text integer = gbk("整数型");
    const Text usual = gbk("通常方式");
    const Text date = gbk("日期型");
    const std::vector<DecodeCase> cases = {
        {"empty list", "", {}},
        {"one row", "abc----" + usual + kSep, {{"abc", usual}}},
        {"two rows",
         "abc----" + integer + kSep + "2016-11-09----" + date + kSep,
         {{"abc", integer}, {"2016-11-09", date}}},
        {"target holding ----", "a----b----" + integer + kSep, {{"a----b", integer}}},
        {"target ending in -", "x-----" + integer + kSep, {{"x-", integer}}},
        {"empty attribute", "abc----" + kSep, {{"abc", ""}}},
        {"no field separator", "abc" + kSep, {{"abc", ""}}},
        {"empty record", kSep + kSep, {{"", ""}, {"", ""}}},
        {"last record cut short", "a----" + usual + kSep + "b---", {{"a", usual}, {"b---", ""}}},
        {"blanks kept", "  a  ----" + usual + kSep, {{"  a  ", usual}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decode_target_records(c.stored), c.rows) << c.name;
    }
}

TEST(TargetRecordsTest, EncodeEndsEveryRecordWithTheItemSeparator) {
    EXPECT_EQ(encode_target_records({}), "");
    EXPECT_EQ(encode_target_records({{"abc", gbk("通常方式")}}),
              "abc----" + gbk("通常方式") + kSep);
    const std::vector<TargetRow> rows = {
        {" lead", gbk("整数型")}, {"a----b", gbk("IP段+端口")}, {gbk("全角：１２３"), ""}};
    EXPECT_EQ(decode_target_records(encode_target_records(rows)), rows);
}

class StateFilesTest : public test::RunDirectoryTest {
protected:
    static std::vector<std::string> rows_of(const ui::ReportList& list) {
        std::vector<std::string> out;
        for (int i = 0; i < list.row_count(); ++i) {
            out.push_back(utf8(list.cell(i, 0)) + "|" + utf8(list.cell(i, 1)));
        }
        return out;
    }
};

TEST_F(StateFilesTest, FilesHoldExactlyWhatWasSaved) {
    SavedState state;
    state.source = gbk("第一行\r\n\t第二行：ＡＢＣ\r\n");
    state.sample = std::string(
        "a\x1A"
        "b\r\n",
        5);  // 0x1A does not end the text
    state.expression = "\\d+";
    state.targets = {{"  lead", gbk("整数型")}};
    EXPECT_EQ(write_state(dir_, state), 4);

    EXPECT_EQ(files::read_file(dir_ / kSourceFile), state.source);
    EXPECT_EQ(files::read_file(dir_ / kSampleFile), state.sample);
    EXPECT_EQ(files::read_file(dir_ / kExpressionFile), state.expression);
    EXPECT_EQ(files::read_file(dir_ / kTargetsFile), "[" + gbk("超级列表框") + "]\r\n" +
                                                         gbk("待取文本") + "=\"  lead----" +
                                                         gbk("整数型") + kSep + "\"\r\n");

    const SavedState back = read_state(dir_);
    EXPECT_EQ(back.source, state.source);
    EXPECT_EQ(back.sample, state.sample);
    EXPECT_EQ(back.expression, state.expression);
    EXPECT_EQ(back.targets, state.targets);

    // An empty list keeps the key, with an empty value, and gives no rows.
    state.targets.clear();
    write_state(dir_, state);
    EXPECT_EQ(ini::read_value(dir_ / kTargetsFile, gbk("超级列表框"), gbk("待取文本"), "none"), "");
    EXPECT_TRUE(read_state(dir_).targets.empty());
}

TEST_F(StateFilesTest, MissingOrUnwritableFilesAreSkipped) {
    const SavedState nothing = read_state(dir_);
    EXPECT_EQ(nothing.source, "");
    EXPECT_TRUE(nothing.targets.empty());

    const fs::path not_a_folder = dir_ / "plain";
    ASSERT_TRUE(files::write_file_atomic(not_a_folder, ""));
    SavedState state;
    state.source = "x";
    EXPECT_EQ(write_state(not_a_folder, state), 0);
    EXPECT_FALSE(write_feedback_address(not_a_folder));
    EXPECT_EQ(stored_feedback_address(not_a_folder), kForumHome);
}

TEST_F(StateFilesTest, WindowRestoresWhatItSavedOnClose) {
    const Text source = gbk("源文本第一行\r\n\t全角：ＡＢＣ　１２３\r\n\r\n最后一行");
    const Text sample = gbk("<li>苹果</li>\r\n") + std::string("x\x1Ay", 3);
    const Text expression = gbk("\\<[a-z]>(.*?)</[a-z]>");
    const std::vector<std::string> rows = {"  前导空白|整数型", "a----b|通常方式",
                                           "苹果|IP段+端口"};
    {
        MainWindow window(dir_);
        window.start();
        window.编辑框_源文本.set_text(source);
        window.编辑框_待生成文本.set_text(sample);
        window.编辑框_表达式.set_text(expression);
        for (const std::string& row : rows) {
            const std::size_t bar = row.find('|');
            const int at = window.超级列表框_待取文本.append_row();
            window.超级列表框_待取文本.set_cell(at, 0, gbk(row.substr(0, bar)));
            window.超级列表框_待取文本.set_cell(at, 1, gbk(row.substr(bar + 1)));
        }
        window.窗口.close();
        EXPECT_FALSE(window.窗口.visible());
    }
    {
        MainWindow window(dir_);
        window.start();
        EXPECT_EQ(window.编辑框_源文本.text(), source);
        EXPECT_EQ(window.编辑框_待生成文本.text(), sample);
        EXPECT_EQ(window.编辑框_表达式.text(), expression);
        EXPECT_EQ(rows_of(window.超级列表框_待取文本), rows);
        window.超级列表框_待取文本.delete_all_rows();
        window.编辑框_源文本.set_text("");
        window.窗口.close();
    }
    {
        MainWindow window(dir_);
        window.start();
        EXPECT_EQ(window.超级列表框_待取文本.row_count(), 0);
        EXPECT_EQ(window.编辑框_源文本.text(), "");
        EXPECT_EQ(window.编辑框_待生成文本.text(), sample);
    }
}

TEST_F(StateFilesTest, CorruptTargetFileNeverStopsTheWindow) {
    // Binary junk, a lone lead byte at the end, a value with no separator at all.
    const std::string junk(
        "\xFF\xFE\0[\x81\r\n"
        "\x01\x02\n",
        10);
    ASSERT_TRUE(files::write_file_atomic(dir_ / kTargetsFile, junk + "[" + gbk("超级列表框") +
                                                                  "]\n" + gbk("待取文本") +
                                                                  "=abc----x" + kSep + "tail\x81"));
    MainWindow window(dir_);
    window.start();
    EXPECT_EQ(rows_of(window.超级列表框_待取文本),
              (std::vector<std::string>{"abc|x", utf8("tail\x81") + "|"}));
}

TEST_F(StateFilesTest, UnwritableRunDirectoryStillCloses) {
    const fs::path not_a_folder = dir_ / "plain";
    ASSERT_TRUE(files::write_file_atomic(not_a_folder, "keep"));
    MainWindow window(not_a_folder);
    window.start();
    window.编辑框_源文本.set_text("text");
    window.窗口.close();
    EXPECT_FALSE(window.窗口.visible());
    EXPECT_EQ(files::read_file(not_a_folder), "keep");
}

}  // namespace
}  // namespace xlt::app
