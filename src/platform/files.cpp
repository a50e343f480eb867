#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace xlt::files {
namespace fs = std::filesystem;

namespace {

fs::path xdg_folder(const char* variable, const char* home_relative) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return fs::path(value) / "xilitong";
    }
    const char* home = std::getenv("HOME");
    fs::path base = (home != nullptr && home[0] != '\0') ? fs::path(home) : fs::path("/tmp");
    return base / home_relative / "xilitong";
}

// Writes all of `bytes` to `fd`, going on after short writes and interruptions.
bool write_all(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t mode_for_new_file() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

fs::path executable_directory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
    return exe.parent_path();
}

fs::path user_config_directory() {
    return xdg_folder("XDG_CONFIG_HOME", ".config");
}

fs::path user_cache_directory() {
    return xdg_folder("XDG_CACHE_HOME", ".cache");
}

bool is_writable_directory(const fs::path& folder) {
    if (folder.empty()) {
        return false;
    }
    std::string probe = (folder / ".xilitong-probe-XXXXXX").string();
    std::vector<char> name(probe.begin(), probe.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(name.data());
    return true;
}

fs::path choose_state_directory(const fs::path& preferred, const fs::path& fallback) {
    if (is_writable_directory(preferred)) {
        return preferred;
    }
    std::error_code ec;
    fs::create_directories(fallback, ec);
    return fallback;
}

fs::path run_directory() {
    return choose_state_directory(executable_directory(), user_config_directory());
}

std::optional<ByteString> read_file(const fs::path& file) {
    std::error_code ec;
    if (fs::is_directory(file, ec)) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    ByteString bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

bool write_file_atomic(const fs::path& file, std::string_view bytes) {
    std::string temp = file.string() + ".tmp-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    const mode_t mode =
        ::stat(file.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : mode_for_new_file();
    const bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!ok || !closed || ::rename(name.data(), file.c_str()) != 0) {
        ::unlink(name.data());
        return false;
    }
    return true;
}

}  // namespace xlt::files
