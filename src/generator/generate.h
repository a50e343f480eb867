// Expression generation: from a sample text and the rows of the target list, an
// expression that finds each target in the context it has in the sample.
#pragma once

#include <string_view>
#include <vector>

#include "generator/target_list.h"
#include "platform/text.h"

namespace xlt {

// Every occurrence of each row's target (rows in order) becomes a marker for that row; the
// text left between the markers is cut into pieces, and every occurrence of each piece
// (pieces in order) becomes the piece's generalised fragment. Both searches look only at
// text that is still as it stood in the sample. Each marker then becomes its row's
// attribute fragment, in parentheses when `submatch_mode` is set; an expression that ends
// in ")" other than "])" or "})" gets a closing "$", and every CR LF becomes "\s+".
// Characters that stay literal are escaped, so the expression matches its own sample.
Text generate_expression(std::string_view sample, const std::vector<TargetEntry>& rows,
                         bool submatch_mode);

}  // namespace xlt
