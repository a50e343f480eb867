#include "platform/ini.h"

#include <system_error>
#include <vector>

#include "platform/files.h"

namespace xlt::ini {
namespace {

struct Line {
    std::size_t begin = 0;  // first byte of the line
    std::size_t end = 0;    // end of its text, before CR LF or LF
    std::size_t next = 0;   // first byte of the next line
};

std::vector<Line> split_lines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        const std::size_t lf = content.find('\n', pos);
        Line line;
        line.begin = pos;
        line.next = lf == std::string_view::npos ? content.size() : lf + 1;
        line.end = lf == std::string_view::npos ? content.size() : lf;
        if (line.end > line.begin && content[line.end - 1] == '\r') {
            --line.end;
        }
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Blanks are single-byte characters that never occur as the second byte of a GBK
// character, so trimming bytes is trimming characters.
std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && is_blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equality that ignores the case of single-byte ASCII letters only: the second byte of a
// double-byte character may look like a letter and is compared exactly.
bool names_equal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    std::size_t pos = 0;
    while (pos < a.size()) {
        const std::size_t len = char_length(a, pos);
        if (len == 1) {
            if (ascii_lower(a[pos]) != ascii_lower(b[pos])) {
                return false;
            }
        } else if (a.compare(pos, len, b.substr(pos, len)) != 0) {
            return false;
        }
        pos += len;
    }
    return true;
}

// The section name of a line "[name]", or nothing for any other line.
std::optional<std::string_view> section_name(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.empty() || t.front() != '[') {
        return std::nullopt;
    }
    const std::string_view inner = t.substr(1);
    const std::size_t close = find_aligned(inner, "]");
    return trim(inner.substr(0, close == std::string_view::npos ? inner.size() : close));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> key_line(std::string_view line) {
    const std::size_t eq = find_aligned(line, "=");
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{trim(line.substr(0, eq)), line.substr(eq + 1)};
}

std::string_view line_text(std::string_view content, const Line& line) {
    return content.substr(line.begin, line.end - line.begin);
}

// Index of the first line of the section named `section`, or npos.
std::size_t find_section(std::string_view content, const std::vector<Line>& lines,
                         std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = section_name(line_text(content, lines[i]));
        if (name && names_equal(*name, section)) {
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::optional<Text> find_value(std::string_view content, std::string_view section,
                               std::string_view key) {
    const std::vector<Line> lines = split_lines(content);
    const std::size_t start = find_section(content, lines, section);
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    for (std::size_t i = start + 1; i < lines.size(); ++i) {
        const std::string_view text = line_text(content, lines[i]);
        if (section_name(text)) {
            break;
        }
        const auto kv = key_line(text);
        if (kv && names_equal(kv->key, key)) {
            std::string_view value = trim(kv->value);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            return Text(value);
        }
    }
    return std::nullopt;
}

Text with_value(std::string_view content, std::string_view section, std::string_view key,
                std::string_view value) {
    const Text entry = Text(key) + "=" + Text(value);
    const std::vector<Line> lines = split_lines(content);
    const std::size_t start = find_section(content, lines, section);
    if (start == std::string_view::npos) {
        Text out(content);
        if (!out.empty() && out.back() != '\n') {
            out += "\r\n";
        }
        out += "[" + Text(section) + "]\r\n" + entry + "\r\n";
        return out;
    }
    std::size_t last_filled = start;
    for (std::size_t i = start + 1; i < lines.size(); ++i) {
        const std::string_view text = line_text(content, lines[i]);
        if (section_name(text)) {
            break;
        }
        const auto kv = key_line(text);
        if (kv && names_equal(kv->key, key)) {
            return Text(content.substr(0, lines[i].begin)) + entry +
                   Text(content.substr(lines[i].end));
        }
        if (!trim(text).empty()) {
            last_filled = i;
        }
    }
    const Line& after = lines[last_filled];
    Text out(content.substr(0, after.next));
    if (after.next == after.end) {  // the last line of the file had no line break
        out += "\r\n";
    }
    out += entry + "\r\n";
    out += content.substr(after.next);
    return out;
}

Text read_value(const std::filesystem::path& file, std::string_view section, std::string_view key,
                std::string_view fallback) {
    const auto content = files::read_file(file);
    if (!content) {
        return Text(fallback);
    }
    return find_value(*content, section, key).value_or(Text(fallback));
}

bool write_value(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value) {
    std::optional<ByteString> old = files::read_file(file);
    std::error_code ec;
    if (!old && std::filesystem::exists(file, ec)) {
        return false;  // never replace a file whose other lines could not be read
    }
    return files::write_file_atomic(file, with_value(old.value_or(Text()), section, key, value));
}

}  // namespace xlt::ini
