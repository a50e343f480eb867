// Steps of expression generation shared by the indexed generation and the plain one that
// tests and the benchmark compare it with.
#pragma once

#include <string_view>

#include "generator/target_list.h"
#include "platform/text.h"

namespace xlt::generation {

// What a marker of `row` becomes: the row's attribute fragment, in parentheses in
// sub-match mode (so an unknown attribute gives "" or "()").
Text marker_fragment(const TargetEntry& row, bool submatch_mode);

// The closing steps: "$" after a final ")" that is not part of "])" or "})", then every
// CR LF pair replaced by "\s+".
Text finish_expression(Text expression);

}  // namespace xlt::generation
