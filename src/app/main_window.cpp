#include "app/main_window.h"

#include <string>
#include <system_error>
#include <utility>

#include "app/gbk.h"
#include "app/layout.h"
#include "app/side_commands.h"
#include "app/sponsor_window.h"
#include "app/state_files.h"
#include "platform/files.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/file_dialogs.h"

namespace xlt::app {
namespace {

namespace fs = std::filesystem;

using ui::CheckBox;
using ui::EditBox;
using Kind = ui::EditBox::Kind;

// The outer size the window is designed at, and the size it takes at start-up.
constexpr int kDesignedWidth = 763;
constexpr int kDesignedHeight = 685;
constexpr int kStartWidth = 800;
constexpr int kStartHeight = 600;
// The tool bar's height: a 32-pixel icon with its caption under it, clear of the page
// area that starts at 57.
constexpr int kToolBarHeight = 56;
constexpr int kStatusBarHeight = 20;

std::vector<Text> gbk_list(std::initializer_list<std::string_view> items) {
    std::vector<Text> out;
    for (std::string_view item : items) {
        out.push_back(gbk(item));
    }
    return out;
}

// A local file's address for the browser; bytes other than unreserved ones and "/" are
// percent-encoded, so that any folder name gives a plain ASCII address.
Text file_address(const fs::path& file) {
    static const char* hex = "0123456789ABCDEF";
    Text address = "file://";
    for (const char c : file.string()) {
        const auto u = static_cast<unsigned char>(c);
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            address += c;
        } else {
            address += '%';
            address += hex[u >> 4];
            address += hex[u & 0x0F];
        }
    }
    return address;
}

}  // namespace

