// The platform's open and save dialogs.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "platform/ui/controls.h"

namespace xlt::ui {

struct FileFilter {
    Text description;  // e.g. "文本文件（TXT,HTM,HTML）"
    Text patterns;     // e.g. "*.txt;*.htm;*.html"
};

struct FileDialogOptions {
    bool save = false;  // false: the open dialog
    Text title;         // empty: the platform's default title
    std::vector<FileFilter> filters;
    int selected_filter = 0;       // counted from 0
    Text initial_folder;           // empty: none
    Text initial_name;             // the file name shown at first
    Text default_extension;        // without the dot; empty: none
    bool multiple = false;         // open: several files may be chosen
    bool must_exist = true;        // open: only existing files are accepted
    bool overwrite_prompt = true;  // save: ask before replacing a file
};

struct FileDialogChoice {
    std::vector<Text> paths;  // full paths, GBK
    int selected_filter = 0;  // the filter shown when the user confirmed, from 0
};

// Shows the dialog modally; nothing when the user cancelled.
std::optional<FileDialogChoice> show_file_dialog(const FileDialogOptions& options,
                                                 const Window* owner = nullptr);

// The owner handle that a dialog request carries for `window`.
std::uintptr_t dialog_owner_handle(const Window& window);

// Registers show_file_dialog as the handler behind the platform's file dialog requests
// (platform/file_dialog.h); owners are handles made by dialog_owner_handle.
void install_file_dialog_handler();

}  // namespace xlt::ui
