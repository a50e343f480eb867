// The window's own texts are written in UTF-8 in the source and used as GBK Text.
#pragma once

#include <string_view>

#include "platform/codepage.h"
#include "platform/text.h"

namespace xlt::app {

inline Text gbk(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}

}  // namespace xlt::app
