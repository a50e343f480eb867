// Filling the source text box from a local file or from a web address: the steps of the
// two loading commands that need no window. A command asks its questions through the
// window, calls one of these functions, and either replaces the box's text with the
// result or, when there is none, leaves the box alone and shows the failure text in the
// status bar.
#pragma once

#include <optional>

#include "platform/file_dialog.h"
#include "platform/http.h"
#include "platform/text.h"
#include "source/file_dialog_object.h"

namespace xlt::source {

// The commands' own texts, in GBK.
const Text& read_file_failed_text();   // status bar: "读取文件失败"
const Text& read_page_failed_text();   // status bar: "读取网页失败"
const Text& file_dialog_title();       // "从文本导入"
const Text& text_file_filter();        // text files (*.txt;*.htm;*.html), then all files
const Text& address_prompt();          // input box prompt: "请输入HTTP:\\开头的网站地址"
const Text& address_title();           // input box title: "网站(URL)地址"
const Text& page_encoding_title();     // question title: "网页编码"
const Text& page_encoding_question();  // "是=UTF_8编码" CR LF "否=GBK_编码"; 是 means UTF-8

// Sets up the program's file dialog for source files: the text-file filter selected,
// starting in `desktop_folder` (a "/" is appended when it lacks one), one file at a time.
void configure_source_dialog(FileDialogObject& dialog, const Text& desktop_folder);

// Shows the open dialog for a source file; the chosen full path, or nothing when the
// user cancelled.
std::optional<Text> choose_source_file(FileDialogObject& dialog,
                                       file_dialog::WindowHandle owner_window);

// The file at `path` (GBK) read as text: its bytes up to the first NUL or 0x1A byte that
// starts a character, taken as GBK without any conversion. The file is opened for
// reading only and closed before returning. Nothing when it is not a regular file or
// cannot be opened or read; an empty file gives the empty text.
std::optional<Text> read_source_file(const Text& path);

enum class PageEncoding { Utf8, Gbk };

// The address to read for what the user typed: surrounding white space dropped; for
// http and https, the slashes or backslashes after the colon become "//" and
// backslashes before any "?" or "#" become "/"; an address without a scheme is read
// as http ("www.x.cn\a" and "//www.x.cn/a" give "http://www.x.cn/a"). Other schemes
// are left as they are.
Text normalise_address(const Text& typed);

// A downloaded body as the box's text: the bytes before the first NUL byte, converted
// from UTF-8 to GBK for a UTF-8 page and taken as they are for a GBK page.
Text page_text(const ByteString& body, PageEncoding encoding);

// Reads the page at the typed address and turns it into the box's text; an error page
// is a page like any other. Nothing when nothing at all could be read (bad address, no
// connection, timeout).
std::optional<Text> load_page(const Text& typed_address, PageEncoding encoding,
                              const http::GetOptions& options = {});

}  // namespace xlt::source
