// The platform's open and save file dialogs, behind a handler that the window layer
// registers. The caller hands over a plain record of what to show; the handler shows a
// modal dialog and says which file(s) the user chose. With no handler registered every
// dialog counts as cancelled, so code and tests run without a window system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/text.h"

namespace xlt::file_dialog {

// The owner window as the window layer knows it (e.g. a widget pointer); 0 for none.
using WindowHandle = std::uintptr_t;

// Dialog option flags, one bit each, as a dialog's settings record combines them.
inline constexpr std::uint32_t kOverwritePrompt = 0x2;
inline constexpr std::uint32_t kHideReadOnly = 0x4;
inline constexpr std::uint32_t kNoChangeDir = 0x8;
inline constexpr std::uint32_t kEnableHook = 0x20;
inline constexpr std::uint32_t kAllowMultiSelect = 0x200;
inline constexpr std::uint32_t kPathMustExist = 0x800;
inline constexpr std::uint32_t kFileMustExist = 0x1000;
inline constexpr std::uint32_t kCreatePrompt = 0x2000;
inline constexpr std::uint32_t kExplorer = 0x80000;
inline constexpr std::uint32_t kEnableSizing = 0x800000;

enum class Kind { Open, Save };

struct Filter {
    Text description;  // e.g. "文本文件（TXT,HTM,HTML）"
    Text patterns;     // ";"-separated, e.g. "*.txt;*.htm;*.html"
};

// Every text is GBK.
struct Request {
    Kind kind = Kind::Open;
    WindowHandle owner = 0;
    Text title;                        // empty: the platform's default title
    std::vector<Filter> filters;       // in the order offered
    int selected_filter = 1;           // 1-based index into `filters`
    Text initial_folder;               // empty: none
    Text initial_name;                 // the name the dialog starts with; empty: none
    Text default_extension;            // without the dot; empty: none
    std::uint32_t flags = 0;           // the combined option flags above
    bool multi_select = false;         // several files may be chosen
    bool existing_files_only = false;  // open: only an existing file is accepted
    bool overwrite_prompt = false;     // save: ask before replacing a file
    std::size_t buffer_size = 0;       // bytes the caller reserved for the chosen names
};

struct Answer {
    bool confirmed = false;
    std::vector<Text> paths;  // full paths of the chosen files, in order (GBK)
    int selected_filter = 0;  // 1-based filter in force when the dialog closed; 0: unknown
};

using Handler = std::function<Answer(const Request&)>;

// Registers the handler that shows the dialogs; returns the one it replaces. An empty
// handler removes it.
Handler set_handler(Handler handler);

// Shows the dialog through the registered handler, or answers "cancelled" without one.
Answer show(const Request& request);

// A handle of the running program's own module, standing for the instance a dialog
// record names.
std::uintptr_t program_module();

}  // namespace xlt::file_dialog
