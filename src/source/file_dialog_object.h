// FileDialogObject: the program's file dialog, which keeps its settings between uses.
// Its filter is written in one line, descriptions and patterns alternating after "|":
// "文本文件（TXT,HTM,HTML）|*.txt;*.htm;*.html|所有文件(*.*)|*.*". The object turns that
// into the NUL-separated form of a dialog record, sizes the file-name buffer, combines
// the option flags, has the platform show the dialog (platform/file_dialog.h), and turns
// the returned buffer into one Text: a full path, or several joined with ";".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/file_dialog.h"
#include "platform/text.h"

namespace xlt::source {

// The settings handed to a dialog, member for member as a dialog's settings structure
// orders them. The two 16-bit offsets are held widened.
struct DialogRecord {
    std::int32_t lStructSize = 0;
    file_dialog::WindowHandle hwndOwner = 0;
    std::uintptr_t hInstance = 0;
    ByteString lpstrFilter;  // description NUL patterns NUL ... NUL NUL
    ByteString lpstrCustomFilter;
    std::int32_t nMaxCustFilter = 0;
    std::int32_t nFilterIndex = 0;  // 1-based selected filter
    ByteString lpstrFile;           // file-name buffer, only while a dialog is shown
    std::int32_t nMaxFile = 0;      // its length in bytes
    ByteString lpstrFileTitle;
    std::int32_t nMaxFileTitle = 0;
    Text lpstrInitialDir;
    Text lpstrTitle;
    std::uint32_t Flags = 0;
    std::int32_t nFileOffset = 0;     // where the (first) name starts in the buffer
    std::int32_t nFileExtension = 0;  // where its extension starts; 0 when it has none
    Text lpstrDefExt;
    std::int32_t lCustData = 0;
    std::uintptr_t lpfnHook = 0;
    Text lpTemplateName;
};

// The options `configure` can set; an option left empty keeps its current value.
struct DialogOptions {
    std::optional<bool> create_prompt = std::nullopt;
    std::optional<bool> file_must_exist = std::nullopt;
    std::optional<bool> overwrite_prompt = std::nullopt;
    std::optional<bool> path_must_exist = std::nullopt;
    std::optional<bool> no_change_dir = std::nullopt;
    std::optional<bool> allow_multi_select = std::nullopt;
};

inline constexpr std::int32_t kOpenDialog = 0;
inline constexpr std::int32_t kSaveDialog = 1;

// File-name buffer capacity in bytes, without the closing NUL byte.
inline constexpr std::size_t kSingleNameCapacity = 256;
inline constexpr std::size_t kMultiNameCapacity = 2048;

class FileDialogObject {
public:
    // A new object: a fresh zero record, options at their defaults.
    FileDialogObject();
    FileDialogObject(FileDialogObject&&) noexcept = default;
    FileDialogObject& operator=(FileDialogObject&&) noexcept = default;

    // Overwrite prompt, path must exist, create prompt and file must exist on; no change
    // of folder and multiple selection off.
    void set_defaults();

    // Sets the filter (spaces, half- and full-width, removed), the selected filter
    // (`filter_index` counts from 0; 0 or less selects the first), the initial folder,
    // the default extension and the options given.
    void configure(const Text& filter_text, std::int32_t filter_index, const Text& initial_folder,
                   const Text& default_extension, const DialogOptions& options = {});

    // Shows the open (`dialog_kind` 0) or save (1) dialog. `file_names` holds the initial
    // name(s), ";"-separated, and receives the chosen path(s) when the user confirms;
    // otherwise, and for any other kind, it is left alone and the result is false. The
    // filter selected when the dialog closes is selected again the next time.
    bool show_dialog(file_dialog::WindowHandle owner_window, std::int32_t dialog_kind,
                     Text& file_names, const Text& dialog_title, bool enable_hook = false);

    // A deep, independent copy.
    FileDialogObject clone() const;

    // Releases the buffers and the record; a disposed object shows no dialog and
    // ignores `configure`.
    void dispose();

    // Each option holds its flag value or 0, so the dialog flags are their plain OR.
    std::int32_t overwrite_prompt = 0;
    std::int32_t path_must_exist = 0;
    std::int32_t no_change_dir = 0;
    std::int32_t allow_multi_select = 0;
    ByteString result_buffer;  // a copy of the returned buffer while show_dialog runs
    std::unique_ptr<DialogRecord> dialog_record;
    std::int32_t create_prompt = 0;
    std::int32_t file_must_exist = 0;
};

// The one-line filter in the record's form: spaces (0x20 and the full-width A1 A1)
// removed, every "|" byte turned into NUL (byte by byte, so the second byte of a
// double-byte character is split too), two NUL bytes appended.
ByteString convert_filter(const Text& filter_text);

// The description/pattern pairs of a converted filter, up to its first empty string.
std::vector<file_dialog::Filter> filter_pairs(const ByteString& filter);

}  // namespace xlt::source