MainWindow::MainWindow(fs::path run_directory)
    : 窗口("MainWindow", gbk("析理通 - [Bate测试体验版1.0]"), kDesignedWidth, kDesignedHeight,
           ui::Window::Frame::sizeable),
      工具条1(窗口, "工具条1", kToolBarHeight),
      状态条1(窗口, "状态条1", kStatusBarHeight, {36, 400}),
      高级选择夹_主(窗口, "高级选择夹_主", {0, 57, 696, 552},
                    gbk_list({"生成表达式", "表达式匹配"}), false),

      按钮_生成表达式(高级选择夹_主.page(0), "按钮_生成表达式", {8, 7, 64, 32}, gbk("生成")),
      选择框_子匹配模式(高级选择夹_主.page(0), "选择框_子匹配模式", {88, 14, 88, 24},
                        gbk("子匹配模式"), true),
      编辑框_待生成文本(高级选择夹_主.page(0), "编辑框_待生成文本", {8, 47, 646, 128},
                        Kind::multi_line),
      高级选择夹_待取(高级选择夹_主.page(0), "高级选择夹_待取", {2, 178, 688, 368},
                      gbk_list({"待取文本"}), true),
      标签1(高级选择夹_待取.page(0), "标签1", {6, 27, 328, 24},
            gbk("待取文本：" + std::string(20, ' ') + "文本属性：")),
      编辑框_待取文本(高级选择夹_待取.page(0), "编辑框_待取文本", {62, 30, 120, 20},
                      Kind::single_line),
      组合框_文本属性(高级选择夹_待取.page(0), "组合框_文本属性", {242, 30, 100, 24},
                      gbk_list({"通常方式", "整数型", "日期型", "手机号", "IP段", "IP段+端口"}), 0),
      按钮_添加(高级选择夹_待取.page(0), "按钮_添加", {348, 30, 80, 20}, gbk("添加")),
      按钮_清空(高级选择夹_待取.page(0), "按钮_清空", {428, 30, 80, 20}, gbk("清空")),
      超级列表框_待取文本(
          高级选择夹_待取.page(0), "超级列表框_待取文本", {8, 61, 656, 304},
          {{gbk("待取文本"), 380, ui::Align::left}, {gbk("文本属性"), 100, ui::Align::left}}),

      按钮_规则(高级选择夹_主.page(1), "按钮_规则", {8, 7, 64, 32}, gbk("规则"), false,
                CheckBox::Look::push_button),
      按钮_匹配(高级选择夹_主.page(1), "按钮_匹配", {72, 7, 64, 32}, gbk("匹配")),
      按钮_替换(高级选择夹_主.page(1), "按钮_替换", {136, 7, 64, 32}, gbk("替换")),
      按钮_生成(高级选择夹_主.page(1), "按钮_生成", {200, 7, 64, 32}, gbk("生成")),
      按钮_教程(高级选择夹_主.page(1), "按钮_教程", {264, 7, 64, 32}, gbk("教程")),
      选择框_全局(高级选择夹_主.page(1), "选择框_全局", {334, 11, 48, 24}, gbk("全局"), true),
      选择框_区分大小写(高级选择夹_主.page(1), "选择框_区分大小写", {390, 12, 88, 24},
                        gbk("区分大小写"), false),
      选择框_多行模式(高级选择夹_主.page(1), "选择框_多行模式", {478, 12, 88, 24}, gbk("多行模式"),
                      false),
      树型框1(高级选择夹_主.page(1), "树型框1", {492, 55, 180, 56}),
      编辑框_表达式(高级选择夹_主.page(1), "编辑框_表达式", {8, 40, 680, 88},
                    Kind::multi_line_no_scroll),
      高级选择夹_表达式匹配(高级选择夹_主.page(1), "高级选择夹_表达式匹配", {8, 135, 680, 416},
                            gbk_list({"语法提示", "源文本", "匹配结果", "替换结果", "生成代码"}),
                            true),

      编辑框_提示(高级选择夹_表达式匹配.page(0), "编辑框_提示", {8, 32, 664, 376},
                  Kind::multi_line),

      标签2(高级选择夹_表达式匹配.page(1), "标签2", {8, 29, 40, 24}, gbk("关键字:")),
      编辑框_关键字(高级选择夹_表达式匹配.page(1), "编辑框_关键字", {50, 32, 102, 20},
                    Kind::single_line, gbk("占不支持查找")),
      按钮6(高级选择夹_表达式匹配.page(1), "按钮6", {160, 30, 72, 24}, gbk("查找")),
      按钮7(高级选择夹_表达式匹配.page(1), "按钮7", {240, 30, 72, 24}, gbk("本地文件")),
      按钮8(高级选择夹_表达式匹配.page(1), "按钮8", {320, 30, 72, 24}, gbk("网络URL")),
      编辑框_源文本(高级选择夹_表达式匹配.page(1), "编辑框_源文本", {8, 64, 656, 344},
                    Kind::multi_line),

      选择框2(高级选择夹_表达式匹配.page(2), "选择框2", {8, 30, 80, 24}, gbk("不复制序号"), true),
      选择框3(高级选择夹_表达式匹配.page(2), "选择框3", {96, 30, 128, 24}, gbk("只复制子匹配文本"),
              false),
      超级列表框_匹配结果(
          高级选择夹_表达式匹配.page(2), "超级列表框_匹配结果", {8, 64, 656, 344},
          {{gbk("序号"), 50, ui::Align::left}, {gbk("匹配文本"), 100, ui::Align::left}}),

      编辑框_替换结果(高级选择夹_表达式匹配.page(3), "编辑框_替换结果", {8, 32, 664, 376},
                      Kind::multi_line_centred, replace_notice_text()),

      标签3(高级选择夹_表达式匹配.page(4), "标签3", {8, 27, 304, 24},
            gbk("生成类型：" + std::string(18, ' ') + "匹配方式：")),
      组合框1(高级选择夹_表达式匹配.page(4), "组合框1", {69, 30, 100, 20},
              gbk_list({"精易模块", "核心支持库"}), 0),
      组合框2(高级选择夹_表达式匹配.page(4), "组合框2", {232, 30, 100, 20},
              gbk_list({"批量匹配", "单个匹配"}), 0),
      按钮9(高级选择夹_表达式匹配.page(4), "按钮9", {338, 30, 80, 24}, gbk("生成")),
      按钮10(高级选择夹_表达式匹配.page(4), "按钮10", {424, 30, 80, 24}, gbk("复制")),
      编辑框_生成代码(高级选择夹_表达式匹配.page(4), "编辑框_生成代码", {8, 56, 664, 344},
                      Kind::multi_line),

      待取右键(窗口, "待取右键", gbk_list({"删除"})),
      run_directory_(std::move(run_directory)) {
    load_resources();
    窗口.set_icon(":/xilitong/match.png");

    工具条1.add_button(gbk("生成表达式"), ":/xilitong/generate.png", gbk("表达式匹配"), true);
    工具条1.add_button(gbk("表达式匹配"), ":/xilitong/match.png", gbk("表达式匹配"), true);
    工具条1.add_separator();
    工具条1.add_button(gbk("检查更新"), ":/xilitong/update.png", "", false);
    工具条1.add_separator();
    工具条1.add_button(gbk("赞助开发"), ":/xilitong/sponsor.png", "", false);
    工具条1.add_button(gbk("体验反馈"), ":/xilitong/feedback.png", "", false);
    工具条1.add_separator();
    工具条1.add_button(gbk("设置"), ":/xilitong/settings.png", "", false);

    状态条1.set_part_text(0, gbk("提示："));

    const int syntax = 树型框1.add_item(-1, gbk("正则表达式语法说明"));
    树型框1.add_item(syntax, "\\");
    树型框1.add_item(syntax, "^");
    树型框1.add_item(syntax, "$");
    树型框1.add_item(-1, gbk("常用正则语句"));
    树型框1.expand(syntax);
    树型框1.set_visible(false);

    编辑框_关键字.set_enabled(false);
    编辑框_替换结果.set_enabled(false);
    高级选择夹_表达式匹配.set_current_page(1);
    高级选择夹_主.set_current_page(0);

    wire_events();
}

