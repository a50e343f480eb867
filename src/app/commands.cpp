// The main window's commands that hand their work to the generator, the match run, the
// code generator and the source loading: each reads its controls, calls the pure
// function that does the work, and writes the result back into the controls.
#include <string>
#include <vector>

#include "app/gbk.h"
#include "app/main_window.h"
#include "codegen/code_generator.h"
#include "generator/generate.h"
#include "match/match_run.h"
#include "match/regex_object.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/file_dialogs.h"
#include "source/file_dialog_object.h"
#include "source/source_loading.h"

namespace xlt::app {

namespace {

constexpr int kExpressionPage = 1;  // of 高级选择夹_主
constexpr int kMatchButton = 1;     // of 工具条1: "表达式匹配"
constexpr int kResultsPage = 2;     // of 高级选择夹_表达式匹配: "匹配结果"
constexpr int kCodePage = 4;        // of 高级选择夹_表达式匹配: "生成代码"
constexpr int kMessagePart = 1;     // of 状态条1

std::vector<ui::Column> to_columns(const std::vector<match::ResultColumn>& columns) {
    std::vector<ui::Column> out;
    out.reserve(columns.size());
    for (const match::ResultColumn& c : columns) {
        out.push_back({c.title, c.width, ui::Align::left});
    }
    return out;
}

}  // namespace

source::FileDialogObject& program_file_dialog() {
    static source::FileDialogObject dialog = [] {
        source::FileDialogObject d;
        d.set_defaults();
        return d;
    }();
    return dialog;
}

void MainWindow::configure_file_dialog() {
    source::configure_source_dialog(program_file_dialog(), ui::desktop_folder());
}

// --- Expression generation -------------------------------------------------------------

void MainWindow::generate_expression() {
    std::vector<TargetEntry> rows;
    const int row_count = 超级列表框_待取文本.row_count();
    rows.reserve(row_count);
    for (int r = 0; r < row_count; ++r) {
        rows.push_back({超级列表框_待取文本.cell(r, 0), 超级列表框_待取文本.cell(r, 1)});
    }
    const Text sample = 编辑框_待生成文本.text();
    编辑框_表达式.set_text(xlt::generate_expression(sample, rows, 选择框_子匹配模式.ticked()));
    高级选择夹_主.set_current_page(kExpressionPage);
    工具条1.set_pressed(kMatchButton, true);
    layout_controls();
}

// --- Match run -------------------------------------------------------------------------

void MainWindow::run_match() {
    RegexObject regex;
    高级选择夹_表达式匹配.set_current_page(kResultsPage);
    ui::ReportList& list = 超级列表框_匹配结果;
    // One redraw for the whole fill: a run can list hundreds of thousands of rows.
    list.begin_update();
    list.delete_all_rows();
    list.set_columns(to_columns(match::base_result_columns()));

    const match::MatchRunInput input{编辑框_表达式.text(), 编辑框_源文本.text(),
                                     选择框_区分大小写.ticked(), 选择框_多行模式.ticked(),
                                     选择框_全局.ticked()};
    const match::MatchRunOutcome outcome = match::run_expression(regex, input);
    状态条1.set_part_text(kMessagePart, outcome.status);
    if (outcome.match_count > 0) {
        for (const match::ResultColumn& c : match::group_columns(outcome.group_count)) {
            list.append_column({c.title, c.width, ui::Align::left});
        }
        for (std::int32_t i = 1; i <= outcome.match_count; ++i) {
            const int row = list.append_row();
            list.set_cell(row, 0, std::to_string(i));
            list.set_cell(row, 1, regex.match_text(i));
            for (std::int32_t k = 1; k <= outcome.group_count; ++k) {
                list.set_cell(row, k + 1, regex.sub_match_text(i, k));
            }
        }
    }
    list.end_update();
}

// --- Code generation -------------------------------------------------------------------

void MainWindow::generate_code() {
    const int library = 组合框1.selected_index();
    const int mode = 组合框2.selected_index();
    编辑框_生成代码.set_text(codegen::generate_code(library, mode, 编辑框_表达式.text()));
}

void MainWindow::ask_and_generate_code() {
    const ui::Answer answer =
        ui::message_box(codegen::quote_question_text(), ui::Buttons::yes_no,
                        std::string_view(codegen::quote_question_title()), &窗口);
    if (answer != ui::Answer::yes) {
        return;
    }
    const int library = 组合框1.selected_index();
    const int mode = 组合框2.selected_index();
    编辑框_生成代码.set_text(
        codegen::generate_code_with_quote_handling(library, mode, 编辑框_表达式.text()));
    高级选择夹_表达式匹配.set_current_page(kCodePage);
}

void MainWindow::copy_code() {
    const bool placed = ui::set_clipboard_text(编辑框_生成代码.text());
    状态条1.set_part_text(kMessagePart,
                          placed ? codegen::copy_succeeded_text() : codegen::copy_failed_text());
}

// --- Source loading --------------------------------------------------------------------

void MainWindow::load_from_file() {
    const std::optional<Text> path =
        source::choose_source_file(program_file_dialog(), ui::dialog_owner_handle(窗口));
    if (!path) {
        return;
    }
    if (std::optional<Text> text = source::read_source_file(*path)) {
        编辑框_源文本.set_text(*text);
    } else {
        状态条1.set_part_text(kMessagePart, source::read_file_failed_text());
    }
}

void MainWindow::load_from_url() {
    const std::optional<Text> address =
        ui::input_box(source::address_prompt(), source::address_title(), {}, &窗口);
    if (!address) {
        return;
    }
    const ui::Answer answer =
        ui::message_box(source::page_encoding_question(), ui::Buttons::yes_no,
                        std::string_view(source::page_encoding_title()), &窗口);
    const source::PageEncoding encoding =
        answer == ui::Answer::yes ? source::PageEncoding::Utf8 : source::PageEncoding::Gbk;
    if (std::optional<Text> text = source::load_page(*address, encoding)) {
        编辑框_源文本.set_text(*text);
    } else {
        状态条1.set_part_text(kMessagePart, source::read_page_failed_text());
    }
}

}  // namespace xlt::app
