// The small commands around the main work: web addresses, the feedback page's tamper
// check, the select-all key and the notice texts.
#pragma once

#include <string_view>

#include "platform/text.h"
#include "platform/ui/controls.h"

namespace xlt::app {

// Web pages of the project.
inline constexpr std::string_view kForumHome = "https://xilitong.example.org/forum/";
inline constexpr std::string_view kMakerPage = "https://xilitong.example.org/forum/space/maker";
inline constexpr std::string_view kOnlineTutorial =
    "https://xilitong.example.org/forum/thread/tutorial";
// What PeIH.ini holds for the feedback page: the forum's feedback board followed by a
// backslash, which a browser reads as "/".
inline constexpr std::string_view kFeedbackAddress =
    "https://xilitong.example.org/forum/feedback\\";

// The tool bar's buttons by index; separators count.
enum ToolBarButton : int {
    kGeneratePageButton = 0,
    kMatchPageButton = 1,
    kCheckUpdateButton = 3,
    kSponsorButton = 5,
    kFeedbackButton = 6,
    kSettingsButton = 8,
};

// The address the feedback command opens for what PeIH.ini holds.
//
// The stored address is a file anyone can edit, so it is not trusted: after turning
// backslashes into slashes (as browsers do for web addresses), it must start with the
// forum's own address "https://xilitong.example.org/forum/" and hold only printable ASCII
// characters other than blanks, quotes and angle brackets. A stored address that fails
// the check is ignored and the forum's home page opens instead, so an edited file can
// never send the user to another site or hand the browser a command line.
Text feedback_address_to_open(std::string_view stored);

// Whether a key press selects the whole expression: A with Ctrl alone.
bool is_select_all_key(const ui::KeyPress& key);

// The initial text of 编辑框_替换结果, every line ended by CR LF.
Text replace_notice_text();

}  // namespace xlt::app