MainWindow::~MainWindow() {
    窗口.on_resize = nullptr;
    窗口.on_close = nullptr;
}

void MainWindow::wire_events() {
    窗口.on_resize = [this] { enforce_minimum_size(); };
    窗口.on_close = [this] { save_state(); };
    工具条1.on_click = [this](int index) { handle_tool_bar_click(index); };

    按钮_生成表达式.on_click = [this] { generate_expression(); };
    按钮_添加.on_click = [this] { add_target(); };
    按钮_清空.on_click = [this] { clear_targets(); };
    超级列表框_待取文本.on_right_click = [this] { show_target_menu(); };
    待取右键.on_choose = [this](int) { delete_selected_target(); };

    按钮_规则.on_click = [this] { toggle_rules(); };
    按钮_匹配.on_click = [this] { run_match(); };
    按钮_替换.on_click = [this] { show_replace_notice(); };
    按钮_生成.on_click = [this] { ask_and_generate_code(); };
    按钮_教程.on_click = [this] { open_tutorial(); };
    编辑框_表达式.on_key_down = [this](const ui::KeyPress& key) { select_all_expression(key); };

    按钮7.on_click = [this] { load_from_file(); };
    按钮8.on_click = [this] { load_from_url(); };
    按钮9.on_click = [this] { generate_code(); };
    按钮10.on_click = [this] { copy_code(); };
}

void MainWindow::start() {
    窗口.centre_on_screen();
    窗口.show();
    initialise_main_window();
}

void MainWindow::initialise_main_window() {
    configure_file_dialog();
    窗口.set_outer_size(kStartWidth, kStartHeight);
    restore_state();
    layout_controls();
    write_feedback_address(run_directory_);  // a failure is ignored
}

void MainWindow::enforce_minimum_size() {
    // A minimised window keeps its last size, so restoring it gives that size again.
    if (窗口.minimised()) {
        return;
    }
    // Setting a size raises the size-changed event again at once; the nested call applies
    // the same rules to the new size and lays out before this one goes on.
    if (窗口.outer_width() <= kMinimumWidth) {
        窗口.set_outer_width(kMinimumWidth);
    }
    if (窗口.outer_height() <= kMinimumHeight) {
        窗口.set_outer_height(kMinimumHeight);
    }
    layout_controls();
}

void MainWindow::layout_controls() {
    const LayoutPlan p =
        plan_layout(窗口.outer_width(), 窗口.outer_height(), 状态条1.height(), 树型框1.visible());
    高级选择夹_主.move(p.main_tab);
    编辑框_待生成文本.move(p.sample_edit);
    高级选择夹_待取.move(p.target_tab);
    超级列表框_待取文本.move(p.target_list);
    按钮_生成表达式.move(p.generate_button);
    if (p.tree_shown) {
        树型框1.move(p.tree);
    }
    按钮_规则.move(p.rules_button);
    按钮_匹配.move(p.match_button);
    按钮_替换.move(p.replace_button);
    按钮_生成.move(p.code_button);
    按钮_教程.move(p.tutorial_button);
    编辑框_表达式.move(p.expression_edit);
    高级选择夹_表达式匹配.move(p.match_tab);
    编辑框_提示.move(p.hint_edit);
    编辑框_源文本.move(p.source_edit);
    超级列表框_匹配结果.move(p.result_list);
    编辑框_替换结果.move(p.replace_edit);
    编辑框_生成代码.move(p.code_edit);
}

