#include "app/state_files.h"

#include "app/gbk.h"
#include "app/side_commands.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace xlt::app {
namespace {

namespace fs = std::filesystem;

const Text& targets_section() {
    static const Text name = gbk("超级列表框");
    return name;
}
const Text& targets_key() {
    static const Text name = gbk("待取文本");
    return name;
}
const Text& feedback_section() {
    static const Text name = gbk("网页");
    return name;
}
const Text& feedback_key() {
    static const Text name = gbk("体验反馈");
    return name;
}

// Start of the last occurrence of `needle` that begins at a character boundary.
std::size_t find_last_aligned(std::string_view text, std::string_view needle) {
    std::size_t last = std::string_view::npos;
    for (std::size_t pos = find_aligned(text, needle); pos != std::string_view::npos;
         pos = find_aligned(text, needle, pos + char_length(text, pos))) {
        last = pos;
    }
    return last;
}

Text read_text(const fs::path& file) {
    return text_before_nul(files::read_file(file).value_or(ByteString()));
}

}  // namespace

Text encode_target_records(const std::vector<TargetRow>& rows) {
    Text out;
    for (const TargetRow& row : rows) {
        out += row.text;
        out += kFieldSeparator;
        out += row.attribute;
        out += ItemSeparator;
    }
    return out;
}

std::vector<TargetRow> decode_target_records(std::string_view records) {
    std::vector<TargetRow> rows;
    for (const Text& record : split_text(records, ItemSeparator)) {
        const std::size_t at = find_last_aligned(record, kFieldSeparator);
        if (at == std::string_view::npos) {
            rows.push_back({record, Text()});
        } else {
            rows.push_back({record.substr(0, at), record.substr(at + kFieldSeparator.size())});
        }
    }
    return rows;
}

SavedState read_state(const fs::path& folder) {
    SavedState state;
    state.source = read_text(folder / kSourceFile);
    state.sample = read_text(folder / kSampleFile);
    state.expression = read_text(folder / kExpressionFile);
    state.targets = decode_target_records(
        ini::read_value(folder / kTargetsFile, targets_section(), targets_key(), ""));
    return state;
}

int write_state(const fs::path& folder, const SavedState& state) {
    int written = 0;
    written += files::write_file_atomic(folder / kSourceFile, state.source);
    written += files::write_file_atomic(folder / kSampleFile, state.sample);
    written += files::write_file_atomic(folder / kExpressionFile, state.expression);
    // In quotes, so that blanks at the start of the first target survive the reading,
    // which removes blanks around a value and then one pair of quotes.
    const Text value = "\"" + encode_target_records(state.targets) + "\"";
    written += ini::write_value(folder / kTargetsFile, targets_section(), targets_key(), value);
    return written;
}

bool write_feedback_address(const fs::path& folder) {
    return ini::write_value(folder / kFeedbackFile, feedback_section(), feedback_key(),
                            Text(kFeedbackAddress));
}

Text stored_feedback_address(const fs::path& folder) {
    return ini::read_value(folder / kFeedbackFile, feedback_section(), feedback_key(), kForumHome);
}

}  // namespace xlt::app
