#include "generator/generalise.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "gbk.h"

namespace xlt {
namespace {

using test::G;
using test::U;

struct TokeniseCase {
    std::string piece;  // UTF-8, converted to GBK
    std::vector<std::string> tokens;
};

TEST(TokenisePiece, CutsCharactersAndHalvesSpaces) {
    const std::vector<TokeniseCase> cases = {
        {"a b", {"a", "", "", "b"}},
        {" a", {"", "", "a"}},
        {"a  b", {"a", "", "", "", "", "b"}},
        {"a ", {"a"}},
        {"中文 字", {"中", "文", "", "", "字"}},
        {"12:30", {"1", "2", ":", "3", "0"}},
        {"</span>", {"<", "/", "s", "p", "a", "n", ">"}},
        {"   ", {}},
        {"", {}},
        {"x\r\n", {"x", "\r", "\n"}},
        {"a　b", {"a", "　", "b"}},  // a full-width space inside is a character
        {"ab　 　", {"a", "b"}},     // the trailing run mixes both widths
        {"丂a", {"丂", "a"}},        // 81 40: a second byte in the ASCII range
    };
    for (const auto& c : cases) {
        std::vector<std::string> expected;
        for (const auto& t : c.tokens) {
            expected.push_back(G(t));
        }
        EXPECT_EQ(tokenise_piece(G(c.piece)), expected) << "piece=" << c.piece;
    }
}

TEST(TokenisePiece, PairsHighBytesAndKeepsALoneLeadByte) {
    EXPECT_EQ(tokenise_piece("a\xB0"), (std::vector<Text>{"a", "\xB0"}));
    EXPECT_EQ(tokenise_piece("\xB0\xA1\xB0"), (std::vector<Text>{"\xB0\xA1", "\xB0"}));
    EXPECT_EQ(tokenise_piece("\xFE\xFEz"), (std::vector<Text>{"\xFE\xFE", "z"}));
}

struct ClassifyCase {
    std::string token, fragment;  // UTF-8
};

TEST(ClassifyToken, GivesTheClassOrTheEscapedCharacter) {
    const std::vector<ClassifyCase> cases = {
        {"7", R"(\d)"},
        {"123", R"(\d)"},
        {"q", "[a-z]"},
        {"Q", "[A-Z]"},
        {"中", R"([\u4e00-\u9fa5])"},
        {"丂", R"([\u4e00-\u9fa5])"},  // U+4E02, second byte 0x40
        {"龥", R"([\u4e00-\u9fa5])"},  // U+9FA5, the last of the range
        {"：", "："},                  // full-width punctuation is no ideograph
        {"　", "　"},
        {"α", "α"},
        {"", " "},
        {"a1", "a1"},
        {".", "."},
        {"<", "<"},
        {"\t", "\t"},
        {"(", R"(\()"},
        {"\\", R"(\\)"},
        {"$", R"(\$)"},
        {"]", R"(\])"},
        {"}", R"(\})"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(U(classify_token(G(c.token))), c.fragment) << "token=" << c.token;
    }
}

TEST(ClassifyToken, LeavesTrailBytesThatLookLikeMetacharactersAlone) {
    const std::string backslash_trail = "\xA9\x5C";  // U+2010, whose second byte is "\"
    EXPECT_EQ(classify_token(backslash_trail), backslash_trail);
    EXPECT_EQ(classify_token("\xAB\x5C"), "[\\u4e00-\\u9fa5]");  // an ideograph ending in 5C
}

struct GeneraliseCase {
    std::string piece;
    int blanks_before;
    std::string fragment;
    int blanks_after;
};

TEST(GeneralisePiece, ShortAndLongForms) {
    const std::vector<GeneraliseCase> cases = {
        // short pieces: every token, one space for each space
        {"", 0, "", 0},
        {"12:30", 0, R"(\d\d:\d\d)", 0},
        {"</td>", 0, "</[a-z][a-z]>", 0},
        {"a b", 0, "[a-z] [a-z]", 0},
        {"a.b", 0, "[a-z].[a-z]", 0},
        {"a(b", 0, R"([a-z]\([a-z])", 0},
        {"12345", 0, R"(\d\d\d\d\d)", 0},
        {"日期:", 0, R"([\u4e00-\u9fa5][\u4e00-\u9fa5]:)", 0},
        {"a　b", 0, "[a-z]　[a-z]", 0},
        {"：；", 0, "：；", 0},
        // trailing spaces are written after the fragment as they stood
        {" ", 0, " ", 0},
        {"  ", 0, "  ", 0},
        {"ab ", 0, "[a-z][a-z] ", 0},
        {"ab　", 0, "[a-z][a-z]　", 0},
        {"<span>  ", 0, R"(\<[a-z].*?[a-z]n\>  )", 0},
        // long pieces
        {"<span class=num>", 0, R"(\<[a-z][\S\s]*?[a-z]m\>)", 2},
        {"</span>", 0, R"(\</.*?[a-z]n\>)", 0},
        {"</span>", 2, R"(\</[\S\s]*?[a-z]n\>)", 2},
        {"123456", 0, R"(1\d.*?\d5\d)", 0},
        {"abc def", 0, R"(a[a-z][\S\s]*?[a-z]e[a-z])", 2},
        {" abcdef", 0, R"( .*?[a-z]e[a-z])", 1},
        {"abcde f", 0, R"(a[a-z].*? [a-z])", 1},
        {"abcde f", 1, R"(a[a-z][\S\s]*? [a-z])", 2},
        {"a(b)c{d}", 0, R"(a\(.*?\{d\})", 0},
        {"abcd$x", 0, R"(a[a-z].*?[a-z]\$[a-z])", 0},
        {"\tabcde", 0, "\t[a-z].*?[a-z]d[a-z]", 0},
        {"中文abc", 0, R"(中[\u4e00-\u9fa5].*?[a-z]b[a-z])", 0},
        // a line feed inside the gap needs the gap that crosses lines
        {"ab\ncdef", 0, R"(a[a-z][\S\s]*?[a-z]e[a-z])", 0},
        {"ab\r\ncd", 0, "a[a-z].*?\nc[a-z]", 0},
        // long pieces with fewer than five tokens take the short form
        {"价格：", 0, R"([\u4e00-\u9fa5][\u4e00-\u9fa5]：)", 0},
        {"ab    ", 0, "[a-z][a-z]    ", 0},
        {"中文  ", 0, R"([\u4e00-\u9fa5][\u4e00-\u9fa5]  )", 0},
        {"      ", 0, "      ", 0},
        // five tokens whose t1 and t2 are one space: the short form writes it once
        {"中 文d", 0, R"([\u4e00-\u9fa5] [\u4e00-\u9fa5][a-z])", 2},
    };
    for (const auto& c : cases) {
        int blanks = c.blanks_before;
        EXPECT_EQ(U(generalise_piece(G(c.piece), blanks)), c.fragment) << "piece=" << c.piece;
        EXPECT_EQ(blanks, c.blanks_after) << "piece=" << c.piece;
    }
}

// Once the blank count is above 1, a long piece's fragment may be found from its two ends
// alone; it must be the fragment of the full generalisation, whatever bytes the piece
// holds.
TEST(GeneralisePiece, ByTheEndsOnlyAgreesWithTheWholePiece) {
    const std::vector<std::string> alphabet = {
        "a",  "Z",     "7",     " ",     " ",    "\r\n", "\n",   "(",        ".",        "<",
        "\\", G("中"), G("："), G("　"), "\x80", "\xB0", "\x81", "\xA9\x5C", "\x81\x40", "\t",
    };
    std::mt19937 random(42);
    int shortcuts = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string piece;
        const std::size_t length = 100 + random() % 200;
        while (piece.size() < length) {
            piece += alphabet[random() % alphabet.size()];
        }
        if (round % 3 == 0) {
            piece += "  \xA1\xA1 ";  // a trailing run
        }
        const std::optional<Text> by_ends = generalise_long_piece_by_ends(piece);
        if (!by_ends) {
            continue;
        }
        ++shortcuts;
        int blanks = 2;
        ASSERT_EQ(*by_ends, generalise_piece(piece, blanks)) << "round " << round;
    }
    EXPECT_GT(shortcuts, 2000);
}

}  // namespace
}  // namespace xlt
