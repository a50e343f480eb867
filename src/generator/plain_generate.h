// Expression generation done the plain way: the working text kept as a list of segments,
// and every target and every piece looked for by scanning all the untouched segments
// again. Slow on large samples; it gives the same expressions as generate_expression and
// serves as the yardstick that tests and the benchmark hold it against.
#pragma once

#include <string_view>
#include <vector>

#include "generator/target_list.h"
#include "platform/text.h"

namespace xlt {

Text generate_expression_plain(std::string_view sample, const std::vector<TargetEntry>& rows,
                               bool submatch_mode);

}  // namespace xlt
