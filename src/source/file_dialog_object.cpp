#include "source/file_dialog_object.h"

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace xlt::source {
namespace fd = file_dialog;
namespace {

void set_option(std::int32_t& field, const std::optional<bool>& value, std::uint32_t flag) {
    if (value) {
        field = *value ? static_cast<std::int32_t>(flag) : 0;
    }
}

// The directory part of a path: everything before its last "/", or "/" itself.
std::string_view parent_of(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    return path.substr(0, slash == 0 ? 1 : slash);
}

bool is_inside(std::string_view path, std::string_view folder) {
    if (folder.empty()) {
        return true;
    }
    if (folder.back() == '/') {
        return path.starts_with(folder);
    }
    return path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/';
}

// The chosen paths written into the file-name buffer as a dialog returns them: one full
// path, or the folder they share followed by each name relative to it; every string ends
// in NUL and the list in a second NUL.
ByteString encode_answer(const std::vector<Text>& paths, bool multi) {
    ByteString buffer;
    if (!multi || paths.size() == 1) {
        buffer = paths.front();
        buffer.push_back('\0');
    } else {
        std::string_view folder = parent_of(paths.front());
        while (!std::all_of(paths.begin(), paths.end(),
                            [&](const Text& p) { return is_inside(p, folder); })) {
            folder = folder == "/" ? std::string_view() : parent_of(folder);
        }
        buffer.append(folder);
        buffer.push_back('\0');
        const std::size_t skip =
            folder.empty() || folder.back() == '/' ? folder.size() : folder.size() + 1;
        for (const Text& p : paths) {
            buffer.append(p, skip);
            buffer.push_back('\0');
        }
    }
    buffer.push_back('\0');
    return buffer;
}

// The buffer's names, as `file_names` receives them.
Text decode_names(const ByteString& buffer, bool multi, DialogRecord& record) {
    const std::string_view names =
        std::string_view(buffer).substr(0, buffer.find(std::string_view("\0\0", 2)));
    const std::size_t first_nul = names.find('\0');
    if (first_nul == std::string_view::npos || !multi) {
        const std::string_view path = names.substr(0, first_nul);
        const std::size_t slash = path.rfind('/');
        record.nFileOffset =
            static_cast<std::int32_t>(slash == std::string_view::npos ? 0 : slash + 1);
        const std::size_t dot = path.rfind('.');
        record.nFileExtension = static_cast<std::int32_t>(
            dot == std::string_view::npos || dot < static_cast<std::size_t>(record.nFileOffset)
                ? 0
                : dot + 1);
        return Text(path);
    }
    // Folder, then names: each name is joined to the folder, the items with ";".
    Text folder(names.substr(0, first_nul));
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    record.nFileOffset = static_cast<std::int32_t>(first_nul + 1);
    record.nFileExtension = 0;
    Text joined;
    std::size_t start = first_nul + 1;
    while (start <= names.size()) {
        std::size_t end = names.find('\0', start);
        if (end == std::string_view::npos) {
            end = names.size();
        }
        if (start > first_nul + 1) {
            joined.push_back(';');
        }
        joined += folder;
        joined.append(names.substr(start, end - start));
        start = end + 1;
    }
    return joined;
}

}  // namespace

ByteString convert_filter(const Text& filter_text) {
    ByteString filter = replace_all(replace_all(filter_text, " ", ""), "\xA1\xA1", "");
    std::replace(filter.begin(), filter.end(), '|', '\0');
    filter.append(2, '\0');
    return filter;
}

std::vector<fd::Filter> filter_pairs(const ByteString& filter) {
    std::vector<fd::Filter> pairs;
    std::vector<Text> strings;
    std::size_t start = 0;
    while (start < filter.size()) {
        const std::size_t end = std::min(filter.find('\0', start), filter.size());
        if (end == start) {
            break;
        }
        strings.emplace_back(filter, start, end - start);
        start = end + 1;
    }
    for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
        pairs.push_back({strings[i], strings[i + 1]});
    }
    return pairs;
}

FileDialogObject::FileDialogObject() : dialog_record(std::make_unique<DialogRecord>()) {
    set_defaults();
}

void FileDialogObject::set_defaults() {
    overwrite_prompt = fd::kOverwritePrompt;
    path_must_exist = fd::kPathMustExist;
    no_change_dir = 0;
    allow_multi_select = 0;
    create_prompt = fd::kCreatePrompt;
    file_must_exist = fd::kFileMustExist;
}

