#include "generator/generate_steps.h"

namespace xlt::generation {

Text marker_fragment(const TargetEntry& row, bool submatch_mode) {
    const Text fragment = fragment_for_attribute(row.attribute);
    return submatch_mode ? "(" + fragment + ")" : fragment;
}

Text finish_expression(Text expression) {
    const std::string_view text = expression;
    if (text.ends_with(')') && !text.ends_with("])") && !text.ends_with("})")) {
        expression += '$';
    }
    return replace_all(expression, "\r\n", "\\s+");
}

}  // namespace xlt::generation
