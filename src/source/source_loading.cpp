#include "source/source_loading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "source/encoding.h"

namespace xlt::source {
namespace {

Text to_gbk(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool is_scheme_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

bool is_slash(char c) {
    return c == '/' || c == '\\';
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] + 32) : a[i];
        if (x != b[i]) {
            return false;
        }
    }
    return true;
}

// Host and path with every backslash before "?" or "#" turned into "/", character by
// character so that the second byte of a GBK character is never taken for one.
Text forward_slashes(std::string_view rest) {
    Text out;
    out.reserve(rest.size());
    std::size_t pos = 0;
    while (pos < rest.size()) {
        const char c = rest[pos];
        if (c == '?' || c == '#') {
            out.append(rest.substr(pos));
            break;
        }
        const std::size_t len = char_length(rest, pos);
        if (len == 1 && c == '\\') {
            out.push_back('/');
        } else {
            out.append(rest.substr(pos, len));
        }
        pos += len;
    }
    return out;
}

// The rest of an open file; nothing when a read fails.
std::optional<ByteString> read_all(int fd, off_t size_hint) {
    ByteString bytes;
    bytes.reserve(static_cast<std::size_t>(size_hint > 0 ? size_hint : 0));
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            return bytes;
        } else if (errno != EINTR) {
            return std::nullopt;
        }
    }
}

}  // namespace

const Text& read_file_failed_text() {
    static const Text t = to_gbk("读取文件失败");
    return t;
}
const Text& read_page_failed_text() {
    static const Text t = to_gbk("读取网页失败");
    return t;
}
const Text& file_dialog_title() {
    static const Text t = to_gbk("从文本导入");
    return t;
}
const Text& text_file_filter() {
    static const Text t = to_gbk("文本文件（TXT,HTM,HTML）|*.txt;*.htm;*.html|所有文件(*.*)|*.*");
    return t;
}
const Text& address_prompt() {
    static const Text t = to_gbk("请输入HTTP:\\\\开头的网站地址");
    return t;
}
const Text& address_title() {
    static const Text t = to_gbk("网站(URL)地址");
    return t;
}
const Text& page_encoding_title() {
    static const Text t = to_gbk("网页编码");
    return t;
}
const Text& page_encoding_question() {
    static const Text t = to_gbk("是=UTF_8编码\r\n否=GBK_编码");
    return t;
}

void configure_source_dialog(FileDialogObject& dialog, const Text& desktop_folder) {
    Text folder = desktop_folder;
    if (!folder.empty() && folder.back() != '/') {
        folder.push_back('/');
    }
    dialog.configure(text_file_filter(), 0, folder, "", {.allow_multi_select = false});
}

std::optional<Text> choose_source_file(FileDialogObject& dialog,
                                       file_dialog::WindowHandle owner_window) {
    Text names;
    if (!dialog.show_dialog(owner_window, kOpenDialog, names, file_dialog_title(), false)) {
        return std::nullopt;
    }
    return names;
}

std::optional<Text> read_source_file(const Text& path) {
    const std::string name = codepage::gbk_to_utf8(path);
    if (name.empty()) {
        return std::nullopt;
    }
    // Read-only, and non-blocking so that a FIFO does not wait for a writer; only
    // regular files are read.
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    std::optional<Text> text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        try {
            if (const std::optional<ByteString> bytes = read_all(fd, info.st_size)) {
                text = text_from_file_bytes(*bytes);
            }
        } catch (const std::bad_alloc&) {
            text.reset();  // too large to hold: a failure, not a crash
        } catch (const std::length_error&) {
            text.reset();
        }
    }
    close(fd);
    return text;
}

Text normalise_address(const Text& typed) {
    std::size_t begin = 0;
    std::size_t end = typed.size();
    while (begin < end && is_space(typed[begin])) {
        ++begin;
    }
    while (end > begin && is_space(typed[end - 1])) {
        --end;
    }
    const std::string_view address = std::string_view(typed).substr(begin, end - begin);
    if (address.empty()) {
        return {};
    }

    std::size_t scheme_end = 0;
    while (scheme_end < address.size() && is_scheme_char(address[scheme_end])) {
        ++scheme_end;
    }
    const bool has_colon =
        scheme_end > 0 && scheme_end < address.size() && address[scheme_end] == ':' &&
        ((address[0] >= 'a' && address[0] <= 'z') || (address[0] >= 'A' && address[0] <= 'Z'));
    const std::string_view scheme = address.substr(0, scheme_end);
    const bool web = has_colon && (equals_ignoring_case(scheme, "http") ||
                                   equals_ignoring_case(scheme, "https"));
    if (has_colon && !web && scheme_end + 1 < address.size() && is_slash(address[scheme_end + 1])) {
        return Text(address);  // another scheme: read as typed (and refused)
    }

    std::string_view rest = web ? address.substr(scheme_end + 1) : address;
    while (!rest.empty() && is_slash(rest.front())) {
        rest.remove_prefix(1);
    }
    return (web ? Text(scheme) : Text("http")) + "://" + forward_slashes(rest);
}

Text page_text(const ByteString& body, PageEncoding encoding) {
    if (encoding == PageEncoding::Gbk) {
        return text_before_nul(body);
    }
    const std::size_t nul = body.find('\0');
    if (nul == ByteString::npos) {
        return utf8_to_gbk(body);  // no copy of a large page
    }
    return utf8_to_gbk(body.substr(0, nul));
}

std::optional<Text> load_page(const Text& typed_address, PageEncoding encoding,
                              const http::GetOptions& options) {
    const http::GetResult result = http::get(normalise_address(typed_address), options);
    if (!result.received) {
        return std::nullopt;
    }
    return page_text(result.body, encoding);
}

}  // namespace xlt::source
