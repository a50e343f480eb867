// The rows of the target list and the table of attribute kinds: the six names the user
// can pick for a target, in the order of the combo box, and the expression fragment that
// stands for each.
#pragma once

#include <array>
#include <string_view>

#include "platform/text.h"

namespace xlt {

// One row of the target list: the text to capture, exactly as typed, and the name of its
// attribute kind. A row restored from the state file may hold any text in either field.
struct TargetEntry {
    Text text;
    Text attribute;
    bool operator==(const TargetEntry&) const = default;
};

struct AttributeKind {
    std::string_view name;      // GBK
    std::string_view fragment;  // every backslash is one character of the fragment
};

// In combo-box order; item 0 is selected when the window opens.
inline constexpr std::array<AttributeKind, 6> kAttributeKinds = {{
    {"\xCD\xA8\xB3\xA3\xB7\xBD\xCA\xBD", R"(.*?)"},                // 通常方式
    {"\xD5\xFB\xCA\xFD\xD0\xCD", R"(\d+)"},                        // 整数型
    {"\xC8\xD5\xC6\xDA\xD0\xCD", R"(\d{4}\-\d{2}\-\d{2})"},        // 日期型
    {"\xCA\xD6\xBB\xFA\xBA\xC5", R"(\d{11,})"},                    // 手机号
    {"IP\xB6\xCE", R"(\d+\.\d+\.\d+\.\d+)"},                       // IP段
    {"IP\xB6\xCE+\xB6\xCB\xBF\xDA", R"(\d+\.\d+\.\d+\.\d+:\d+)"},  // IP段+端口
}};

// The fragment of the kind whose name equals `attribute` byte for byte (whole texts, no
// trimming, case-sensitive), or the empty text when no name does.
Text fragment_for_attribute(std::string_view attribute);

}  // namespace xlt
