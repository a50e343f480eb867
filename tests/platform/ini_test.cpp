#include "platform/ini.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"

namespace xlt {
namespace {

namespace fs = std::filesystem;

Text G(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}

struct FindCase {
    std::string name;
    std::string content, section, key;
    std::optional<std::string> expected;
};

TEST(IniTest, FindValue) {
    const std::string list = G("超级列表框");
    const std::string key = G("待取文本");
    // 81 41 is a double-byte character whose second byte is "A": it must not match "a".
    const std::string trail_a = "\x81\x41";
    const std::vector<FindCase> cases = {
        {"plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
        {"LF only, no final break", "[s]\nk=v", "s", "k", "v"},
        {"case of section and key ignored", "[Web]\r\nFeedBack=x\r\n", "wEB", "feedback", "x"},
        {"blanks around names", "  [ s ]  \r\n  k  =v\r\n", "s", "k", "v"},
        {"blanks around value removed", "[s]\r\nk= \t v w \t\r\n", "s", "k", "v w"},
        {"one pair of quotes removed", "[s]\r\nk=\"  v \"\r\n", "s", "k", "  v "},
        {"only one pair", "[s]\r\nk=\"\"v\"\"\r\n", "s", "k", "\"v\""},
        {"lone quote kept", "[s]\r\nk=\"v\r\n", "s", "k", "\"v"},
        {"single quote char kept", "[s]\r\nk=\"\r\n", "s", "k", "\""},
        {"empty value", "[s]\r\nk=\r\n", "s", "k", ""},
        {"value holds =", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
        {"first key wins", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "1"},
        {"first section wins", "[s]\r\nk=1\r\n[s]\r\nk=2\r\n", "s", "k", "1"},
        {"key of another section", "[a]\r\nk=1\r\n[b]\r\nj=2\r\n", "b", "k", std::nullopt},
        {"key before any section", "k=1\r\n[s]\r\n", "s", "k", std::nullopt},
        {"missing section", "[a]\r\nk=1\r\n", "s", "k", std::nullopt},
        {"empty file", "", "s", "k", std::nullopt},
        {"GBK names", "[" + list + "]\r\n" + key + "=abc\r\n", list, key, "abc"},
        {"trail byte not folded", "[s]\r\n" + trail_a + "=1\r\n", "s",
         "\x81"
         "a",
         std::nullopt},
        {"trail byte exact", "[s]\r\n" + trail_a + "=1\r\n", "s", trail_a, "1"},
        // 81 5D ends in "]": the section name runs to the real closing bracket.
        {"bracket as trail byte", "[\x81\x5D]\r\nk=1\r\n", "\x81\x5D", "k", "1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini::find_value(c.content, c.section, c.key), c.expected) << c.name;
    }
}

struct WriteCase {
    std::string name;
    std::string content, section, key, value;
    std::string expected;
};

TEST(IniTest, WithValueKeepsOtherLines) {
    const std::vector<WriteCase> cases = {
        {"new file", "", "s", "k", "v", "[s]\r\nk=v\r\n"},
        {"replace in place", "; note\r\n[s]\r\na=1\r\nk=old\r\nb=2\r\n", "S", "K", "new",
         "; note\r\n[s]\r\na=1\r\nK=new\r\nb=2\r\n"},
        {"keeps LF of the replaced line", "[s]\nk=1\nz=2\n", "s", "k", "3", "[s]\nk=3\nz=2\n"},
        {"new key after last filled line", "[s]\r\na=1\r\n\r\n[t]\r\n", "s", "k", "v",
         "[s]\r\na=1\r\nk=v\r\n\r\n[t]\r\n"},
        {"new key in last section without final break", "[s]\r\na=1", "s", "k", "v",
         "[s]\r\na=1\r\nk=v\r\n"},
        {"new section appended", "[a]\r\nx=1", "s", "k", "v", "[a]\r\nx=1\r\n[s]\r\nk=v\r\n"},
        {"empty value keeps the key", "[s]\r\nk=1\r\n", "s", "k", "", "[s]\r\nk=\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini::with_value(c.content, c.section, c.key, c.value), c.expected) << c.name;
    }
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               (std::string("xlt-ini-") +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(IniFileTest, ReadWriteRoundTripAndFallback) {
    const fs::path file = dir_ / "PeIH.ini";
    EXPECT_EQ(ini::read_value(file, "s", "k", "dflt"), "dflt");  // no file
    ASSERT_TRUE(ini::write_value(file, "s", "k", "\" padded \""));
    ASSERT_TRUE(ini::write_value(file, "t", "j", "2"));
    EXPECT_EQ(ini::read_value(file, "s", "k", "dflt"), " padded ");
    EXPECT_EQ(ini::read_value(file, "T", "J", "dflt"), "2");
    EXPECT_EQ(ini::read_value(file, "s", "missing", "dflt"), "dflt");
    EXPECT_EQ(files::read_file(file), "[s]\r\nk=\" padded \"\r\n[t]\r\nj=2\r\n");
}

TEST_F(IniFileTest, UnwritableFolderReportsFailure) {
    const fs::path not_a_folder = dir_ / "plain";
    ASSERT_TRUE(files::write_file_atomic(not_a_folder, "x"));
    EXPECT_FALSE(ini::write_value(not_a_folder / "rool.ini", "s", "k", "v"));
    EXPECT_EQ(ini::read_value(not_a_folder / "rool.ini", "s", "k", "d"), "d");
}

}  // namespace
}  // namespace xlt
