// Whole-file access and the folders the program keeps its files in.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/text.h"

namespace xlt::files {

// The folder that holds the running executable (from /proc/self/exe); empty when it
// cannot be found.
std::filesystem::path executable_directory();

// The user's configuration folder for the program: $XDG_CONFIG_HOME/xilitong, or
// ~/.config/xilitong when XDG_CONFIG_HOME is unset or not absolute. Not created here.
std::filesystem::path user_config_directory();

// The user's cache folder for the program: $XDG_CACHE_HOME/xilitong, or
// ~/.cache/xilitong. Not created here.
std::filesystem::path user_cache_directory();

// Whether a file can be created in `folder` right now. Probes by creating and removing a
// temporary file, so that a read-only mount or a missing folder counts as not writable
// even for a user whom permission bits do not stop.
bool is_writable_directory(const std::filesystem::path& folder);

// The folder that holds the program's state files: `preferred` when a file can be
// written there, otherwise `fallback`, which is created when missing. The fallback is
// returned even when it cannot be created; writes there then fail and are skipped.
std::filesystem::path choose_state_directory(const std::filesystem::path& preferred,
                                             const std::filesystem::path& fallback);

// The run directory: the executable's folder, or the user's configuration folder when
// the executable's folder is not writable (a program installed under /usr, say).
std::filesystem::path run_directory();

// All bytes of a file, or nothing when it does not exist or cannot be read.
std::optional<ByteString> read_file(const std::filesystem::path& file);

// Replaces the whole content of `file` with `bytes`, atomically: the bytes go into a
// temporary file beside it, which is then renamed over it, so that a crash never leaves
// a half-written file. An existing file keeps its permissions. False when any step
// fails; the temporary file is then removed and the old file is untouched.
bool write_file_atomic(const std::filesystem::path& file, std::string_view bytes);

}  // namespace xlt::files
