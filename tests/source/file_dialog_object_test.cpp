#include "source/file_dialog_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"

namespace xlt::source {
namespace {

using namespace std::string_literals;
namespace fd = file_dialog;

Text gbk(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}

const Text kStartupFilter = gbk("文本文件（TXT,HTM,HTML）|*.txt;*.htm;*.html|所有文件(*.*)|*.*");

// Registers a handler that records each request and gives the scripted answers in turn
// (then "cancelled"); the previous handler comes back at the end of the test.
class ScriptedDialog {
public:
    explicit ScriptedDialog(std::vector<fd::Answer> answers) : answers_(std::move(answers)) {
        previous_ = fd::set_handler([this](const fd::Request& r) {
            requests.push_back(r);
            if (during_call) {
                during_call();
            }
            return next_ < answers_.size() ? answers_[next_++] : fd::Answer{};
        });
    }
    ~ScriptedDialog() { fd::set_handler(std::move(previous_)); }

    std::vector<fd::Request> requests;
    std::function<void()> during_call;

private:
    std::vector<fd::Answer> answers_;
    std::size_t next_ = 0;
    fd::Handler previous_;
};

fd::Answer chose(std::vector<Text> paths, int filter = 0) {
    return {true, std::move(paths), filter};
}

FileDialogObject startup_dialog(const Text& folder = "/home/u/Desktop/") {
    FileDialogObject dialog;
    dialog.configure(kStartupFilter, 0, folder, "", {.allow_multi_select = false});
    return dialog;
}

TEST(FileDialogObjectTest, NewObjectHasDefaultOptionsAndAnEmptyRecord) {
    const FileDialogObject dialog;
    EXPECT_EQ(dialog.overwrite_prompt, 2);
    EXPECT_EQ(dialog.path_must_exist, 2048);
    EXPECT_EQ(dialog.no_change_dir, 0);
    EXPECT_EQ(dialog.allow_multi_select, 0);
    EXPECT_EQ(dialog.create_prompt, 8192);
    EXPECT_EQ(dialog.file_must_exist, 4096);
    ASSERT_NE(dialog.dialog_record, nullptr);
    EXPECT_EQ(dialog.dialog_record->nFilterIndex, 0);
    EXPECT_TRUE(dialog.dialog_record->lpstrFilter.empty());
}

struct FilterCase {
    std::string name;
    Text filter_text;
    ByteString converted;
};

TEST(FileDialogObjectTest, FilterConversion) {
    const std::vector<FilterCase> cases = {
        {"spaces inside descriptions go", "Text files | *.txt", "Textfiles\0*.txt\0\0"s},
        {"full-width space", gbk("文本　文件|*.txt"), gbk("文本文件") + "\0*.txt\0\0"s},
        // 亅 is 81 7C: its second byte is "|" and is split like any other
        {"second byte 0x7C", "\x81\x7C|*.a", "\x81\0\0*.a\0\0"s},
        {"empty", "", "\0\0"s},
        {"startup filter", kStartupFilter,
         gbk("文本文件（TXT,HTM,HTML）") + "\0*.txt;*.htm;*.html\0"s + gbk("所有文件(*.*)") +
             "\0*.*\0\0"s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(convert_filter(c.filter_text), c.converted) << c.name;
    }
}

TEST(FileDialogObjectTest, FilterIndexCountsFromZeroAndOptionsChangeOnlyWhenGiven) {
    const std::vector<std::pair<int, int>> indexes = {{-5, 1}, {0, 1}, {1, 2}, {7, 8}};
    for (const auto& [given, stored] : indexes) {
        FileDialogObject dialog;
        dialog.configure("a|*.a", given, "", "");
        EXPECT_EQ(dialog.dialog_record->nFilterIndex, stored) << given;
    }

    FileDialogObject dialog;
    dialog.configure("", 0, "", "",
                     {.create_prompt = false, .no_change_dir = true, .allow_multi_select = true});
    EXPECT_EQ(dialog.create_prompt, 0);
    EXPECT_EQ(dialog.no_change_dir, 8);
    EXPECT_EQ(dialog.allow_multi_select, 0x200);
    EXPECT_EQ(dialog.file_must_exist, 4096);  // not given: unchanged
    EXPECT_EQ(dialog.overwrite_prompt, 2);
    dialog.configure("", 0, "", "", {.overwrite_prompt = false, .path_must_exist = false});
    EXPECT_EQ(dialog.overwrite_prompt, 0);
    EXPECT_EQ(dialog.path_must_exist, 0);
    EXPECT_EQ(dialog.allow_multi_select, 0x200);
}

TEST(FileDialogObjectTest, StartupDialogRequest) {
    ScriptedDialog platform({});
    FileDialogObject dialog = startup_dialog();
    Text names;
    EXPECT_FALSE(dialog.show_dialog(42, kOpenDialog, names, gbk("从文本导入")));
    ASSERT_EQ(platform.requests.size(), 1u);
    const fd::Request& r = platform.requests[0];
    EXPECT_EQ(r.kind, fd::Kind::Open);
    EXPECT_EQ(r.owner, 42u);
    EXPECT_EQ(r.title, gbk("从文本导入"));
    ASSERT_EQ(r.filters.size(), 2u);
    EXPECT_EQ(r.filters[0].description, gbk("文本文件（TXT,HTM,HTML）"));
    EXPECT_EQ(r.filters[0].patterns, "*.txt;*.htm;*.html");
    EXPECT_EQ(r.filters[1].description, gbk("所有文件(*.*)"));
    EXPECT_EQ(r.filters[1].patterns, "*.*");
    EXPECT_EQ(r.selected_filter, 1);
    EXPECT_EQ(r.initial_folder, "/home/u/Desktop/");
    EXPECT_EQ(r.initial_name, "");
    EXPECT_EQ(r.flags, 0x883806u);
    EXPECT_EQ(r.buffer_size, 257u);
    EXPECT_FALSE(r.multi_select);
    EXPECT_TRUE(r.existing_files_only);
    EXPECT_EQ(dialog.dialog_record->lStructSize, 76);
    EXPECT_TRUE(dialog.dialog_record->lpstrFile.empty());  // released after the call
}

struct FlagCase {
    std::string name;
    std::int32_t kind;
    DialogOptions options;
    bool hook;
    std::uint32_t flags;
    std::size_t buffer;
};

TEST(FileDialogObjectTest, FlagsAndBufferSize) {
    const std::vector<FlagCase> cases = {
        {"open, defaults", kOpenDialog, {}, false, 0x883806, 257},
        {"save, defaults", kSaveDialog, {}, false, 0x880802, 257},
        {"open, hook", kOpenDialog, {}, true, 0x883826, 257},
        {"save ignores the hook", kSaveDialog, {}, true, 0x880802, 257},
        {"open, multiple", kOpenDialog, {.allow_multi_select = true}, false, 0x883A06, 2049},
        {"save, multiple, no change of folder",
         kSaveDialog,
         {.no_change_dir = true, .allow_multi_select = true},
         false,
         0x880A0A,
         2049},
        {"open, all off",
         kOpenDialog,
         {false, false, false, false, false, false},
         false,
         0x880004,
         257},
    };
    for (const auto& c : cases) {
        ScriptedDialog platform({});
        FileDialogObject dialog;
        dialog.configure("", 0, "", "", c.options);
        Text names;
        dialog.show_dialog(0, c.kind, names, "", c.hook);
        ASSERT_EQ(platform.requests.size(), 1u) << c.name;
        EXPECT_EQ(platform.requests[0].flags, c.flags) << c.name;
        EXPECT_EQ(platform.requests[0].buffer_size, c.buffer) << c.name;
        EXPECT_EQ(platform.requests[0].kind == fd::Kind::Save, c.kind == kSaveDialog) << c.name;
    }
}

struct ChoiceCase {
    std::string name;
    bool multi;
    std::vector<Text> paths;
    Text names;
};

TEST(FileDialogObjectTest, ChosenPathsBecomeOneText) {
    const std::vector<ChoiceCase> cases = {
        {"one file", false, {"/home/u/a.txt"}, "/home/u/a.txt"},
        {"several",
         true,
         {"/home/u/docs/a.txt", "/home/u/docs/b.txt"},
         "/home/u/docs/a.txt;/home/u/docs/b.txt"},
        {"root folder gets no second slash", true, {"/a.txt", "/b.txt"}, "/a.txt;/b.txt"},
        {"one of several allowed", true, {"/home/u/a.txt"}, "/home/u/a.txt"},
        {"different folders",
         true,
         {"/srv/x/a.txt", "/srv/y/b.txt", "/srv/b.txt"},
         "/srv/x/a.txt;/srv/y/b.txt;/srv/b.txt"},
        {"only the first without multiple selection", false, {"/a.txt", "/b.txt"}, "/a.txt"},
        {"GBK names",
         true,
         {gbk("/文档/甲.txt"), gbk("/文档/乙.txt")},
         gbk("/文档/甲.txt;/文档/乙.txt")},
    };
    for (const auto& c : cases) {
        ScriptedDialog platform({chose(c.paths)});
        FileDialogObject dialog;
        dialog.configure("", 0, "", "", {.allow_multi_select = c.multi});
        Text names = "before";
        EXPECT_TRUE(dialog.show_dialog(0, kOpenDialog, names, "")) << c.name;
        EXPECT_EQ(names, c.names) << c.name;
        EXPECT_TRUE(dialog.result_buffer.empty()) << c.name;
    }
}

TEST(FileDialogObjectTest, NamesAreLeftAloneWhenNothingIsChosen) {
    struct Case {
        std::string name;
        bool with_handler;
        fd::Answer answer;
        std::int32_t kind;
        std::size_t calls;
    };
    const std::vector<Case> cases = {
        {"cancelled", true, fd::Answer{}, kOpenDialog, 1},
        {"confirmed without a path", true, fd::Answer{true, {}, 0}, kOpenDialog, 1},
        {"dialog kind 2", true, chose({"/a"}), 2, 0},
        {"dialog kind -1", true, chose({"/a"}), -1, 0},
        {"no platform dialog", false, chose({"/a"}), kOpenDialog, 0},
    };
    for (const auto& c : cases) {
        std::optional<ScriptedDialog> platform;
        if (c.with_handler) {
            platform.emplace(std::vector<fd::Answer>{c.answer});
        }
        FileDialogObject dialog = startup_dialog();
        Text names = "keep.txt";
        EXPECT_FALSE(dialog.show_dialog(0, c.kind, names, "")) << c.name;
        EXPECT_EQ(names, "keep.txt") << c.name;
        if (platform) {
            EXPECT_EQ(platform->requests.size(), c.calls) << c.name;
        }
    }
}

TEST(FileDialogObjectTest, InitialNamesFillTheBuffer) {
    ScriptedDialog platform({});
    FileDialogObject dialog;
    ByteString seen;
    platform.during_call = [&] { seen = dialog.dialog_record->lpstrFile; };
    Text names = "a.txt;b.txt";
    dialog.show_dialog(0, kOpenDialog, names, "");
    EXPECT_EQ(seen, "a.txt\0b.txt"s + std::string(257 - 11, '\0'));
    EXPECT_EQ(platform.requests[0].initial_name, "a.txt");

    // Longer than the capacity: kept whole in a larger buffer, still NUL-terminated.
    names = std::string(300, 'x');
    dialog.show_dialog(0, kOpenDialog, names, "");
    EXPECT_EQ(seen, std::string(300, 'x') + std::string(2, '\0'));
    EXPECT_EQ(platform.requests[1].initial_name, std::string(300, 'x'));
}

TEST(FileDialogObjectTest, TheLastSelectedFilterIsSelectedNextTime) {
    ScriptedDialog platform({chose({"/a.log"}, 2), fd::Answer{false, {}, 1}, fd::Answer{}});
    FileDialogObject dialog = startup_dialog();
    Text names;
    EXPECT_TRUE(dialog.show_dialog(0, kOpenDialog, names, ""));
    EXPECT_FALSE(dialog.show_dialog(0, kOpenDialog, names, ""));  // cancelled on filter 1
    EXPECT_FALSE(dialog.show_dialog(0, kOpenDialog, names, ""));
    ASSERT_EQ(platform.requests.size(), 3u);
    EXPECT_EQ(platform.requests[0].selected_filter, 1);
    EXPECT_EQ(platform.requests[1].selected_filter, 2);
    EXPECT_EQ(platform.requests[2].selected_filter, 1);
    EXPECT_EQ(names, "/a.log");
}

TEST(FileDialogObjectTest, CloneIsIndependent) {
    FileDialogObject original = startup_dialog("/start/");
    FileDialogObject copy = original.clone();
    copy.configure("b|*.b", 1, "/elsewhere/", "b", {.allow_multi_select = true});
    EXPECT_EQ(original.dialog_record->lpstrInitialDir, "/start/");
    EXPECT_EQ(original.dialog_record->lpstrFilter, convert_filter(kStartupFilter));
    EXPECT_EQ(original.dialog_record->nFilterIndex, 1);
    EXPECT_EQ(original.allow_multi_select, 0);

    FileDialogObject second = original.clone();
    EXPECT_EQ(second.dialog_record->lpstrFilter, original.dialog_record->lpstrFilter);
    EXPECT_NE(second.dialog_record.get(), original.dialog_record.get());
}

TEST(FileDialogObjectTest, DisposedObjectShowsNothing) {
    ScriptedDialog platform({chose({"/a"})});
    FileDialogObject dialog = startup_dialog();
    dialog.dispose();
    EXPECT_EQ(dialog.dialog_record, nullptr);
    dialog.configure("a|*", 0, "", "");
    Text names = "keep";
    EXPECT_FALSE(dialog.show_dialog(0, kOpenDialog, names, ""));
    EXPECT_EQ(names, "keep");
    EXPECT_TRUE(platform.requests.empty());
    EXPECT_EQ(dialog.clone().dialog_record, nullptr);
}

}  // namespace
}  // namespace xlt::source
