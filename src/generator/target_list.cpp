#include "generator/target_list.h"

namespace xlt {

Text fragment_for_attribute(std::string_view attribute) {
    for (const AttributeKind& kind : kAttributeKinds) {
        if (kind.name == attribute) {
            return Text(kind.fragment);
        }
    }
    return {};
}

}  // namespace xlt