void MainWindow::restore_state() {
    const SavedState state = read_state(run_directory_);
    编辑框_源文本.set_text(state.source);
    编辑框_待生成文本.set_text(state.sample);
    编辑框_表达式.set_text(state.expression);
    超级列表框_待取文本.begin_update();
    for (const TargetRow& row : state.targets) {
        const int at = 超级列表框_待取文本.append_row();
        超级列表框_待取文本.set_cell(at, 0, row.text);
        超级列表框_待取文本.set_cell(at, 1, row.attribute);
    }
    超级列表框_待取文本.end_update();
}

void MainWindow::save_state() {
    SavedState state;
    state.source = 编辑框_源文本.text();
    state.sample = 编辑框_待生成文本.text();
    state.expression = 编辑框_表达式.text();
    const int rows = 超级列表框_待取文本.row_count();
    state.targets.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        state.targets.push_back({超级列表框_待取文本.cell(i, 0), 超级列表框_待取文本.cell(i, 1)});
    }
    write_state(run_directory_, state);  // files that cannot be written are skipped
}

// --- Tool bar and side commands ------------------------------------------------------

void MainWindow::handle_tool_bar_click(int index) {
    if (index < 3) {
        高级选择夹_主.set_current_page(index);
    }
    if (index == kCheckUpdateButton) {
        open_maker_page();
    }
    if (index == kSponsorButton) {
        open_sponsor_window();
    }
    if (index == kFeedbackButton) {
        open_feedback_page();
    }
    if (index == kSettingsButton) {
        show_settings_notice();
    }
    layout_controls();
}

void MainWindow::toggle_rules() {
    树型框1.set_visible(按钮_规则.ticked());
    layout_controls();
}

void MainWindow::show_replace_notice() {
    ui::message_box(gbk("替换功能正在开发"), ui::Buttons::ok);
}

void MainWindow::show_settings_notice() {
    ui::message_box(gbk("暂无设置"), ui::Buttons::ok);
}

void MainWindow::open_tutorial() {
    // The tutorial ships inside the program; the browser gets a copy in the cache folder.
    const auto page = ui::resource_bytes(":/xilitong/tutorial.html");
    const fs::path folder = files::user_cache_directory();
    std::error_code ec;
    fs::create_directories(folder, ec);
    const fs::path file = folder / "tutorial.html";
    if (page && files::write_file_atomic(file, *page)) {
        ui::open_in_browser(file_address(file));
    } else {
        ui::open_in_browser(kOnlineTutorial);
    }
}

void MainWindow::select_all_expression(const ui::KeyPress& key) {
    if (is_select_all_key(key)) {
        编辑框_表达式.select_all();
    }
}

void MainWindow::open_maker_page() {
    ui::open_in_browser(kMakerPage);
}

void MainWindow::open_sponsor_window() {
    SponsorWindow sponsor;
    sponsor.run_modal();
}

void MainWindow::open_feedback_page() {
    ui::open_in_browser(feedback_address_to_open(stored_feedback_address(run_directory_)));
}

// --- Target list -----------------------------------------------------------------------

void MainWindow::add_target() {
    if (编辑框_待取文本.text().empty()) {
        状态条1.set_part_text(1, gbk("错误！待取文本不能为空"));
        return;
    }
    const int row = 超级列表框_待取文本.append_row();
    超级列表框_待取文本.set_cell(row, 0, 编辑框_待取文本.text());
    超级列表框_待取文本.set_cell(row, 1, 组合框_文本属性.selected_text());
}

void MainWindow::show_target_menu() {
    待取右键.popup(ui::mouse_position());
}

void MainWindow::delete_selected_target() {
    超级列表框_待取文本.delete_row(超级列表框_待取文本.selected_row());
}

void MainWindow::clear_targets() {
    超级列表框_待取文本.delete_all_rows();
}

// --- The program -----------------------------------------------------------------------

int run_program(int argc, char** argv, const fs::path& run_directory) {
    ui::Application application(argc, argv);
    application.close_windows_on_signals();
    load_resources();

    // The program's file dialog object lives from before the main window until after the
    // message loop; its dialogs are the toolkit's.
    program_file_dialog();
    ui::install_file_dialog_handler();

    int exit_code = 0;
    {
        MainWindow window(run_directory);
        window.start();
        exit_code = application.run();
    }
    program_file_dialog().dispose();
    return exit_code;
}

}  // namespace xlt::app
