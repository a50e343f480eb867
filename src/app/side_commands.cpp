#include "app/side_commands.h"

#include <algorithm>

#include "app/gbk.h"

namespace xlt::app {

Text feedback_address_to_open(std::string_view stored) {
    Text address(stored);
    std::replace(address.begin(), address.end(), '\\', '/');
    const bool printable = std::all_of(address.begin(), address.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u < 0x7F && c != '"' && c != '\'' && c != '<' && c != '>' && c != '`';
    });
    if (printable && address.size() >= kForumHome.size() &&
        address.compare(0, kForumHome.size(), kForumHome) == 0) {
        return address;
    }
    return Text(kForumHome);
}

bool is_select_all_key(const ui::KeyPress& key) {
    return key.key == 'A' && key.ctrl && !key.shift && !key.alt;
}

Text replace_notice_text() {
    return gbk(
        "\r\n"
        "析理通开发组制作  联系我们：https://xilitong.example.org/forum/\r\n"
        "\r\n"
        "========================替换功能暂时未开发========================\r\n"
        "\r\n"
        "目前可匹配大部分常用正则，如不能取请手动！\r\n"
        "\r\n"
        "作者正在努力开发，如果喜欢并想要支持本产品的，可以点击上方的【开发赞助】对软件开"
        "发做出支持\r\n");
}

}  // namespace xlt::app
