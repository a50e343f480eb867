// The main window: every control of the tool, the wiring of their events, and the
// handlers of the application shell (start-up, layout, state files, tool bar and side
// commands). The controls are the data of a run: handlers read and write them, and keep
// no other state.
#pragma once

#include <filesystem>

#include "platform/ui/controls.h"
#include "source/file_dialog_object.h"

namespace xlt::app {

class MainWindow {
public:
    // The window with every control in its designed place and initial state; its state
    // files live in `run_directory`. Nothing is shown yet.
    explicit MainWindow(std::filesystem::path run_directory);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Centres the window at its designed size, shows it and initialises it, before the
    // user can act.
    void start();

    const std::filesystem::path& run_directory() const { return run_directory_; }

    // --- Start-up, layout, state files -------------------------------------------------
    void initialise_main_window();
    void enforce_minimum_size();
    void layout_controls();
    void restore_state();
    void save_state();

    // --- Tool bar and side commands ----------------------------------------------------
    void handle_tool_bar_click(int index);
    void toggle_rules();
    void show_replace_notice();
    void open_tutorial();
    void select_all_expression(const ui::KeyPress& key);
    void open_maker_page();
    void open_sponsor_window();
    void open_feedback_page();
    void show_settings_notice();

    // --- Target list -------------------------------------------------------------------
    void add_target();
    void show_target_menu();
    void delete_selected_target();
    void clear_targets();

    // --- Commands of the generator, the match run, the code generator and source
    // loading: wired to their controls, their work is done elsewhere (see
    // later_commands.cpp). ----------------------------------------------------------------
    void generate_expression();
    void run_match();
    void ask_and_generate_code();
    void generate_code();
    void copy_code();
    void load_from_file();
    void load_from_url();
    // Looks up the desktop folder and configures the program's file dialog object with
    // the text-file filter and that folder; runs first in initialise_main_window.
    void configure_file_dialog();

    // --- The controls, in creation order -----------------------------------------------
    ui::Window 窗口;
    ui::ToolBar 工具条1;
    ui::StatusBar 状态条1;
    ui::TabControl 高级选择夹_主;

    // Page 0 "生成表达式" of 高级选择夹_主.
    ui::Button 按钮_生成表达式;
    ui::CheckBox 选择框_子匹配模式;
    ui::EditBox 编辑框_待生成文本;
    ui::TabControl 高级选择夹_待取;
    // Page 0 "待取文本" of 高级选择夹_待取.
    ui::Label 标签1;
    ui::EditBox 编辑框_待取文本;
    ui::ComboBox 组合框_文本属性;
    ui::Button 按钮_添加;
    ui::Button 按钮_清空;
    ui::ReportList 超级列表框_待取文本;

    // Page 1 "表达式匹配" of 高级选择夹_主.
    ui::CheckBox 按钮_规则;
    ui::Button 按钮_匹配;
    ui::Button 按钮_替换;
    ui::Button 按钮_生成;
    ui::Button 按钮_教程;
    ui::CheckBox 选择框_全局;
    ui::CheckBox 选择框_区分大小写;
    ui::CheckBox 选择框_多行模式;
    ui::TreeView 树型框1;
    ui::EditBox 编辑框_表达式;
    ui::TabControl 高级选择夹_表达式匹配;
    // Page 0 "语法提示".
    ui::EditBox 编辑框_提示;
    // Page 1 "源文本".
    ui::Label 标签2;
    ui::EditBox 编辑框_关键字;
    ui::Button 按钮6;
    ui::Button 按钮7;
    ui::Button 按钮8;
    ui::EditBox 编辑框_源文本;
    // Page 2 "匹配结果".
    ui::CheckBox 选择框2;
    ui::CheckBox 选择框3;
    ui::ReportList 超级列表框_匹配结果;
    // Page 3 "替换结果".
    ui::EditBox 编辑框_替换结果;
    // Page 4 "生成代码".
    ui::Label 标签3;
    ui::ComboBox 组合框1;
    ui::ComboBox 组合框2;
    ui::Button 按钮9;
    ui::Button 按钮10;
    ui::EditBox 编辑框_生成代码;

    ui::PopupMenu 待取右键;

private:
    void wire_events();

    std::filesystem::path run_directory_;
};

// The program's one file dialog object, created with its defaults on first use; it keeps
// its settings (filter, folder, last filter chosen) between the commands that use it.
source::FileDialogObject& program_file_dialog();

// Makes the compiled-in pictures and pages available; safe to call more than once.
void load_resources();

// The whole program: creates the toolkit, the file dialog object and the main window,
// runs the message loop until the window is closed, and returns the exit code.
int run_program(int argc, char** argv, const std::filesystem::path& run_directory);

}  // namespace xlt::app
