#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace xlt {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               (std::string("xlt-files-") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(FilesTest, AtomicWriteReplacesWholeFileAndLeavesNoTemporary) {
    const fs::path file = dir_ / "Yool.ini";
    // NUL and 0x1A are ordinary bytes here: nothing cuts the content.
    const std::string bytes(
        "a\r\nb\0c\x1A"
        "d",
        8);
    ASSERT_TRUE(files::write_file_atomic(file, "a much longer old content"));
    ::chmod(file.c_str(), 0640);
    ASSERT_TRUE(files::write_file_atomic(file, bytes));
    EXPECT_EQ(files::read_file(file), bytes);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(FilesTest, FailuresAreValues) {
    const fs::path plain = dir_ / "plain";
    ASSERT_TRUE(files::write_file_atomic(plain, ""));
    EXPECT_EQ(files::read_file(plain), "");  // empty, but read
    EXPECT_EQ(files::read_file(dir_ / "missing"), std::nullopt);
    EXPECT_EQ(files::read_file(dir_), std::nullopt);           // a folder
    EXPECT_FALSE(files::write_file_atomic(plain / "x", "y"));  // parent is a file
    EXPECT_FALSE(files::write_file_atomic(dir_ / "no" / "x", "y"));
}

TEST_F(FilesTest, StateDirectoryFallsBackWhenRunDirectoryIsNotWritable) {
    const fs::path plain = dir_ / "plain";
    ASSERT_TRUE(files::write_file_atomic(plain, ""));
    const fs::path fallback = dir_ / "config" / "xilitong";

    EXPECT_TRUE(files::is_writable_directory(dir_));
    EXPECT_EQ(files::choose_state_directory(dir_, fallback), dir_);
    EXPECT_FALSE(fs::exists(fallback));

    for (const fs::path& unwritable : {plain, dir_ / "missing", fs::path()}) {
        EXPECT_FALSE(files::is_writable_directory(unwritable)) << unwritable;
        EXPECT_EQ(files::choose_state_directory(unwritable, fallback), fallback) << unwritable;
        EXPECT_TRUE(fs::is_directory(fallback));
    }
}

TEST(FilesFolders, ConfigAndCacheFollowXdgVariables) {
    const char* old_config = std::getenv("XDG_CONFIG_HOME");
    const char* old_home = std::getenv("HOME");
    const std::string saved_config = old_config ? old_config : "";
    const std::string saved_home = old_home ? old_home : "";

    ::setenv("HOME", "/home/u", 1);
    ::setenv("XDG_CONFIG_HOME", "/xdg/conf", 1);
    EXPECT_EQ(files::user_config_directory(), fs::path("/xdg/conf/xilitong"));
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(files::user_config_directory(), fs::path("/home/u/.config/xilitong"));
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(files::user_config_directory(), fs::path("/home/u/.config/xilitong"));

    old_config ? ::setenv("XDG_CONFIG_HOME", saved_config.c_str(), 1)
               : ::unsetenv("XDG_CONFIG_HOME");
    old_home ? ::setenv("HOME", saved_home.c_str(), 1) : ::unsetenv("HOME");
}

TEST(FilesFolders, ExecutableDirectoryHoldsThisTest) {
    const fs::path dir = files::executable_directory();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(fs::exists(dir / "test_platform"));
}

}  // namespace
}  // namespace xlt
