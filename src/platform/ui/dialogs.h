// Modal boxes, the default web browser, the clipboard and the mouse pointer.
//
// Every message box, input box and browser call goes through one seam: when an answerer
// is set, it receives the request and its reply stands for the user's answer (tests set
// one); otherwise the real modal dialog is shown, or the real browser started.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "platform/text.h"
#include "platform/ui/controls.h"

namespace xlt::ui {

enum class Buttons { ok, yes_no };
enum class Answer { ok, yes, no, cancel };

enum class BoxKind { message, input, browser };

struct BoxRequest {
    BoxKind kind = BoxKind::message;
    Text title;  // as shown: a message box without a title shows "信息："
    Text text;   // the message, the input box's prompt, or the address to open
    Buttons buttons = Buttons::ok;
    bool owned = false;  // shown with an owner window
};

struct BoxReply {
    Answer answer = Answer::ok;  // input box: ok for confirmed, cancel otherwise
    Text input;                  // input box: the text entered
    bool opened = true;          // browser: whether the address could be handed on
};

using BoxAnswerer = std::function<BoxReply(const BoxRequest&)>;

// Sets the answerer; an empty one restores the real dialogs. Returns the previous one.
BoxAnswerer set_box_answerer(BoxAnswerer answerer);

// The title a message box shows when none is given: "信息：" (GBK).
Text default_box_title();

// Shows `text` with the buttons and returns the one pressed (Answer::ok, yes or no).
// Without a title the box shows "信息："; without an owner it belongs to no window but
// blocks all windows of the program until answered.
Answer message_box(std::string_view text, Buttons buttons,
                   std::optional<std::string_view> title = std::nullopt,
                   const Window* owner = nullptr);

// An input box with a prompt, a title and one text field; the entered text when the user
// confirmed, nothing when cancelled.
std::optional<Text> input_box(std::string_view prompt, std::string_view title,
                              std::string_view initial = {}, const Window* owner = nullptr);

// Opens an address (ASCII, or GBK) in the default web browser. False when it could not
// be handed to one; nothing is reported to the user.
bool open_in_browser(std::string_view address);

// Puts text on the clipboard as plain text; false when it was not placed.
bool set_clipboard_text(std::string_view text);
// The clipboard's plain text (GBK; characters GBK lacks become "?").
Text clipboard_text();

Point mouse_position();

// The bytes of a compiled-in resource (a path such as ":/xilitong/tutorial.html"), or
// nothing when there is no such resource.
std::optional<ByteString> resource_bytes(const char* path);

// The user's desktop folder with a "/" at its end, or the empty text when there is none.
Text desktop_folder();

}  // namespace xlt::ui
