#include "generator/target_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gbk.h"

namespace xlt {
namespace {

using test::G;

TEST(FragmentForAttribute, NamesTheSixKindsExactly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"通常方式", R"(.*?)"},
        {"整数型", R"(\d+)"},
        {"日期型", R"(\d{4}\-\d{2}\-\d{2})"},
        {"手机号", R"(\d{11,})"},
        {"IP段", R"(\d+\.\d+\.\d+\.\d+)"},
        {"IP段+端口", R"(\d+\.\d+\.\d+\.\d+:\d+)"},
        {"整数", ""},
        {"整数型 ", ""},
        {"ip段", ""},
        {"", ""},
    };
    for (const auto& [name, fragment] : cases) {
        EXPECT_EQ(fragment_for_attribute(G(name)), fragment) << "attribute=" << name;
    }
    // The names are GBK, in combo-box order.
    EXPECT_EQ(kAttributeKinds[0].name, G("通常方式"));
    EXPECT_EQ(kAttributeKinds[5].name, G("IP段+端口"));
}

}  // namespace
}  // namespace xlt
