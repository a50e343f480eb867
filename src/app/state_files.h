// The files that keep the window's texts and target list between runs, in the run
// directory: Yool.ini, Dool.ini and Bool.ini hold the plain GBK bytes of the source
// text, the sample text and the expression; rool.ini (an INI file) holds the target
// list; PeIH.ini (an INI file) holds the feedback page's address.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "generator/target_list.h"
#include "platform/text.h"

namespace xlt::app {

inline constexpr const char* kSourceFile = "Yool.ini";
inline constexpr const char* kSampleFile = "Dool.ini";
inline constexpr const char* kExpressionFile = "Bool.ini";
inline constexpr const char* kTargetsFile = "rool.ini";
inline constexpr const char* kFeedbackFile = "PeIH.ini";

// Separates a target's text from its attribute inside a stored record.
inline constexpr std::string_view kFieldSeparator = "----";

// One row of the target list: column 0 and column 1.
using TargetRow = TargetEntry;

struct SavedState {
    Text source;      // 编辑框_源文本
    Text sample;      // 编辑框_待生成文本
    Text expression;  // 编辑框_表达式
    std::vector<TargetRow> targets;
};

// The stored form of the target list: for every row its text, "----", its attribute and
// the item separator, with nothing between records.
Text encode_target_records(const std::vector<TargetRow>& rows);

// The rows of a stored target list. A record is split at its last "----" (attribute
// names never hold one, target texts may); a record without one is a text with an empty
// attribute.
std::vector<TargetRow> decode_target_records(std::string_view records);

// Reads what the files in `folder` hold; missing or unreadable files give empty texts
// and no rows. The three texts come back byte for byte (up to a NUL byte, which a text
// cannot hold).
SavedState read_state(const std::filesystem::path& folder);

// Writes every file of the state into `folder`, each replaced atomically. A file that
// cannot be written is skipped and the others are still written; returns how many were
// written.
int write_state(const std::filesystem::path& folder, const SavedState& state);

// Writes the feedback page's address into PeIH.ini; false when it cannot be written.
bool write_feedback_address(const std::filesystem::path& folder);

// The address PeIH.ini holds, or the forum's home page when the file or key is missing.
Text stored_feedback_address(const std::filesystem::path& folder);

}  // namespace xlt::app
