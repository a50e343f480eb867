// Test helper: the tests are written in UTF-8, the code under test works on GBK.
#pragma once

#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace xlt::test {

inline std::string G(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}
inline std::string U(std::string_view gbk) {
    return codepage::gbk_to_utf8(gbk);
}

}  // namespace xlt::test
