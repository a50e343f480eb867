// Finds every occurrence of a byte string in one fixed text, without scanning the text:
// a suffix array of the text, built once in linear time, and two binary searches per
// look-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace xlt {

// The starts of the suffixes of `text` in increasing order of their bytes, compared as
// unsigned values (a suffix that is a prefix of another comes first).
std::vector<std::int32_t> build_suffix_array(std::string_view text);

class SubstringIndex {
public:
    // `text` must outlive the index and stay unchanged.
    explicit SubstringIndex(std::string_view text);

    // Every position at which `needle` occurs in the text, overlapping ones included, in
    // increasing order. The empty needle occurs nowhere.
    std::vector<std::size_t> occurrences(std::string_view needle) const;

private:
    std::string_view text_;
    std::vector<std::int32_t> suffixes_;
};

}  // namespace xlt
