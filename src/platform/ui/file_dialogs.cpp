#include "platform/ui/file_dialogs.h"

#include <QFileDialog>
#include <QStringList>

#include "platform/file_dialog.h"
#include "platform/ui/qt_text.h"

namespace xlt::ui {

std::optional<FileDialogChoice> show_file_dialog(const FileDialogOptions& options,
                                                 const Window* owner) {
    QFileDialog dialog(owner != nullptr ? owner->widget() : nullptr);
    dialog.setAcceptMode(options.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (options.save) {
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.overwrite_prompt);
    } else if (options.multiple) {
        dialog.setFileMode(options.must_exist ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    } else {
        dialog.setFileMode(options.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    if (!options.title.empty()) {
        dialog.setWindowTitle(to_qstring(options.title));
    }
    // Qt's filter form is "description (pattern pattern)".
    QStringList filters;
    for (const FileFilter& f : options.filters) {
        QString patterns = to_qstring(f.patterns);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << to_qstring(f.description) + QStringLiteral(" (") + patterns +
                       QStringLiteral(")");
    }
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (options.selected_filter >= 0 && options.selected_filter < filters.size()) {
            dialog.selectNameFilter(filters[options.selected_filter]);
        }
    }
    if (!options.initial_folder.empty()) {
        dialog.setDirectory(to_qstring(options.initial_folder));
    }
    if (!options.initial_name.empty()) {
        dialog.selectFile(to_qstring(options.initial_name));
    }
    if (!options.default_extension.empty()) {
        dialog.setDefaultSuffix(to_qstring(options.default_extension));
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    FileDialogChoice choice;
    for (const QString& path : dialog.selectedFiles()) {
        choice.paths.push_back(to_text(path));
    }
    choice.selected_filter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    if (choice.selected_filter < 0) {
        choice.selected_filter = 0;
    }
    return choice;
}

std::uintptr_t dialog_owner_handle(const Window& window) {
    return reinterpret_cast<std::uintptr_t>(&window);
}

void install_file_dialog_handler() {
    file_dialog::set_handler([](const file_dialog::Request& request) {
        FileDialogOptions options;
        options.save = request.kind == file_dialog::Kind::Save;
        options.title = request.title;
        for (const file_dialog::Filter& f : request.filters) {
            options.filters.push_back({f.description, f.patterns});
        }
        options.selected_filter = request.selected_filter - 1;
        options.initial_folder = request.initial_folder;
        options.initial_name = request.initial_name;
        options.default_extension = request.default_extension;
        options.multiple = request.multi_select;
        options.must_exist = request.existing_files_only;
        options.overwrite_prompt = request.overwrite_prompt;
        const auto* owner = reinterpret_cast<const Window*>(request.owner);
        file_dialog::Answer answer;
        if (auto choice = show_file_dialog(options, owner)) {
            answer.confirmed = true;
            answer.paths = std::move(choice->paths);
            answer.selected_filter = choice->selected_filter + 1;
        }
        return answer;
    });
}

}  // namespace xlt::ui
