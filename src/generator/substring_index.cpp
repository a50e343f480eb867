#include "generator/substring_index.h"

#include <algorithm>

namespace xlt {
namespace {

using Symbols = std::vector<std::int32_t>;

// Suffix array by induced sorting (SA-IS) of `s`, whose symbols lie in 0 ... upper.
// `s` is indexed by position and gives symbols; `s.size()` is its length.
// The LMS substrings are sorted by one induction, named, and their order settled by a
// recursive call on the names when two of them are equal; a second induction from the
// sorted LMS suffixes then places every suffix.
template <class Sequence>
Symbols induced_sort(const Sequence& s, std::int32_t upper) {
    const auto n = static_cast<std::int32_t>(s.size());
    if (n == 0) {
        return {};
    }
    if (n == 1) {
        return {0};
    }
    if (n == 2) {
        return s[0] < s[1] ? Symbols{0, 1} : Symbols{1, 0};
    }
    Symbols sa(n);
    // is_s[i]: suffix i is smaller than suffix i + 1 (S-type); the last is L-type.
    std::vector<std::uint8_t> is_s(n, 0);
    for (std::int32_t i = n - 2; i >= 0; --i) {
        is_s[i] = (s[i] == s[i + 1]) ? is_s[i + 1] : (s[i] < s[i + 1]);
    }
    // Bucket starts: L-type suffixes of symbol c begin at sum_l[c], S-type at sum_s[c].
    Symbols sum_l(upper + 1, 0);
    Symbols sum_s(upper + 1, 0);
    for (std::int32_t i = 0; i < n; ++i) {
        if (!is_s[i]) {
            ++sum_s[s[i]];
        } else {
            ++sum_l[s[i] + 1];
        }
    }
    for (std::int32_t c = 0; c <= upper; ++c) {
        sum_s[c] += sum_l[c];
        if (c < upper) {
            sum_l[c + 1] += sum_s[c];
        }
    }

    auto induce = [&](const Symbols& lms) {
        std::fill(sa.begin(), sa.end(), -1);
        Symbols bucket(upper + 1);
        std::copy(sum_s.begin(), sum_s.end(), bucket.begin());
        for (const std::int32_t d : lms) {
            if (d != n) {
                sa[bucket[s[d]]++] = d;
            }
        }
        std::copy(sum_l.begin(), sum_l.end(), bucket.begin());
        sa[bucket[s[n - 1]]++] = n - 1;
        for (std::int32_t i = 0; i < n; ++i) {
            const std::int32_t v = sa[i];
            if (v >= 1 && !is_s[v - 1]) {
                sa[bucket[s[v - 1]]++] = v - 1;
            }
        }
        std::copy(sum_l.begin(), sum_l.end(), bucket.begin());
        for (std::int32_t i = n - 1; i >= 0; --i) {
            const std::int32_t v = sa[i];
            if (v >= 1 && is_s[v - 1]) {
                sa[--bucket[s[v - 1] + 1]] = v - 1;
            }
        }
    };

    // Leftmost S-type positions, numbered in text order.
    Symbols lms_number(n + 1, -1);
    Symbols lms;
    for (std::int32_t i = 1; i < n; ++i) {
        if (!is_s[i - 1] && is_s[i]) {
            lms_number[i] = static_cast<std::int32_t>(lms.size());
            lms.push_back(i);
        }
    }
    const auto m = static_cast<std::int32_t>(lms.size());
    induce(lms);
    if (m == 0) {
        return sa;
    }

    Symbols sorted_lms;
    sorted_lms.reserve(m);
    for (const std::int32_t v : sa) {
        if (lms_number[v] != -1) {
            sorted_lms.push_back(v);
        }
    }
    // Name the LMS substrings: equal substrings get equal names.
    Symbols names(m);
    std::int32_t name = 0;
    names[lms_number[sorted_lms[0]]] = 0;
    for (std::int32_t i = 1; i < m; ++i) {
        std::int32_t l = sorted_lms[i - 1];
        std::int32_t r = sorted_lms[i];
        const std::int32_t end_l = (lms_number[l] + 1 < m) ? lms[lms_number[l] + 1] : n;
        const std::int32_t end_r = (lms_number[r] + 1 < m) ? lms[lms_number[r] + 1] : n;
        bool same = true;
        if (end_l - l != end_r - r) {
            same = false;
        } else {
            while (l < end_l && s[l] == s[r]) {
                ++l;
                ++r;
            }
            if (l == n || s[l] != s[r]) {
                same = false;
            }
        }
        if (!same) {
            ++name;
        }
        names[lms_number[sorted_lms[i]]] = name;
    }
    const Symbols order = induced_sort(names, name);
    for (std::int32_t i = 0; i < m; ++i) {
        sorted_lms[i] = lms[order[i]];
    }
    induce(sorted_lms);
    return sa;
}

}  // namespace

// The bytes of a text as unsigned symbols, without copying them.
struct ByteSymbols {
    std::string_view text;
    std::int32_t operator[](std::int32_t i) const { return static_cast<unsigned char>(text[i]); }
    std::size_t size() const { return text.size(); }
};

std::vector<std::int32_t> build_suffix_array(std::string_view text) {
    return induced_sort(ByteSymbols{text}, 255);
}

SubstringIndex::SubstringIndex(std::string_view text)
    : text_(text), suffixes_(build_suffix_array(text)) {}

std::vector<std::size_t> SubstringIndex::occurrences(std::string_view needle) const {
    std::vector<std::size_t> found;
    if (needle.empty() || needle.size() > text_.size()) {
        return found;
    }
    // Compares the first needle.size() bytes of a suffix with the needle (unsigned, as
    // char_traits<char> does).
    auto head = [&](std::int32_t start) { return text_.substr(start, needle.size()); };
    const auto first = std::lower_bound(
        suffixes_.begin(), suffixes_.end(), needle,
        [&](std::int32_t start, std::string_view key) { return head(start) < key; });
    const auto last = std::upper_bound(
        first, suffixes_.end(), needle,
        [&](std::string_view key, std::int32_t start) { return key < head(start); });
    found.assign(first, last);
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace xlt