void FileDialogObject::configure(const Text& filter_text, std::int32_t filter_index,
                                 const Text& initial_folder, const Text& default_extension,
                                 const DialogOptions& options) {
    if (!dialog_record) {
        return;
    }
    DialogRecord& r = *dialog_record;
    r.hInstance = fd::program_module();
    r.lpstrFilter = convert_filter(filter_text);
    r.nFilterIndex = filter_index <= 0                                          ? 1
                     : filter_index == std::numeric_limits<std::int32_t>::max() ? filter_index
                                                                                : filter_index + 1;
    r.lpstrInitialDir = initial_folder;
    r.lpstrDefExt = default_extension;
    set_option(create_prompt, options.create_prompt, fd::kCreatePrompt);
    set_option(file_must_exist, options.file_must_exist, fd::kFileMustExist);
    set_option(overwrite_prompt, options.overwrite_prompt, fd::kOverwritePrompt);
    set_option(path_must_exist, options.path_must_exist, fd::kPathMustExist);
    set_option(no_change_dir, options.no_change_dir, fd::kNoChangeDir);
    set_option(allow_multi_select, options.allow_multi_select, fd::kAllowMultiSelect);
}

bool FileDialogObject::show_dialog(fd::WindowHandle owner_window, std::int32_t dialog_kind,
                                   Text& file_names, const Text& dialog_title, bool enable_hook) {
    if (!dialog_record) {
        return false;
    }
    DialogRecord& r = *dialog_record;
    r.lpstrTitle = dialog_title;
    r.lpstrFile.clear();
    r.lpstrFileTitle.clear();
    result_buffer.clear();
    r.hwndOwner = owner_window;

    // The initial names, NUL-separated, then zero bytes up to the capacity and one more.
    // Names longer than the capacity get a buffer just large enough to keep them whole.
    ByteString buffer = file_names;
    std::replace(buffer.begin(), buffer.end(), ';', '\0');
    const std::size_t capacity = allow_multi_select != 0 ? kMultiNameCapacity : kSingleNameCapacity;
    buffer.resize(std::max(capacity + 1, buffer.size() + 2), '\0');
    r.lpstrFile = buffer;
    r.nMaxFile = static_cast<std::int32_t>(buffer.size());
    r.lStructSize = 76;

    const std::uint32_t options = static_cast<std::uint32_t>(overwrite_prompt | path_must_exist |
                                                             no_change_dir | allow_multi_select);
    fd::Request request;
    if (dialog_kind == kOpenDialog) {
        r.Flags = fd::kHideReadOnly | fd::kExplorer | fd::kEnableSizing |
                  static_cast<std::uint32_t>(create_prompt | file_must_exist) | options;
        if (enable_hook) {
            r.Flags |= fd::kEnableHook | fd::kExplorer;
        }
        request.kind = fd::Kind::Open;
    } else if (dialog_kind == kSaveDialog) {
        r.Flags = fd::kExplorer | fd::kEnableSizing | options;
        request.kind = fd::Kind::Save;
    } else {
        r.lpstrFile.clear();
        return false;
    }

    request.owner = r.hwndOwner;
    request.title = r.lpstrTitle;
    request.filters = filter_pairs(r.lpstrFilter);
    request.selected_filter =
        r.nFilterIndex >= 1 && static_cast<std::size_t>(r.nFilterIndex) <= request.filters.size()
            ? r.nFilterIndex
            : 1;
    request.initial_folder = r.lpstrInitialDir;
    request.initial_name = text_before_nul(r.lpstrFile);
    request.default_extension = r.lpstrDefExt;
    request.flags = r.Flags;
    request.multi_select = (r.Flags & fd::kAllowMultiSelect) != 0;
    request.existing_files_only = request.kind == fd::Kind::Open && (r.Flags & fd::kFileMustExist);
    request.overwrite_prompt = request.kind == fd::Kind::Save && (r.Flags & fd::kOverwritePrompt);
    request.buffer_size = static_cast<std::size_t>(r.nMaxFile);

    const fd::Answer answer = fd::show(request);
    if (answer.selected_filter > 0) {
        r.nFilterIndex = answer.selected_filter;  // kept, whatever the outcome
    }
    const bool confirmed = answer.confirmed && !answer.paths.empty();
    if (confirmed) {
        const bool multi = allow_multi_select == static_cast<std::int32_t>(fd::kAllowMultiSelect);
        ByteString returned = encode_answer(answer.paths, multi);
        if (returned.size() < r.lpstrFile.size()) {
            returned.resize(r.lpstrFile.size(), '\0');
        }
        r.lpstrFile = returned;
        result_buffer = r.lpstrFile;
        file_names = decode_names(result_buffer, multi, r);
    }
    r.lpstrFile.clear();
    r.lpstrFileTitle.clear();
    result_buffer.clear();
    return confirmed;
}

FileDialogObject FileDialogObject::clone() const {
    FileDialogObject copy;
    copy.overwrite_prompt = overwrite_prompt;
    copy.path_must_exist = path_must_exist;
    copy.no_change_dir = no_change_dir;
    copy.allow_multi_select = allow_multi_select;
    copy.result_buffer = result_buffer;
    copy.dialog_record = dialog_record ? std::make_unique<DialogRecord>(*dialog_record) : nullptr;
    copy.create_prompt = create_prompt;
    copy.file_must_exist = file_must_exist;
    return copy;
}

void FileDialogObject::dispose() {
    result_buffer = ByteString();
    dialog_record.reset();
}

}  // namespace xlt::source
