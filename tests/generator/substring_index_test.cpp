#include "generator/substring_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace xlt {
namespace {

// Suffixes sorted by comparing them directly, unsigned byte by byte.
std::vector<std::int32_t> sorted_suffixes(const std::string& text) {
    std::vector<std::int32_t> order(text.size());
    std::iota(order.begin(), order.end(), 0);
    const std::string_view view = text;
    std::sort(order.begin(), order.end(),
              [&](std::int32_t a, std::int32_t b) { return view.substr(a) < view.substr(b); });
    return order;
}

// Small alphabets give the long repeats and equal LMS substrings that make the induced
// sort recurse; high bytes check that bytes compare unsigned.
TEST(SubstringIndex, SuffixOrderAndOccurrencesMatchDirectSearch) {
    const std::vector<std::string> alphabets = {"a", "ab", "abc", std::string("a\xFF\x01", 3),
                                                std::string("\x80\x7F\0z", 4)};
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const std::string& alphabet = alphabets[round % alphabets.size()];
        std::string text;
        const int length = std::uniform_int_distribution<int>(0, 60)(random);
        for (int i = 0; i < length; ++i) {
            text += alphabet[std::uniform_int_distribution<std::size_t>(
                0, alphabet.size() - 1)(random)];
        }
        ASSERT_EQ(build_suffix_array(text), sorted_suffixes(text)) << "round " << round;

        const SubstringIndex index(text);
        const std::size_t start = text.empty() ? 0 : random() % text.size();
        const std::string needle = text.substr(start, 1 + random() % 4);
        std::vector<std::size_t> expected;
        for (std::size_t at = text.find(needle); !needle.empty() && at != std::string::npos;
             at = text.find(needle, at + 1)) {
            expected.push_back(at);
        }
        ASSERT_EQ(index.occurrences(needle), expected) << "round " << round << " needle " << needle;
    }
}

TEST(SubstringIndex, EmptyAndOverlongNeedlesOccurNowhere) {
    const std::string text = "abab";
    const SubstringIndex index(text);
    EXPECT_TRUE(index.occurrences("").empty());
    EXPECT_TRUE(index.occurrences("ababa").empty());
    EXPECT_EQ(index.occurrences("ab"), (std::vector<std::size_t>{0, 2}));
}

}  // namespace
}  // namespace xlt
