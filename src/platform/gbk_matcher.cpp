#include "platform/gbk_matcher.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#include "platform/gbk_units.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace xlt::gbk {
namespace {

using regexp::RangeList;
using regexp::SimpleNode;
using ByteSet = std::bitset<256>;
using BytePair = std::pair<unsigned char, unsigned char>;

// A search (from one start, or from the end of the last match to the next match) that
// needs more steps than this is handed to the general engine, whose limits and
// whole-pattern optimisations then decide. Scanning 32 bytes counts as one step.
constexpr std::uint64_t kSearchBudget = 1u << 22;
// Longer programs are left to the general engine: matching recurses once per step.
constexpr std::size_t kMaxSteps = 2000;
// Enumerated first pairs are worth a finder of their own only when they are few.
constexpr std::size_t kMaxExactPairs = 8;
// Byte combinations worth probing for as an anchor.
constexpr std::size_t kMaxWindowProbes = 4;
// A class is checked as a range of byte values next to the probes when it is one run
// of at most this many values (case folded).
constexpr std::size_t kMaxRangeWidth = 32;

bool is_trail(unsigned b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// ---------------------------------------------------------------------------------------
// The code page's pairs, both ways

struct PairTables {
    const char16_t* units = nullptr;
    bool complete = false;  // every well-formed pair is one character
    std::vector<std::pair<char16_t, std::uint16_t>> by_unit;  // (unit, pair index), sorted

    PairTables() : units(pair_units()) {
        complete = true;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (!is_trail(trail)) {
                    continue;
                }
                const std::size_t i =
                    pair_index(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
                if (units[i] == 0) {
                    complete = false;
                } else {
                    by_unit.emplace_back(units[i], static_cast<std::uint16_t>(i));
                }
            }
        }
        std::sort(by_unit.begin(), by_unit.end());
    }
};

const PairTables& pair_tables() {
    static const PairTables tables;
    return tables;
}

BytePair pair_bytes(std::size_t index) {
    return {static_cast<unsigned char>(0x81 + index / 256),
            static_cast<unsigned char>(index % 256)};
}

// ---------------------------------------------------------------------------------------
// Sets of characters, tested on the bytes of a plain GBK text

struct CharSet {
    std::array<bool, 128> ascii{};
    enum class High : std::uint8_t { none, all, some } high = High::none;
    std::vector<std::uint64_t> pair_bits;  // for `some`: one bit per pair index
    ByteSet first;                         // bytes that start a member
    ByteSet first_of_other;                // bytes that start a character that is not one
    std::vector<BytePair> member_pairs;    // every member pair, when there are few
    bool pairs_listed = true;              // member_pairs holds them all

    explicit CharSet(const RangeList& set) {
        for (unsigned c = 0; c < 0x80; ++c) {
            ascii[c] = regexp::contains(set, c);
            (ascii[c] ? first : first_of_other).set(c);
        }
        RangeList high_part;
        for (const regexp::Range& r : set) {
            if (r.second >= 0x80) {
                high_part.emplace_back(std::max<char32_t>(r.first, 0x80), r.second);
            }
        }
        if (high_part.empty()) {
            for (unsigned b = 0x81; b <= 0xFE; ++b) {
                first_of_other.set(b);
            }
            return;
        }
        if (high_part.size() == 1 && high_part[0].first == 0x80 && high_part[0].second >= 0xFFFF) {
            high = High::all;
            pairs_listed = false;
            for (unsigned b = 0x81; b <= 0xFE; ++b) {
                first.set(b);
            }
            return;
        }
        high = High::some;
        pair_bits.assign(kPairCount / 64, 0);
        const auto& by_unit = pair_tables().by_unit;
        std::size_t members = 0;
        for (const regexp::Range& r : high_part) {
            auto it = std::lower_bound(
                by_unit.begin(), by_unit.end(),
                std::pair<char16_t, std::uint16_t>{
                    static_cast<char16_t>(std::min<char32_t>(r.first, 0xFFFF)), 0});
            for (; it != by_unit.end() && it->first <= r.second; ++it) {
                pair_bits[it->second / 64] |= 1ULL << (it->second % 64);
                const BytePair bytes = pair_bytes(it->second);
                first.set(bytes.first);
                if (++members <= kMaxExactPairs) {
                    member_pairs.push_back(bytes);
                }
            }
        }
        pairs_listed = members <= kMaxExactPairs;
        if (!pairs_listed) {
            member_pairs.clear();
        }
        // A lead byte starts a non-member when any of its pairs is not in the set.
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const std::size_t i =
                    pair_index(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
                if (is_trail(trail) && !((pair_bits[i / 64] >> (i % 64)) & 1)) {
                    first_of_other.set(lead);
                    break;
                }
            }
        }
    }

    // Whether the character at `p` (a character start, p < size) is a member.
    bool has(const unsigned char* s, std::size_t p) const {
        const unsigned char b = s[p];
        if (b < 0x80) {
            return ascii[b];
        }
        if (high != High::some) {
            return high == High::all;
        }
        const std::size_t i = pair_index(b, s[p + 1]);
        return (pair_bits[i / 64] >> (i % 64)) & 1;
    }
};

// ---------------------------------------------------------------------------------------
// Finding the next place where one of a few byte values, or byte pairs, occurs, or the
// next byte of a larger set

// A byte, and (for finders with a distance) the byte that must stand that far after it.
struct Probe {
    unsigned char first;
    unsigned char second;
    unsigned char middle = 0;  // for finders with a middle distance: the byte there
};

// The probes of a finder as the searches below read them: K probes compare one byte
// (width 0), two bytes `distance` apart (width 1) or three, with the middle one
// `middle_at` bytes after the first (width 2).
struct ProbeSet {
    std::array<unsigned char, 6> first{};
    std::array<unsigned char, 6> second{};
    std::array<unsigned char, 6> middle{};
    std::size_t k = 0;
    std::size_t distance = 0;
    std::size_t middle_at = 0;
    // Or-ed into the text's byte at each compared place before it is compared: 0x20
    // where the probes stand for an ASCII letter in either case (one probe instead of
    // two), else 0.
    unsigned char first_fold = 0;
    unsigned char second_fold = 0;
    unsigned char middle_fold = 0;
    // Places checked against a range of values besides the probes (for a class such as
    // [a-z] or \d next to them): `at` bytes from the first compared byte (before it
    // when negative), where a byte b fits when (b | fold) - lo is at most `width`.
    struct Range {
        std::ptrdiff_t at = 0;
        unsigned char lo = 0;
        unsigned char width = 0;
        unsigned char fold = 0;
    };
    std::array<Range, 2> ranges{};
    std::size_t range_count = 0;
    std::size_t before = 0;  // bytes read before the first compared one (no hit before it)
    std::size_t reach = 0;   // bytes read after it

    bool fits(unsigned char b, const Range& r) const {
        return static_cast<unsigned char>((b | r.fold) - r.lo) <= r.width;
    }
    bool hit(const unsigned char* s, std::size_t i, std::size_t n) const {
        if (i < before || reach >= n - i) {
            return false;
        }
        for (std::size_t r = 0; r < range_count; ++r) {
            if (!fits(s[i + ranges[r].at], ranges[r])) {
                return false;
            }
        }
        for (std::size_t j = 0; j < k; ++j) {
            if ((s[i] | first_fold) == first[j] &&
                (distance == 0 ||
                 ((s[i + distance] | second_fold) == second[j] &&
                  (middle_at == 0 || (s[i + middle_at] | middle_fold) == middle[j])))) {
                return true;
            }
        }
        return false;
    }
    // The first hit from `i` by single bytes, or n.
    std::size_t scan(const unsigned char* s, std::size_t i, std::size_t n) const {
        for (i = std::max(i, before); i < n; ++i) {
            if (hit(s, i, n)) {
                return i;
            }
        }
        return n;
    }
};

using ProbeSearch = std::size_t (*)(const ProbeSet&, const unsigned char*, std::size_t,
                                    std::size_t);

// What a probe search compares: one, two or three bytes (width 0, 1, 2, as above), with
// or without case folding, with or without ranges; each search is compiled for its
// own, so that one without them does none of their work.
template <int width_, bool folded_, bool ranged_>
struct Compare {
    static constexpr int width = width_;
    static constexpr bool folded = folded_;
    static constexpr bool ranged = ranged_;
};

#if defined(__SSE2__)
// The hits of the probes among sixteen bytes from `i` (which has the distance after
// it), one bit per byte.
template <std::size_t K, typename C>
[[gnu::always_inline]] inline unsigned probe_hits_16(const ProbeSet& ps, const unsigned char* s,
                                                     std::size_t i) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i y = x;
    __m128i z = x;
    if constexpr (C::width >= 1) {
        y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + ps.distance));
    }
    if constexpr (C::width == 2) {
        z = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + ps.middle_at));
    }
    if constexpr (C::folded) {
        x = _mm_or_si128(x, _mm_set1_epi8(static_cast<char>(ps.first_fold)));
        y = _mm_or_si128(y, _mm_set1_epi8(static_cast<char>(ps.second_fold)));
        z = _mm_or_si128(z, _mm_set1_epi8(static_cast<char>(ps.middle_fold)));
    }
    __m128i hits = _mm_setzero_si128();
    for (std::size_t j = 0; j < K; ++j) {
        __m128i h = _mm_cmpeq_epi8(x, _mm_set1_epi8(static_cast<char>(ps.first[j])));
        if constexpr (C::width >= 1) {
            h = _mm_and_si128(h, _mm_cmpeq_epi8(y, _mm_set1_epi8(static_cast<char>(ps.second[j]))));
        }
        if constexpr (C::width == 2) {
            h = _mm_and_si128(h, _mm_cmpeq_epi8(z, _mm_set1_epi8(static_cast<char>(ps.middle[j]))));
        }
        hits = _mm_or_si128(hits, h);
    }
    if constexpr (C::ranged) {
        for (std::size_t r = 0; r < ps.range_count; ++r) {
            const ProbeSet::Range& range = ps.ranges[r];
            const __m128i v =
                _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + range.at)),
                             _mm_set1_epi8(static_cast<char>(range.fold)));
            const __m128i t = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(range.lo)));
            hits = _mm_and_si128(
                hits,
                _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(static_cast<char>(range.width))), t));
        }
    }
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
}

// The probe search sixteen bytes at a time.
template <std::size_t K, typename C>
std::size_t probes_sse2(const ProbeSet& ps, const unsigned char* s, std::size_t i, std::size_t n) {
    for (i = std::max(i, ps.before); i + 16 + ps.reach <= n; i += 16) {
        if (const unsigned mask = probe_hits_16<K, C>(ps, s, i)) {
            return i + __builtin_ctz(mask);
        }
    }
    return ps.scan(s, i, n);
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
// The probe search with wider vectors: the first sixteen bytes as above (most targets
// are near), then 32 or 64 bytes at a time.
template <std::size_t K, typename C>
[[gnu::target("avx2")]] std::size_t probes_avx2(const ProbeSet& ps, const unsigned char* s,
                                                std::size_t i, std::size_t n) {
    i = std::max(i, ps.before);
    if (i + 16 + ps.reach <= n) {
        if (const unsigned mask = probe_hits_16<K, C>(ps, s, i)) {
            return i + __builtin_ctz(mask);
        }
        i += 16;
    }
    __m256i firsts[K];
    __m256i seconds[K];
    __m256i middles[K];
    for (std::size_t j = 0; j < K; ++j) {
        firsts[j] = _mm256_set1_epi8(static_cast<char>(ps.first[j]));
        seconds[j] = _mm256_set1_epi8(static_cast<char>(ps.second[j]));
        middles[j] = _mm256_set1_epi8(static_cast<char>(ps.middle[j]));
    }
    const __m256i first_fold = _mm256_set1_epi8(static_cast<char>(ps.first_fold));
    const __m256i second_fold = _mm256_set1_epi8(static_cast<char>(ps.second_fold));
    const __m256i middle_fold = _mm256_set1_epi8(static_cast<char>(ps.middle_fold));
    for (; i + 32 + ps.reach <= n; i += 32) {
        __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        __m256i y = x;
        __m256i z = x;
        if constexpr (C::width >= 1) {
            y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + ps.distance));
        }
        if constexpr (C::width == 2) {
            z = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + ps.middle_at));
        }
        if constexpr (C::folded) {
            x = _mm256_or_si256(x, first_fold);
            y = _mm256_or_si256(y, second_fold);
            z = _mm256_or_si256(z, middle_fold);
        }
        __m256i hits = _mm256_setzero_si256();
        for (std::size_t j = 0; j < K; ++j) {
            __m256i h = _mm256_cmpeq_epi8(x, firsts[j]);
            if constexpr (C::width >= 1) {
                h = _mm256_and_si256(h, _mm256_cmpeq_epi8(y, seconds[j]));
            }
            if constexpr (C::width == 2) {
                h = _mm256_and_si256(h, _mm256_cmpeq_epi8(z, middles[j]));
            }
            hits = _mm256_or_si256(hits, h);
        }
        if constexpr (C::ranged) {
            for (std::size_t r = 0; r < ps.range_count; ++r) {
                const ProbeSet::Range& range = ps.ranges[r];
                const __m256i v = _mm256_or_si256(
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + range.at)),
                    _mm256_set1_epi8(static_cast<char>(range.fold)));
                const __m256i t = _mm256_sub_epi8(v, _mm256_set1_epi8(static_cast<char>(range.lo)));
                hits = _mm256_and_si256(
                    hits,
                    _mm256_cmpeq_epi8(
                        _mm256_min_epu8(t, _mm256_set1_epi8(static_cast<char>(range.width))), t));
            }
        }
        if (const auto mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(hits))) {
            _mm256_zeroupper();
            return i + __builtin_ctz(mask);
        }
    }
    _mm256_zeroupper();
    return probes_sse2<K, C>(ps, s, i, n);
}

template <std::size_t K, typename C>
[[gnu::target("avx512f,avx512bw")]] std::size_t probes_avx512(const ProbeSet& ps,
                                                              const unsigned char* s, std::size_t i,
                                                              std::size_t n) {
    i = std::max(i, ps.before);
    if (i + 16 + ps.reach <= n) {
        if (const unsigned mask = probe_hits_16<K, C>(ps, s, i)) {
            return i + __builtin_ctz(mask);
        }
        i += 16;
    }
    __m512i firsts[K];
    __m512i seconds[K];
    __m512i middles[K];
    for (std::size_t j = 0; j < K; ++j) {
        firsts[j] = _mm512_set1_epi8(static_cast<char>(ps.first[j]));
        seconds[j] = _mm512_set1_epi8(static_cast<char>(ps.second[j]));
        middles[j] = _mm512_set1_epi8(static_cast<char>(ps.middle[j]));
    }
    const __m512i first_fold = _mm512_set1_epi8(static_cast<char>(ps.first_fold));
    const __m512i second_fold = _mm512_set1_epi8(static_cast<char>(ps.second_fold));
    const __m512i middle_fold = _mm512_set1_epi8(static_cast<char>(ps.middle_fold));
    for (; i + 64 + ps.reach <= n; i += 64) {
        __m512i x = _mm512_loadu_si512(s + i);
        __m512i y = x;
        __m512i z = x;
        if constexpr (C::width >= 1) {
            y = _mm512_loadu_si512(s + i + ps.distance);
        }
        if constexpr (C::width == 2) {
            z = _mm512_loadu_si512(s + i + ps.middle_at);
        }
        if constexpr (C::folded) {
            x = _mm512_or_si512(x, first_fold);
            y = _mm512_or_si512(y, second_fold);
            z = _mm512_or_si512(z, middle_fold);
        }
        std::uint64_t hits = 0;
        for (std::size_t j = 0; j < K; ++j) {
            std::uint64_t h = _mm512_cmpeq_epi8_mask(x, firsts[j]);
            if constexpr (C::width >= 1) {
                h &= _mm512_cmpeq_epi8_mask(y, seconds[j]);
            }
            if constexpr (C::width == 2) {
                h &= _mm512_cmpeq_epi8_mask(z, middles[j]);
            }
            hits |= h;
        }
        if constexpr (C::ranged) {
            for (std::size_t r = 0; r < ps.range_count; ++r) {
                const ProbeSet::Range& range = ps.ranges[r];
                const __m512i v = _mm512_or_si512(_mm512_loadu_si512(s + i + range.at),
                                                  _mm512_set1_epi8(static_cast<char>(range.fold)));
                const __m512i t = _mm512_sub_epi8(v, _mm512_set1_epi8(static_cast<char>(range.lo)));
                hits &= _mm512_cmple_epu8_mask(t, _mm512_set1_epi8(static_cast<char>(range.width)));
            }
        }
        if (hits != 0) {
            _mm256_zeroupper();
            return i + __builtin_ctzll(hits);
        }
    }
    _mm256_zeroupper();
    return probes_sse2<K, C>(ps, s, i, n);
}
#endif

// The probe search of K probes comparing C at `level` (not widest); null when the
// processor can't run that level.
template <std::size_t K, typename C>
ProbeSearch probe_search_at(VectorLevel level) {
    if (!can_run(level)) {
        return nullptr;
    }
#if defined(__x86_64__) && defined(__GNUC__)
    switch (level) {
        case VectorLevel::avx512:
            return probes_avx512<K, C>;
        case VectorLevel::avx2:
            return probes_avx2<K, C>;
        default:
            return probes_sse2<K, C>;
    }
#elif defined(__SSE2__)
    return level == VectorLevel::baseline ? probes_sse2<K, C> : nullptr;
#else
    if (level != VectorLevel::baseline) {
        return nullptr;
    }
    return [](const ProbeSet& ps, const unsigned char* s, std::size_t i, std::size_t n) {
        return ps.scan(s, i, n);
    };
#endif
}

// The probe search for `ps` at `level` (widest: the processor's); null when the
// processor can't run that level.
template <std::size_t K = 1>
ProbeSearch probe_search(const ProbeSet& ps, VectorLevel level) {
    if constexpr (K > 6) {
        return nullptr;
    } else if (ps.k == 0) {
        // Nothing is wanted: never a hit.
        return [](const ProbeSet&, const unsigned char*, std::size_t, std::size_t n) { return n; };
    } else if (ps.k != K) {
        return probe_search<K + 1>(ps, level);
    } else {
        if (level == VectorLevel::widest) {
            level = can_run(VectorLevel::avx512) ? VectorLevel::avx512
                    : can_run(VectorLevel::avx2) ? VectorLevel::avx2
                                                 : VectorLevel::baseline;
        }
        const int width = ps.distance == 0 ? 0 : ps.middle_at == 0 ? 1 : 2;
        const bool folded = (ps.first_fold | ps.second_fold | ps.middle_fold) != 0;
        const bool ranged = ps.range_count != 0;
        if constexpr (K > kMaxWindowProbes) {
            // Only a window of probes folds case or has ranges, and it has few probes;
            // should another ever come, it is searched byte by byte.
            if (folded || ranged) {
                return [](const ProbeSet& probes, const unsigned char* s, std::size_t i,
                          std::size_t n) { return probes.scan(s, i, n); };
            }
            return width == 0   ? probe_search_at<K, Compare<0, false, false>>(level)
                   : width == 1 ? probe_search_at<K, Compare<1, false, false>>(level)
                                : probe_search_at<K, Compare<2, false, false>>(level);
        } else {
            switch (width + 3 * folded + 6 * ranged) {
                case 0:
                    return probe_search_at<K, Compare<0, false, false>>(level);
                case 1:
                    return probe_search_at<K, Compare<1, false, false>>(level);
                case 2:
                    return probe_search_at<K, Compare<2, false, false>>(level);
                case 3:
                    return probe_search_at<K, Compare<0, true, false>>(level);
                case 4:
                    return probe_search_at<K, Compare<1, true, false>>(level);
                case 5:
                    return probe_search_at<K, Compare<2, true, false>>(level);
                case 6:
                    return probe_search_at<K, Compare<0, false, true>>(level);
                case 7:
                    return probe_search_at<K, Compare<1, false, true>>(level);
                case 8:
                    return probe_search_at<K, Compare<2, false, true>>(level);
                case 9:
                    return probe_search_at<K, Compare<0, true, true>>(level);
                case 10:
                    return probe_search_at<K, Compare<1, true, true>>(level);
                default:
                    return probe_search_at<K, Compare<2, true, true>>(level);
            }
        }
    }
}

class ByteFinder {
public:
    static constexpr std::size_t kMaxProbes = 6;

    ByteFinder() = default;
    // Finds where a probe's first byte stands with its second `distance` bytes later
    // (distance 0: the first byte alone).
    // With a `middle` distance (between 0 and `distance`), the probe's middle byte must
    // stand there too.
    // `folds` (first, second, middle): or-ed into the text's bytes before they are
    // compared (0x20: the probes' letters in either case).
    // `ranges`: at most two places checked against a range of values too.
    ByteFinder(const std::vector<Probe>& probes, std::size_t distance, std::size_t middle = 0,
               std::array<unsigned char, 3> folds = {},
               const std::vector<ProbeSet::Range>& ranges = {}) {
        if (probes.size() > kMaxProbes) {
            // More than the searches compare (no caller asks for that): the first bytes
            // alone find a superset of the places, which the matching then sorts out.
            ByteSet firsts;
            for (const Probe& p : probes) {
                firsts.set(p.first);
                if (folds[0] != 0) {
                    firsts.set(p.first & ~folds[0]);
                }
            }
            *this = ByteFinder(firsts);
            return;
        }
        mode_ = Mode::probes;
        probes_.k = probes.size();
        probes_.distance = distance;
        probes_.middle_at = middle;
        probes_.first_fold = folds[0];
        probes_.second_fold = distance == 0 ? 0 : folds[1];
        probes_.middle_fold = middle == 0 ? 0 : folds[2];
        for (std::size_t j = 0; j < probes.size(); ++j) {
            probes_.first[j] = probes[j].first;
            probes_.second[j] = probes[j].second;
            probes_.middle[j] = probes[j].middle;
            table_.set(probes[j].first);
        }
        set_ranges(ranges);
        if (probes.size() == 1 && distance == 0 && folds[0] == 0 && ranges.empty()) {
            mode_ = Mode::one_byte;
        }
    }
    explicit ByteFinder(const ByteSet& set) : table_(set) {
        if (set.count() <= kMaxProbes) {
            std::vector<Probe> probes;
            for (unsigned b = 0; b < 256; ++b) {
                if (set.test(b)) {
                    probes.push_back({static_cast<unsigned char>(b), 0});
                }
            }
            *this = ByteFinder(probes, 0);
            return;
        }
        for (unsigned b = 0; b < 256;) {
            if (!set.test(b)) {
                ++b;
                continue;
            }
            unsigned e = b;
            while (e + 1 < 256 && set.test(e + 1)) {
                ++e;
            }
            ranges_.push_back({static_cast<unsigned char>(b), static_cast<unsigned char>(e)});
            b = e + 1;
        }
        mode_ = ranges_.size() <= kMaxRanges ? Mode::ranges : Mode::table;
        make_vectors();
    }

    // This finder of probes with places checked as ranges too.
    ByteFinder with_ranges(const std::vector<ProbeSet::Range>& ranges) const {
        ByteFinder out = *this;
        out.mode_ = Mode::probes;
        out.set_ranges(ranges);
        return out;
    }

    // The probe search of a finder of probes at another vector level (tests run each
    // one); false when the processor can't run it.
    bool use_level(VectorLevel level) {
        if (mode_ != Mode::probes) {
            return true;
        }
        search_ = probe_search(probes_, level);
        return search_ != nullptr;
    }

    // The first position from `from` where a wanted byte (or pair) starts, or n.
    std::size_t find(const unsigned char* s, std::size_t from, std::size_t n) const {
        if (from >= n) {
            return n;
        }
        if (mode_ == Mode::probes) {
            return search_(probes_, s, from, n);
        }
        if (mode_ == Mode::one_byte) {
            const void* hit = std::memchr(s + from, probes_.first[0], n - from);
            return hit ? static_cast<const unsigned char*>(hit) - s : n;
        }
        std::size_t i = from;
#if defined(__SSE2__)
        if (mode_ == Mode::ranges) {
            const std::size_t k = ranges_.size();
            const __m128i* lows = vectors_;
            const __m128i* widths = vectors_ + k;
            for (; i + 16 <= n; i += 16) {
                const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
                __m128i hits = _mm_setzero_si128();
                for (std::size_t j = 0; j < k; ++j) {
                    const __m128i t = _mm_sub_epi8(x, lows[j]);
                    hits = _mm_or_si128(hits, _mm_cmpeq_epi8(_mm_min_epu8(t, widths[j]), t));
                }
                if (const int mask = _mm_movemask_epi8(hits)) {
                    return i + __builtin_ctz(static_cast<unsigned>(mask));
                }
            }
        }
#endif
        for (; i < n; ++i) {
            if (table_.test(s[i])) {
                return i;
            }
        }
        return n;
    }

private:
    static constexpr std::size_t kMaxRanges = 4;
    enum class Mode : std::uint8_t { one_byte, probes, ranges, table };

    // The probes' ranges (at most two), how far around the first byte they make the
    // search read, and the search for it all.
    void set_ranges(const std::vector<ProbeSet::Range>& ranges) {
        probes_.range_count = 0;
        probes_.before = 0;
        probes_.reach = probes_.distance;
        for (const ProbeSet::Range& r : ranges) {
            if (probes_.range_count == probes_.ranges.size()) {
                break;
            }
            probes_.ranges[probes_.range_count++] = r;
            if (r.at < 0) {
                probes_.before = std::max(probes_.before, static_cast<std::size_t>(-r.at));
            } else {
                probes_.reach = std::max(probes_.reach, static_cast<std::size_t>(r.at));
            }
        }
        search_ = probe_search(probes_, VectorLevel::widest);
    }

    // The ranges' bytes spread over vectors, made once.
    void make_vectors() {
#if defined(__SSE2__)
        if (mode_ != Mode::ranges) {
            return;
        }
        const std::size_t k = ranges_.size();
        for (std::size_t j = 0; j < k; ++j) {
            vectors_[j] = _mm_set1_epi8(static_cast<char>(ranges_[j].first));
            vectors_[k + j] =
                _mm_set1_epi8(static_cast<char>(ranges_[j].second - ranges_[j].first));
        }
#endif
    }

    ByteSet table_;
    Mode mode_ = Mode::table;
    ProbeSet probes_;
    ProbeSearch search_ = nullptr;
    std::vector<std::pair<unsigned char, unsigned char>> ranges_;
#if defined(__SSE2__)
    __m128i vectors_[2 * kMaxRanges] = {};
#endif
};

// Where a match of what follows a step can start: at `offset` bytes before each place
// the chosen finder reports (it looks for bytes at fixed distances into that text), or
// wherever its first byte can be when no such anchor exists.
struct Scanner {
    struct Option {
        ByteFinder finder;
        std::size_t offset = 0;
        std::size_t compares = 1;  // vector compares per probe and sixteen bytes
        std::size_t probes = 1;
        std::size_t ranges = 0;  // places checked as ranges (three vector steps each)
    };
    // The best window for one, two and three compared bytes, each also with the
    // classes beside it checked as ranges where there are such: which pays depends on
    // the text (bytes that often stand together make the smaller windows stop in vain),
    // so each run picks one from a sample of its text.
    std::vector<Option> options;
};

// ---------------------------------------------------------------------------------------
// The program: the tree as steps with forward jumps only

struct Step {
    enum class Op : std::uint8_t { set, bytes, save, split, jump, assertion, match };
    Op op = Op::match;
    SimpleNode::Kind assertion = SimpleNode::Kind::text_start;
    bool lazy = false;
    std::uint32_t set = 0;  // set: index into Program::sets
    std::uint32_t min = 1;
    std::uint32_t max = 1;
    std::uint32_t slot = 0;  // save: the capture slot
    std::uint32_t x = 0;     // split: tried first; jump: target; bytes: start in the pool
    std::uint32_t y = 0;     // split: tried second; bytes: length
    int scan = -1;           // unbounded repeats: Program::scanners entry for what follows
    int end = -1;            // unbounded repeats: finder of the bytes that may end the run
    int follow = -1;         // repeats: Program::follows entry, the bytes that can start
                             // what follows (-1: anything, or the empty text)
    // repeats that no member can be followed by what follows (no member starts with a
    // byte that can start it): only the end of the run can be followed by it
    bool possessive = false;
    // bytes of at most eight: the bytes, their case masks and the bytes compared, as
    // one word (little-endian), for a comparison of the whole run at once
    std::uint64_t word = 0;
    std::uint64_t word_folds = 0;
    std::uint64_t word_compared = 0;
};

// What can start the text matched from a step.
struct First {
    ByteSet bytes;
    bool nullable = false;        // the rest can match the empty text
    std::vector<BytePair> pairs;  // the two-byte starts, when listed
    bool pairs_listed = true;

    void add(const First& other) {
        bytes |= other.bytes;
        nullable = nullable || other.nullable;
        if (pairs_listed && other.pairs_listed) {
            for (const BytePair& p : other.pairs) {
                if (std::find(pairs.begin(), pairs.end(), p) == pairs.end()) {
                    pairs.push_back(p);
                }
            }
            pairs_listed = pairs.size() <= kMaxExactPairs;
        } else {
            pairs_listed = false;
        }
        if (!pairs_listed) {
            pairs.clear();
        }
    }
};

bool is_word(unsigned char b) {
    return (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == '_';
}

// The bytes of a one-character atom that is a plain byte sequence in the text: an ASCII
// unit (under ignore-case an ASCII letter with its partner), or a unit with exactly
// one pair and no case partner. Each byte comes with a mask that folds case.
bool literal_bytes(const RangeList& set, std::vector<unsigned char>& bytes,
                   std::vector<unsigned char>& folds) {
    if (set.size() == 1 && set[0].first == set[0].second) {
        const char32_t u = set[0].first;
        if (u < 0x80) {
            bytes.push_back(static_cast<unsigned char>(u));
            folds.push_back(0);
            return true;
        }
        const auto& by_unit = pair_tables().by_unit;
        auto it = std::lower_bound(by_unit.begin(), by_unit.end(),
                                   std::pair<char16_t, std::uint16_t>{static_cast<char16_t>(u), 0});
        if (u > 0xFFFF || it == by_unit.end() || it->first != u ||
            (it + 1 != by_unit.end() && (it + 1)->first == u)) {
            return false;
        }
        const BytePair pair = pair_bytes(it->second);
        bytes.insert(bytes.end(), {pair.first, pair.second});
        folds.insert(folds.end(), {0, 0});
        return true;
    }
    if (set.size() == 2 && set[0].first == set[0].second && set[1].first == set[1].second &&
        set[0].first >= 'A' && set[0].first <= 'Z' && set[1].first == set[0].first + 0x20) {
        bytes.push_back(static_cast<unsigned char>(set[1].first));
        folds.push_back(0x20);
        return true;
    }
    return false;
}

}  // namespace

struct DirectMatcher::Program {
    std::vector<Step> steps;
    std::vector<CharSet> sets;
    std::vector<unsigned char> pool;   // the bytes of `bytes` steps
    std::vector<unsigned char> folds;  // and their case masks
    std::vector<ByteFinder> finders;
    std::vector<Scanner> scanners;
    std::vector<ByteSet> follows;
    std::uint32_t groups = 0;
    bool start_nullable = false;
    int start = -1;  // the scanner for where matches can start, unless nullable
    bool too_big = false;
    // For tests: every scanner uses this option (modulo their number) instead of the
    // one a sample of the text picks; -1 for the pick.
    int forced_option = -1;

    void emit(const SimpleNode& node) {
        if (steps.size() > kMaxSteps) {
            too_big = true;
            return;
        }
        switch (node.kind) {
            case SimpleNode::Kind::alternation: {
                std::vector<std::size_t> jumps;
                for (std::size_t i = 0; i < node.children.size(); ++i) {
                    const bool last = i + 1 == node.children.size();
                    std::size_t split = 0;
                    if (!last) {
                        split = steps.size();
                        Step s;
                        s.op = Step::Op::split;
                        s.x = static_cast<std::uint32_t>(split + 1);
                        steps.push_back(s);
                    }
                    emit(node.children[i]);
                    if (!last) {
                        jumps.push_back(steps.size());
                        Step j;
                        j.op = Step::Op::jump;
                        steps.push_back(j);
                        steps[split].y = static_cast<std::uint32_t>(steps.size());
                    }
                }
                for (std::size_t j : jumps) {
                    steps[j].x = static_cast<std::uint32_t>(steps.size());
                }
                return;
            }
            case SimpleNode::Kind::sequence:
                for (const SimpleNode& child : node.children) {
                    emit(child);
                }
                return;
            case SimpleNode::Kind::atom: {
                if (node.max == 0) {
                    return;  // x{0} matches the empty text
                }
                if (node.min == 1 && node.max == 1 && emit_literal(node.set)) {
                    return;
                }
                Step s;
                s.op = Step::Op::set;
                s.set = static_cast<std::uint32_t>(sets.size());
                sets.emplace_back(node.set);
                s.min = node.min;
                s.max = node.max;
                s.lazy = node.lazy && node.min != node.max;
                steps.push_back(s);
                return;
            }
            case SimpleNode::Kind::group: {
                Step save;
                save.op = Step::Op::save;
                if (node.group != 0) {
                    save.slot = 2 * node.group;
                    steps.push_back(save);
                }
                for (const SimpleNode& child : node.children) {
                    emit(child);
                }
                if (node.group != 0) {
                    save.slot = 2 * node.group + 1;
                    steps.push_back(save);
                }
                return;
            }
            default: {
                Step s;
                s.op = Step::Op::assertion;
                s.assertion = node.kind;
                steps.push_back(s);
                return;
            }
        }
    }

    // A one-character literal joins the byte run of the step before it, if that is one.
    bool emit_literal(const RangeList& set) {
        std::vector<unsigned char> bytes;
        std::vector<unsigned char> fold;
        if (!literal_bytes(set, bytes, fold)) {
            return false;
        }
        if (steps.empty() || steps.back().op != Step::Op::bytes ||
            steps.back().x + steps.back().y != pool.size()) {
            Step s;
            s.op = Step::Op::bytes;
            s.x = static_cast<std::uint32_t>(pool.size());
            s.y = 0;
            steps.push_back(s);
        }
        pool.insert(pool.end(), bytes.begin(), bytes.end());
        folds.insert(folds.end(), fold.begin(), fold.end());
        steps.back().y += static_cast<std::uint32_t>(bytes.size());
        return true;
    }

    // The byte values possible at each of the first bytes matched from `pc`, as long as
    // every character there has a fixed width; a position with too many pairs' bytes to
    // list is empty (useless as an anchor, but it counts).
    std::vector<std::vector<unsigned char>> fixed_prefix(std::size_t pc) const {
        std::vector<std::vector<unsigned char>> out;
        for (; pc < steps.size() && out.size() < 32; ++pc) {
            const Step& s = steps[pc];
            if (s.op == Step::Op::save || s.op == Step::Op::assertion) {
                continue;  // matches no text
            }
            if (s.op == Step::Op::bytes) {
                for (std::uint32_t i = 0; i < s.y; ++i) {
                    const unsigned char b = pool[s.x + i];
                    out.push_back({b});
                    if (folds[s.x + i] != 0) {
                        out.back().push_back(static_cast<unsigned char>(b & ~0x20));
                    }
                }
                continue;
            }
            if (s.op != Step::Op::set) {
                break;
            }
            const CharSet& c = sets[s.set];
            std::vector<unsigned char> ascii;
            for (unsigned b = 0; b < 0x80; ++b) {
                if (c.ascii[b]) {
                    ascii.push_back(static_cast<unsigned char>(b));
                }
            }
            const bool one_byte = c.high == CharSet::High::none;
            const bool two_bytes = ascii.empty() && c.high == CharSet::High::some && c.pairs_listed;
            if (!one_byte && !two_bytes) {
                break;
            }
            for (std::uint32_t k = 0; k < s.min && out.size() < 32; ++k) {
                if (one_byte) {
                    out.push_back(ascii);
                } else {
                    std::vector<unsigned char> leads;
                    std::vector<unsigned char> trails;
                    for (const BytePair& p : c.member_pairs) {
                        leads.push_back(p.first);
                        trails.push_back(p.second);
                    }
                    for (auto* v : {&leads, &trails}) {
                        std::sort(v->begin(), v->end());
                        v->erase(std::unique(v->begin(), v->end()), v->end());
                        out.push_back(v->size() <= ByteFinder::kMaxProbes
                                          ? *v
                                          : std::vector<unsigned char>{});
                    }
                }
            }
            if (s.min != s.max) {
                break;  // a repeat: only its least number of characters stand at fixed places
            }
        }
        return out;
    }

    // The scanner for what matches from `pc`: for one, two and three compared bytes of
    // its fixed-width start, the window that spans farthest (up to three bytes apart)
    // with the fewest combinations; without such a start, the bytes it can start with.
    Scanner scanner_for(std::size_t pc, const First& first) const {
        auto prefix = fixed_prefix(pc);
        // A place that takes ASCII letters in both cases is compared with its case
        // folded: half the probes.
        const auto letter = [](unsigned char b) { return (b | 0x20) >= 'a' && (b | 0x20) <= 'z'; };
        std::vector<unsigned char> fold(prefix.size(), 0);
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            std::vector<unsigned char>& bytes = prefix[i];
            const bool foldable =
                !bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [&](unsigned char b) {
                    return letter(b) &&
                           std::find(bytes.begin(), bytes.end(), b ^ 0x20) != bytes.end();
                });
            if (foldable) {
                for (unsigned char& b : bytes) {
                    b |= 0x20;
                }
                std::sort(bytes.begin(), bytes.end());
                bytes.erase(std::unique(bytes.begin(), bytes.end()), bytes.end());
                fold[i] = 0x20;
            }
        }
        // A place whose values (case folded) are one short run of bytes, such as [a-z]
        // or \d, can be checked as a range next to the probes.
        std::vector<std::optional<ProbeSet::Range>> range(prefix.size());
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            std::vector<unsigned char> sorted = prefix[i];
            std::sort(sorted.begin(), sorted.end());
            sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
            if (sorted.size() >= 2 && sorted.size() <= kMaxRangeWidth &&
                static_cast<std::size_t>(sorted.back() - sorted.front()) + 1 == sorted.size()) {
                range[i] = ProbeSet::Range{
                    0, sorted.front(), static_cast<unsigned char>(sorted.back() - sorted.front()),
                    fold[i]};
            }
        }
        // Places with more values than probes can compare are left to the ranges.
        for (auto& bytes : prefix) {
            if (bytes.size() > ByteFinder::kMaxProbes) {
                bytes.clear();
            }
        }
        // For each number of compared bytes: the window that is widest, then has the
        // fewest combinations.
        std::array<std::optional<Scanner::Option>, 3> best;
        std::array<std::pair<std::size_t, std::size_t>, 3> best_score{};
        std::array<std::array<std::size_t, 3>, 3> best_places{};  // each window's places
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            const auto& a = prefix[i];
            if (a.empty()) {
                continue;
            }
            for (std::size_t d = 0; d <= 3 && i + d < prefix.size(); ++d) {
                const auto& b = prefix[i + d];
                if (b.empty()) {
                    continue;
                }
                // m == 0: no middle byte.
                for (std::size_t m = 0; m < std::max<std::size_t>(d, 1); ++m) {
                    const auto* middle = m == 0 ? nullptr : &prefix[i + m];
                    if (middle && middle->empty()) {
                        continue;
                    }
                    const std::size_t count =
                        (d == 0 ? 1 : b.size()) * a.size() * (middle ? middle->size() : 1);
                    if (count > kMaxWindowProbes) {
                        continue;
                    }
                    const std::size_t compared = 1 + (d != 0) + (middle != nullptr);
                    const std::pair<std::size_t, std::size_t> score{d, kMaxWindowProbes - count};
                    if (best[compared - 1] && score <= best_score[compared - 1]) {
                        continue;
                    }
                    std::vector<Probe> probes;
                    for (unsigned char x : a) {
                        for (unsigned char y : d == 0 ? std::vector<unsigned char>{0} : b) {
                            for (unsigned char z :
                                 middle ? *middle : std::vector<unsigned char>{0}) {
                                probes.push_back({x, y, z});
                            }
                        }
                    }
                    best_score[compared - 1] = score;
                    const std::array<unsigned char, 3> folds = {fold[i], fold[i + d], fold[i + m]};
                    best[compared - 1] =
                        Scanner::Option{ByteFinder(probes, d, m, folds), i, compared, count};
                    best_places[compared - 1] = {i, i + d, i + m};
                }
            }
        }
        Scanner out;
        for (std::size_t c = 0; c < best.size(); ++c) {
            if (!best[c]) {
                continue;
            }
            out.options.push_back(*best[c]);
            // The same window with the two narrowest ranges near it, if there are any:
            // dearer per byte, but where the probes alone often stop in vain (a letter
            // before a quote, a digit after it) the run's sample will show it pays.
            const auto& places = best_places[c];
            const std::size_t i = places[0];
            std::vector<ProbeSet::Range> near;
            for (std::size_t p = i >= 3 ? i - 3 : 0; p < prefix.size() && p <= i + 6; ++p) {
                if (range[p] && std::find(places.begin(), places.end(), p) == places.end()) {
                    ProbeSet::Range r = *range[p];
                    r.at = static_cast<std::ptrdiff_t>(p) - static_cast<std::ptrdiff_t>(i);
                    near.push_back(r);
                }
            }
            if (near.empty()) {
                continue;
            }
            std::stable_sort(near.begin(), near.end(),
                             [](const ProbeSet::Range& x, const ProbeSet::Range& y) {
                                 return x.width < y.width;
                             });
            near.resize(std::min<std::size_t>(near.size(), 2));
            Scanner::Option ranged = *best[c];
            ranged.finder = best[c]->finder.with_ranges(near);
            ranged.ranges = near.size();
            out.options.push_back(std::move(ranged));
        }
        if (!out.options.empty()) {
            return out;
        }
        if (first.pairs_listed) {
            std::vector<Probe> probes;
            for (unsigned b = 0; b < 0x80; ++b) {
                if (first.bytes.test(b)) {
                    probes.push_back({static_cast<unsigned char>(b), 0});
                }
            }
            const bool any_single = !probes.empty();
            for (const BytePair& p : first.pairs) {
                probes.push_back({p.first, p.second});
            }
            // Pairs alone are found with their second byte; mixed with single bytes,
            // by their first byte only.
            if (probes.size() <= ByteFinder::kMaxProbes) {
                if (!any_single) {
                    out.options.push_back({ByteFinder(probes, 1), 0, 2, probes.size()});
                    return out;
                }
                for (Probe& p : probes) {
                    p.second = 0;
                }
                out.options.push_back({ByteFinder(probes, 0), 0, 1, probes.size()});
                return out;
            }
        }
        out.options.push_back({ByteFinder(first.bytes), 0, 1, 1});
        return out;
    }

    // Literal runs of up to eight bytes as words, once the runs are complete.
    void plan_words() {
        for (Step& st : steps) {
            if (st.op != Step::Op::bytes || st.y > 8) {
                continue;
            }
            for (std::uint32_t i = 0; i < st.y; ++i) {
                st.word |= std::uint64_t{pool[st.x + i]} << (8 * i);
                st.word_folds |= std::uint64_t{folds[st.x + i]} << (8 * i);
                st.word_compared |= std::uint64_t{0xFF} << (8 * i);
            }
        }
    }

    // What can start a match from each step, from the last step back (jumps only go
    // forward), and the scanners and finders that use it.
    void plan_scans() {
        std::vector<First> first(steps.size());
        for (std::size_t pc = steps.size(); pc-- > 0;) {
            const Step& s = steps[pc];
            First& f = first[pc];
            switch (s.op) {
                case Step::Op::match:
                    f.nullable = true;
                    break;
                case Step::Op::save:
                case Step::Op::assertion:
                    f = first[pc + 1];
                    break;
                case Step::Op::jump:
                    f = first[s.x];
                    break;
                case Step::Op::split:
                    f = first[s.x];
                    f.add(first[s.y]);
                    break;
                case Step::Op::bytes: {
                    const unsigned char b = pool[s.x];
                    f.bytes.set(b);
                    if (folds[s.x] != 0) {
                        f.bytes.set(b & ~0x20);
                    }
                    if (b >= 0x80) {
                        f.pairs.push_back({b, pool[s.x + 1]});
                    }
                    break;
                }
                case Step::Op::set: {
                    const CharSet& c = sets[s.set];
                    f.bytes = c.first;
                    f.pairs_listed = c.pairs_listed;
                    f.pairs = c.member_pairs;
                    if (s.min == 0) {
                        f.add(first[pc + 1]);
                    }
                    break;
                }
            }
        }
        start_nullable = first[0].nullable;
        if (!start_nullable) {
            start = static_cast<int>(scanners.size());
            scanners.push_back(scanner_for(0, first[0]));
        }
        for (std::size_t pc = 0; pc < steps.size(); ++pc) {
            Step& s = steps[pc];
            if (s.op == Step::Op::set && s.min != s.max && !first[pc + 1].nullable) {
                s.follow = static_cast<int>(follows.size());
                follows.push_back(first[pc + 1].bytes);
                s.possessive = (sets[s.set].first & first[pc + 1].bytes).none();
            }
            if (s.op != Step::Op::set || s.max != regexp::kUnbounded) {
                continue;
            }
            const CharSet& c = sets[s.set];
            if (c.first_of_other.any()) {
                s.end = static_cast<int>(finders.size());
                finders.emplace_back(c.first_of_other);
            }
            if (s.lazy && !first[pc + 1].nullable) {
                s.scan = static_cast<int>(scanners.size());
                scanners.push_back(scanner_for(pc + 1, first[pc + 1]));
            }
        }
    }
};

namespace {

enum class Outcome { found, none, over_budget };

// The option each of a program's scanners uses over one text.
using ScannerChoice = std::vector<const Scanner::Option*>;

// Picks each scanner's option for a text: the one that costs least over a sample of it,
// counting a stop as much as forty vector operations. Made once per run (the sampling
// costs as much as a good part of a page's searches).
ScannerChoice choose_scanners(const DirectMatcher::Program& program, std::string_view text) {
    constexpr std::size_t kSample = 16 * 1024;
    constexpr std::size_t kStopCost = 40;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t sample = std::min(text.size(), kSample);
    ScannerChoice chosen;
    for (const Scanner& scanner : program.scanners) {
        if (program.forced_option >= 0) {
            chosen.push_back(&scanner.options[static_cast<std::size_t>(program.forced_option) %
                                              scanner.options.size()]);
            continue;
        }
        const Scanner::Option* pick = &scanner.options.front();
        std::size_t pick_cost = SIZE_MAX;
        for (const Scanner::Option& option : scanner.options) {
            if (scanner.options.size() == 1) {
                break;
            }
            std::size_t cost = sample / 16 * (option.compares * option.probes + 3 * option.ranges);
            for (std::size_t at = option.finder.find(s, option.offset, sample);
                 at < sample && cost < pick_cost; at = option.finder.find(s, at + 1, sample)) {
                cost += kStopCost;
            }
            if (cost < pick_cost) {
                pick_cost = cost;
                pick = &option;
            }
        }
        chosen.push_back(pick);
    }
    return chosen;
}

// Gives memory in whole cache lines of its own. A search's working state, written at
// every step, lives in it: when two threads search one text, a line shared with
// something the other thread reads (the program's tables, say) would travel between
// the cores at every step.
template <typename T>
struct LineAllocator {
    using value_type = T;
    static constexpr std::size_t kLine = 64;
    LineAllocator() = default;
    template <typename U>
    LineAllocator(const LineAllocator<U>&) {}
    T* allocate(std::size_t count) {
        const std::size_t bytes = (count * sizeof(T) + kLine - 1) / kLine * kLine;
        return static_cast<T*>(::operator new (bytes, std::align_val_t{kLine}));
    }
    void deallocate(T* p, std::size_t) { ::operator delete (p, std::align_val_t{kLine}); }
    template <typename U>
    bool operator==(const LineAllocator<U>&) const {
        return true;
    }
};
template <typename T>
using LineVector = std::vector<T, LineAllocator<T>>;

// One run's state: the text, where its characters start, the groups so far.
class Search {
public:
    Search(const DirectMatcher::Program& program, std::string_view text, const std::uint64_t* leads)
        : p_(program),
          steps_(program.steps.data()),
          s_(reinterpret_cast<const unsigned char*>(text.data())),
          n_(text.size()),
          leads_(leads),
          caps_(2 * (program.groups + 1), DirectMatcher::kUnset),
          run_ends_(program.finders.size(), {1, 0}) {}

    bool over_budget() const { return work_ > kSearchBudget; }
    void new_search() { work_ = 0; }
    std::size_t size() const { return n_; }
    std::uint32_t end() const { return end_; }
    void clear_captures() {
        std::fill(caps_.begin(), caps_.end(), DirectMatcher::kUnset);
        trail_.clear();
    }
    // One search from `start`: the leftmost match at or after it that starts before
    // `limit`, appended to `offsets` (its start, its end, then each group's), with
    // match_start() and next_start() for it.
    template <typename Offsets>
    Outcome find(std::size_t start, Offsets& offsets, std::size_t limit = SIZE_MAX) {
        new_search();
        std::size_t p = start;
        for (;;) {
            if (!p_.start_nullable) {
                p = candidate(p_.start, p);
                if (p >= n_) {
                    return Outcome::none;  // a match needs at least one character
                }
            }
            if (p >= limit) {
                return Outcome::none;
            }
            if (match(0, p)) {
                break;
            }
            undo(0);
            if (over_budget()) {
                return Outcome::over_budget;
            }
            if (p >= n_) {
                return Outcome::none;
            }
            p = p_.start_nullable ? next(p) : p + 1;
        }
        match_start_ = static_cast<std::uint32_t>(p);
        offsets.push_back(match_start_);
        offsets.push_back(end_);
        offsets.insert(offsets.end(), caps_.begin() + 2, caps_.end());
        clear_captures();
        return Outcome::found;
    }
    std::uint32_t match_start() const { return match_start_; }
    // Where the search after the last match starts: its end, or after an empty match
    // one character later (past the end: no more searches).
    std::size_t next_start() const {
        return end_ == match_start_ ? (end_ < n_ ? next(end_) : n_ + 1) : end_;
    }

    // Puts back the groups set since the trail had `mark` entries.
    void undo(std::size_t mark) {
        while (trail_.size() > mark) {
            caps_[trail_.back().first] = trail_.back().second;
            trail_.pop_back();
        }
    }

    bool lead(std::size_t p) const { return (leads_[p >> 6] >> (p & 63)) & 1; }
    // After a character start: in a plain text a byte from 0x80 up there is a lead byte.
    std::size_t next(std::size_t p) const { return p + 1 + (s_[p] >= 0x80); }
    std::size_t prev(std::size_t p) const { return (p >= 2 && lead(p - 2)) ? p - 2 : p - 1; }
    // Whether a character starts at p (p < n): a byte below 0x40 can't be a trail byte.
    bool boundary(std::size_t p) const { return s_[p] < 0x40 || p == 0 || !lead(p - 1); }

    // The scanners' options for this text, from choose_scanners.
    void use_scanners(const ScannerChoice& chosen) { chosen_ = chosen; }

    // The first character start from `from` where scanner `index`'s anchor fits, or n.
    std::size_t candidate(int index, std::size_t from) {
        const Scanner::Option& scanner = *chosen_[index];
        std::size_t a = from + scanner.offset;
        for (;;) {
            a = scanner.finder.find(s_, a, n_);
            if (a >= n_) {
                a = n_ + scanner.offset;
                break;
            }
            if (boundary(a - scanner.offset)) {
                break;
            }
            ++a;
        }
        work_ += (a - from) / 32 + 1;
        return std::min(a - scanner.offset, n_);
    }

    // The first character start from `from` that is not in `c`, or `limit` if there is
    // none before it. The last answer of each finder is kept: it holds for every `from`
    // up to it, and the gaps of one search mostly move forward inside one run.
    [[gnu::always_inline]] std::size_t end_of_run(const CharSet& c, int finder, std::size_t from,
                                                  std::size_t limit) {
        if (finder < 0) {
            return limit;  // every character is a member
        }
        const auto& [known_from, known_end] = run_ends_[finder];
        if (from < known_from || from > known_end) {
            find_end_of_run(c, finder, from);
        }
        return std::min(known_end, limit);
    }

    // The search behind end_of_run, kept out of line: most calls need none.
    [[gnu::noinline]] void find_end_of_run(const CharSet& c, int finder, std::size_t from) {
        const ByteFinder& f = p_.finders[finder];
        std::size_t r = from;
        bool ended = false;
        if (c.high == CharSet::High::none) {
            // Runs of ASCII members (digits, letters) are mostly short: a few bytes looked
            // at one by one before the finder's vectors.
            const std::size_t stop = std::min(n_, from + 16);
            while (r < stop && s_[r] < 0x80 && c.ascii[s_[r]]) {
                ++r;
            }
            ended = r < stop;
        }
        while (!ended) {
            r = f.find(s_, r, n_);
            if (r >= n_) {
                r = n_;
                ended = true;
            } else if (boundary(r) && !c.has(s_, r)) {
                ended = true;
            } else {
                ++r;
            }
        }
        work_ += (r - from) / 32 + 1;
        run_ends_[finder] = {from, r};
    }

    // Counts one unit of work per call: the steps of one call are at most the program's
    // length (jumps only go forward), and every loop that repeats counts its own turns.
    bool match(std::uint32_t pc, std::size_t p) {
        if (++work_ > kSearchBudget) {
            return false;
        }
        for (;;) {
            const Step& st = steps_[pc];
            switch (st.op) {
                case Step::Op::match:
                    end_ = static_cast<std::uint32_t>(p);
                    return true;
                case Step::Op::bytes: {
                    if (st.y > n_ - p) {
                        return false;
                    }
                    if (st.word_compared != 0 && n_ - p >= 8) {
                        std::uint64_t here;
                        std::memcpy(&here, s_ + p, sizeof here);
                        if (((here | st.word_folds) ^ st.word) & st.word_compared) {
                            return false;
                        }
                        p += st.y;
                        ++pc;
                        continue;
                    }
                    const unsigned char* want = p_.pool.data() + st.x;
                    const unsigned char* fold = p_.folds.data() + st.x;
                    for (std::uint32_t i = 0; i < st.y; ++i) {
                        if ((s_[p + i] | fold[i]) != want[i]) {
                            return false;
                        }
                    }
                    p += st.y;
                    ++pc;
                    continue;
                }
                case Step::Op::save:
                    // Undone by the choice point that backtracks past it.
                    trail_.emplace_back(st.slot, caps_[st.slot]);
                    caps_[st.slot] = static_cast<std::uint32_t>(p);
                    ++pc;
                    continue;
                case Step::Op::split: {
                    const std::size_t mark = trail_.size();
                    if (match(st.x, p) || over_budget()) {
                        return !over_budget();
                    }
                    undo(mark);
                    pc = st.y;
                    continue;
                }
                case Step::Op::jump:
                    pc = st.x;
                    continue;
                case Step::Op::assertion:
                    if (!holds(st.assertion, p)) {
                        return false;
                    }
                    ++pc;
                    continue;
                case Step::Op::set: {
                    const CharSet& c = p_.sets[st.set];
                    if (st.min == 1 && st.max == 1) {
                        if (p >= n_ || !c.has(s_, p)) {
                            return false;
                        }
                        p = next(p);
                        ++pc;
                        continue;
                    }
                    std::size_t q = p;
                    for (std::uint32_t k = 0; k < st.min; ++k) {
                        if (q >= n_ || !c.has(s_, q)) {
                            return false;
                        }
                        q = next(q);
                    }
                    work_ += st.min;
                    if (st.possessive) {
                        // Lazy or greedy alike, what follows can only start where the run
                        // ends: no choice to come back to.
                        p = run_end(st, c, q);
                        if (p >= n_ || !p_.follows[st.follow][s_[p]]) {
                            return false;
                        }
                        ++pc;
                        continue;
                    }
                    return st.lazy ? lazy(st, pc, q) : greedy(st, pc, q);
                }
            }
        }
    }

private:
    bool lazy(const Step& st, std::uint32_t pc, std::size_t q) {
        const CharSet& c = p_.sets[st.set];
        std::uint32_t count = st.min;
        const ByteSet* follow = st.follow >= 0 ? &p_.follows[st.follow] : nullptr;
        const std::size_t mark = trail_.size();
        if (st.scan >= 0) {
            q = end_of_run(c, st.end, q, candidate(st.scan, q));  // as below, from the start
        }
        for (;;) {
            // What follows is tried only where its first byte can stand.
            if (!follow || (q < n_ && (*follow)[s_[q]])) {
                if (match(pc + 1, q)) {
                    return true;
                }
                undo(mark);
            }
            if (over_budget() || count == st.max || q >= n_ || !c.has(s_, q)) {
                return false;
            }
            q = next(q);
            ++count;
            if (st.scan >= 0) {
                // Unbounded: go on to where what follows can start, or to where the run
                // of members ends before that (the loop tries there once more, then
                // gives up).
                q = end_of_run(c, st.end, q, candidate(st.scan, q));
            }
        }
    }

    // Where a repeat that has matched its least number of members at `q` ends when it
    // takes as many more as it can.
    std::size_t run_end(const Step& st, const CharSet& c, std::size_t q) {
        if (st.max == regexp::kUnbounded) {
            return end_of_run(c, st.end, q, n_);
        }
        std::size_t r = q;
        for (std::uint32_t count = st.min; count < st.max && r < n_ && c.has(s_, r); ++count) {
            r = next(r);
            ++work_;
        }
        return r;
    }

    bool greedy(const Step& st, std::uint32_t pc, std::size_t q) {
        const CharSet& c = p_.sets[st.set];
        std::size_t r = run_end(st, c, q);
        const ByteSet* follow = st.follow >= 0 ? &p_.follows[st.follow] : nullptr;
        const std::size_t mark = trail_.size();
        for (;;) {
            if (!follow || (r < n_ && (*follow)[s_[r]])) {
                if (match(pc + 1, r)) {
                    return true;
                }
                undo(mark);
            }
            if (over_budget() || r == q) {
                return false;
            }
            r = prev(r);
            ++work_;
        }
    }

    bool holds(SimpleNode::Kind kind, std::size_t p) const {
        switch (kind) {
            case SimpleNode::Kind::text_start:
                return p == 0;
            case SimpleNode::Kind::text_end:
                return p == n_;
            case SimpleNode::Kind::line_start:
                return p == 0 || s_[p - 1] == '\n' || s_[p - 1] == '\r';
            case SimpleNode::Kind::line_end:
                return p == n_ || s_[p] == '\n' || s_[p] == '\r';
            case SimpleNode::Kind::word_boundary:
            case SimpleNode::Kind::not_word_boundary: {
                // The character before is a pair's second byte when a pair starts two
                // bytes back: not a word character then.
                const bool before = p > 0 && !(p >= 2 && lead(p - 2)) && is_word(s_[p - 1]);
                const bool after = p < n_ && is_word(s_[p]);
                return (before != after) == (kind == SimpleNode::Kind::word_boundary);
            }
            default:
                return false;
        }
    }

    const DirectMatcher::Program& p_;
    const Step* steps_;
    const unsigned char* s_;
    std::size_t n_;
    const std::uint64_t* leads_;
    LineVector<std::uint32_t> caps_;
    LineVector<std::pair<std::uint32_t, std::uint32_t>> trail_;  // (slot, value before)
    LineVector<std::pair<std::size_t, std::size_t>> run_ends_;   // per finder: (from, end)
    ScannerChoice chosen_;                                       // per scanner
    std::uint64_t work_ = 0;
    std::uint32_t end_ = 0;
    std::uint32_t match_start_ = 0;
};

}  // namespace

namespace {

// One bit per byte of a 64-byte block.
struct BlockMasks {
    std::uint64_t high = 0;       // 0x80-0xFF
    std::uint64_t not_trail = 0;  // 0x00-0x3F, 0x7F, 0xFF: can't follow a lead byte
    std::uint64_t odd = 0;        // 0x80 or 0xFF
    std::uint64_t nul = 0;        // 0x00
};

[[maybe_unused]] inline BlockMasks block_masks_plain(const unsigned char* p) {
    BlockMasks m;
    for (int k = 0; k < 64; ++k) {
        const unsigned b = p[k];
        m.high |= static_cast<std::uint64_t>(b >= 0x80) << k;
        m.not_trail |= static_cast<std::uint64_t>(!is_trail(b)) << k;
        m.odd |= static_cast<std::uint64_t>(b == 0x80 || b == 0xFF) << k;
        m.nul |= static_cast<std::uint64_t>(b == 0) << k;
    }
    return m;
}

#if defined(__SSE2__)
inline BlockMasks block_masks_sse2(const unsigned char* p) {
    BlockMasks m;
    for (int k = 0; k < 4; ++k) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i is_ff = _mm_cmpeq_epi8(x, _mm_set1_epi8(-1));
        const __m128i is_80 = _mm_cmpeq_epi8(x, _mm_set1_epi8(-128));
        const __m128i below_40 =
            _mm_cmpeq_epi8(_mm_and_si128(x, _mm_set1_epi8(-64)), _mm_setzero_si128());
        const __m128i bad =
            _mm_or_si128(_mm_or_si128(below_40, is_ff), _mm_cmpeq_epi8(x, _mm_set1_epi8(0x7F)));
        const int shift = 16 * k;
        m.high |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(x))) << shift;
        m.not_trail |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(bad)))
                       << shift;
        m.odd |= static_cast<std::uint64_t>(
                     static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(is_ff, is_80))))
                 << shift;
        m.nul |= static_cast<std::uint64_t>(static_cast<unsigned>(
                     _mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_setzero_si128()))))
                 << shift;
    }
    return m;
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx2")]] inline BlockMasks block_masks_avx2(const unsigned char* p) {
    BlockMasks m;
    for (int k = 0; k < 2; ++k) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
        const __m256i is_ff = _mm256_cmpeq_epi8(x, _mm256_set1_epi8(-1));
        const __m256i is_80 = _mm256_cmpeq_epi8(x, _mm256_set1_epi8(-128));
        const __m256i below_40 =
            _mm256_cmpeq_epi8(_mm256_and_si256(x, _mm256_set1_epi8(-64)), _mm256_setzero_si256());
        const __m256i bad = _mm256_or_si256(_mm256_or_si256(below_40, is_ff),
                                            _mm256_cmpeq_epi8(x, _mm256_set1_epi8(0x7F)));
        const int shift = 32 * k;
        m.high |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(x)))
                  << shift;
        m.not_trail |=
            static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(bad)))
            << shift;
        m.odd |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(
                     _mm256_movemask_epi8(_mm256_or_si256(is_ff, is_80))))
                 << shift;
        m.nul |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(
                     _mm256_movemask_epi8(_mm256_cmpeq_epi8(x, _mm256_setzero_si256()))))
                 << shift;
    }
    return m;
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx512f,avx512bw")]] inline BlockMasks block_masks_avx512(const unsigned char* p) {
    const __m512i x = _mm512_loadu_si512(p);
    const std::uint64_t ff = _mm512_cmpeq_epi8_mask(x, _mm512_set1_epi8(-1));
    BlockMasks m;
    m.high = _mm512_movepi8_mask(x);
    m.not_trail = _mm512_testn_epi8_mask(x, _mm512_set1_epi8(-64)) |
                  _mm512_cmpeq_epi8_mask(x, _mm512_set1_epi8(0x7F)) | ff;
    m.odd = ff | _mm512_cmpeq_epi8_mask(x, _mm512_set1_epi8(-128));
    m.nul = _mm512_testn_epi8_mask(x, x);
    return m;
}
#endif

// The masks of a batch of whole blocks, made by one masker call, and each block's lead
// bytes for both cases of the block before: it ended in a lead byte (whose trail is
// this block's first byte) or not. In a run of high bytes the first is a lead (what
// precedes the run can't be one), then trail and lead alternate. The leads are worked
// out for several blocks at once, a vector lane per block; the arithmetic that ties
// each block to the one before runs afterwards in ordinary registers (compiled for
// the vector extensions, it would use mask registers, which are slow at it).
constexpr std::size_t kBatch = 64;
struct MaskBatch {
    std::uint64_t high[kBatch];  // 0x81-0xFE: the bytes that lead or trail in a run
    std::uint64_t not_trail[kBatch];
    std::uint64_t odd[kBatch];
    std::uint64_t nul[kBatch];
    std::uint64_t leads_after_lead[kBatch];
    std::uint64_t leads_after_other[kBatch];
};
constexpr std::uint64_t kEven = 0x5555555555555555ULL;

// The leads among the high bytes `h` of one block (a 64-bit word), or of several at
// once (a vector of words; passed by reference, as vectors can only be passed by value
// to functions compiled for their width).
template <typename Words>
[[gnu::always_inline]] inline void leads_in_runs(const Words& h, Words& leads) {
    const Words starts = h & ~(h << 1);
    const Words from_even = h & ~(h + (starts & kEven));
    leads = (from_even & kEven) | (h & ~from_even & ~kEven);
}

// Fills the masks of `count` blocks, and zeroes those up to `round` (a multiple of the
// lanes that work out the leads).
template <BlockMasks (*masks_of)(const unsigned char*)>
[[gnu::always_inline]] inline void fill_batch(const unsigned char* p, std::size_t count,
                                              std::size_t round, MaskBatch& out) {
    for (std::size_t b = 0; b < count; ++b) {
        const BlockMasks m = masks_of(p + 64 * b);
        out.high[b] = m.high & ~m.odd;
        out.not_trail[b] = m.not_trail;
        out.odd[b] = m.odd;
        out.nul[b] = m.nul;
    }
    for (std::size_t b = count; b < round; ++b) {
        out.high[b] = 0;
    }
}

using BatchMasker = void (*)(const unsigned char*, std::size_t, MaskBatch&);

#if defined(__x86_64__) && defined(__GNUC__)
// The masks of a batch and, eight (or four) blocks at a time, both cases of their
// leads, written with the compiler's vector types: inlined into a function for each
// processor level, it is compiled for that level.
template <typename Lanes, BlockMasks (*masks_of)(const unsigned char*)>
[[gnu::always_inline]] inline void fill_batch_and_leads(const unsigned char* p, std::size_t count,
                                                        MaskBatch& out) {
    constexpr std::size_t lanes = sizeof(Lanes) / sizeof(std::uint64_t);
    const std::size_t round = (count + lanes - 1) / lanes * lanes;
    fill_batch<masks_of>(p, count, round, out);
    for (std::size_t b = 0; b < round; b += lanes) {
        Lanes h;
        std::memcpy(&h, out.high + b, sizeof h);
        const Lanes first_is_trail = h & ~1ULL;
        Lanes after_other;
        Lanes after_lead;
        leads_in_runs(h, after_other);
        leads_in_runs(first_is_trail, after_lead);
        std::memcpy(out.leads_after_other + b, &after_other, sizeof after_other);
        std::memcpy(out.leads_after_lead + b, &after_lead, sizeof after_lead);
    }
}

using Lanes8 = std::uint64_t __attribute__((vector_size(64)));
using Lanes4 = std::uint64_t __attribute__((vector_size(32)));

[[gnu::target("avx512f,avx512bw")]] void batch_avx512(const unsigned char* p, std::size_t count,
                                                      MaskBatch& out) {
    fill_batch_and_leads<Lanes8, block_masks_avx512>(p, count, out);
}
[[gnu::target("avx2")]] void batch_avx2(const unsigned char* p, std::size_t count, MaskBatch& out) {
    fill_batch_and_leads<Lanes4, block_masks_avx2>(p, count, out);
}
#endif
void batch_baseline(const unsigned char* p, std::size_t count, MaskBatch& out) {
#if defined(__SSE2__)
    fill_batch<block_masks_sse2>(p, count, count, out);
#else
    fill_batch<block_masks_plain>(p, count, count, out);
#endif
    for (std::size_t b = 0; b < count; ++b) {
        leads_in_runs(out.high[b], out.leads_after_other[b]);
        const std::uint64_t first_is_trail = out.high[b] & ~std::uint64_t{1};
        leads_in_runs(first_is_trail, out.leads_after_lead[b]);
    }
}

// The masker for `level`; null when the processor can't run it.
BatchMasker batch_masker(VectorLevel level) {
#if defined(__x86_64__) && defined(__GNUC__)
    const bool avx512 = __builtin_cpu_supports("avx512bw");
    const bool avx2 = __builtin_cpu_supports("avx2");
#else
    const bool avx512 = false;
    const bool avx2 = false;
#endif
    switch (level) {
        case VectorLevel::widest:
            return avx512 ? batch_masker(VectorLevel::avx512)
                   : avx2 ? batch_masker(VectorLevel::avx2)
                          : batch_baseline;
#if defined(__x86_64__) && defined(__GNUC__)
        case VectorLevel::avx512:
            return avx512 ? batch_avx512 : nullptr;
        case VectorLevel::avx2:
            return avx2 ? batch_avx2 : nullptr;
#else
        case VectorLevel::avx512:
        case VectorLevel::avx2:
            return nullptr;
#endif
        case VectorLevel::baseline:
            return batch_baseline;
    }
    return nullptr;
}

// The lead bits of words [first, last) of `text` (64 bytes each), given whether the
// byte before word `first` is a lead byte; `carry` then says whether the last byte of
// word `last` - 1 is one. False when those bytes are not plain GBK. With `copy`, the
// bytes are copied there at the same offsets on the way. With `nul_at`, a NUL byte
// stops it too: false, with the NUL's position there.
bool map_lead_words(std::string_view text, std::size_t first, std::size_t last,
                    std::uint64_t* leads, char* copy, std::uint64_t& carry,
                    std::size_t* nul_at = nullptr, BatchMasker masks_of = nullptr) {
    static const BatchMasker widest = batch_masker(VectorLevel::widest);
    if (!masks_of) {
        masks_of = widest;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const std::size_t whole = std::min(last, n / 64);  // words that lie wholly in the text
    MaskBatch batch;
    unsigned char tail[64];
    for (std::size_t w = first; w < last;) {
        // The next batch of whole blocks, or the last block, padded with NUL (which
        // can't be a trail byte) in a buffer of its own.
        const unsigned char* from = data + w * 64;
        std::size_t count = std::min(kBatch, whole > w ? whole - w : 0);
        std::uint64_t in_text = ~0ULL;  // of the last block: its bytes that are the text's
        if (count != 0) {
            masks_of(from, count, batch);
            if (copy) {
                std::memcpy(copy + w * 64, from, count * 64);  // while it is at hand
            }
        } else {
            count = 1;
            in_text = (1ULL << (n - w * 64)) - 1;
            std::memset(tail, 0, sizeof tail);
            std::memcpy(tail, from, n - w * 64);
            if (copy) {
                std::memcpy(copy + w * 64, from, n - w * 64);
            }
            from = tail;
            masks_of(from, 1, batch);
        }
        for (std::size_t b = 0; b < count; ++b, ++w) {
            const unsigned char* p = from + 64 * b;
            if (nul_at && (batch.nul[b] & in_text) != 0) {
                *nul_at =
                    w * 64 + static_cast<std::size_t>(__builtin_ctzll(batch.nul[b] & in_text));
                return false;
            }
            const std::uint64_t not_trail = batch.not_trail[b];
            std::uint64_t euro = 0;  // 0x80
            std::uint64_t ff = 0;
            if (batch.odd[b] != 0) {
                for (int k = 0; k < 64; ++k) {
                    euro |= static_cast<std::uint64_t>(p[k] == 0x80) << k;
                    ff |= static_cast<std::uint64_t>(p[k] == 0xFF) << k;
                }
            }
            // A lead at the end of the last block takes this block's first byte as its
            // trail.
            const std::uint64_t lead =
                carry ? batch.leads_after_lead[b] : batch.leads_after_other[b];
            const std::uint64_t trail = (lead << 1) | carry;
            if ((trail & not_trail) != 0 || ff != 0 || (euro & ~trail) != 0) {
                return false;
            }
            leads[w] = lead;
            carry = lead >> 63;
        }
    }
    return true;
}

}  // namespace

namespace {

// The lead bits of the whole text into `leads`: whether it is plain GBK (see
// map_lead_words for `copy`, `nul_at` and `masks_of`).
bool map_whole_text(std::string_view text, std::vector<std::uint64_t>& leads, char* copy,
                    std::size_t* nul_at = nullptr, BatchMasker masks_of = nullptr) {
    const std::size_t words = (text.size() + 63) / 64;
    leads.resize(words);
    std::uint64_t carry = 0;
    return map_lead_words(text, 0, words, leads.data(), copy, carry, nul_at, masks_of) &&
           carry == 0;
}

}  // namespace

bool can_run(VectorLevel level) {
    return batch_masker(level) != nullptr;
}

bool map_lead_bytes(std::string_view text, std::vector<std::uint64_t>& leads, char* copy,
                    VectorLevel level) {
    const BatchMasker masks_of = batch_masker(level);
    return masks_of && map_whole_text(text, leads, copy, nullptr, masks_of);
}

DirectMatcher::DirectMatcher(std::unique_ptr<Program> program) : program_(std::move(program)) {}
DirectMatcher::~DirectMatcher() = default;

std::unique_ptr<DirectMatcher> DirectMatcher::build(const regexp::SimpleNode& tree,
                                                    std::uint32_t groups) {
    if (!pair_tables().complete) {
        return nullptr;
    }
    auto program = std::make_unique<Program>();
    program->groups = groups;
    program->emit(tree);
    if (program->too_big) {
        return nullptr;
    }
    program->steps.push_back(Step{});  // match
    program->plan_words();
    program->plan_scans();
    return std::unique_ptr<DirectMatcher>(new DirectMatcher(std::move(program)));
}

std::uint32_t DirectMatcher::groups() const {
    return program_->groups;
}

std::unique_ptr<DirectMatcher> DirectMatcher::at_level(VectorLevel level,
                                                       int scanner_option) const {
    auto program = std::make_unique<Program>(*program_);
    program->forced_option = scanner_option;
    for (ByteFinder& finder : program->finders) {
        if (!finder.use_level(level)) {
            return nullptr;
        }
    }
    for (Scanner& scanner : program->scanners) {
        for (Scanner::Option& option : scanner.options) {
            if (!option.finder.use_level(level)) {
                return nullptr;
            }
        }
    }
    return std::unique_ptr<DirectMatcher>(new DirectMatcher(std::move(program)));
}

namespace {

// A thread kept to share the work on large texts, started on first use.
class Helper {
public:
    static Helper& get() {
        static Helper helper;
        return helper;
    }

    // Runs `job` on the helper thread; false, and nothing runs, when the helper is busy
    // with another caller's job or can't be started.
    bool post(std::function<void()> job) {
        std::lock_guard lock(mutex_);
        if (busy_) {
            return false;
        }
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { serve(); });
            } catch (const std::system_error&) {
                return false;
            }
        }
        job_ = std::move(job);
        busy_ = true;
        wake_.notify_one();
        return true;
    }

    // Until the posted job has finished.
    void wait() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return !busy_; });
    }

    ~Helper() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    Helper() = default;

    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || job_; });
            if (!job_) {
                return;
            }
            const std::function<void()> job = std::move(job_);
            job_ = nullptr;
            lock.unlock();
            job();
            lock.lock();
            busy_ = false;
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::function<void()> job_;
    bool busy_ = false;
    bool quit_ = false;
    std::thread thread_;
};

// A global run over a large text is cut into pieces that both threads take in turn,
// first to map each piece's lead bytes, then to search from each piece's start:
// taken in turn, so that a thread that gets less of its core does less of the work.
constexpr std::size_t kPieces = 8;

// The searches made from one piece's start: each one's start, and its match (offsets
// as a run gives them) or none, until a search would start in the next piece or went
// over the budget.
struct alignas(64) PieceSearches {
    LineVector<std::uint32_t> starts;
    LineVector<std::uint32_t> offsets;  // one match per start, but for a last none
    bool ended_with_none = false;       // the last start found no match
};

// What the threads of a run share, alone on its cache lines: a line that one thread
// wrote at every step while the other read it would travel between the cores.
struct alignas(64) Pieces {
    std::atomic<std::size_t> next_map{0};
    std::atomic<std::size_t> maps_done{0};
    std::atomic<std::size_t> next_search{0};
    std::atomic<std::size_t> next_copy{0};
    std::atomic<bool> failed{false};  // a piece is not plain GBK, or a search went over
    std::atomic<std::size_t> first_nul{SIZE_MAX};  // when NUL bytes stop the maps
};

// A run's plan: the pieces' first words (for the map, each with whether the byte
// before it is a lead byte) and their first bytes (for the searches).
struct PieceRun {
    const DirectMatcher::Program* program;
    std::string_view text;
    std::uint64_t* leads;
    char* copy;
    std::vector<std::size_t> map_from;     // words; one more at the end
    std::vector<std::uint64_t> carries;    // into each map piece
    std::vector<std::size_t> search_from;  // bytes; one more at the end
    PieceSearches* results;                // one per search piece
    Pieces* shared;
    bool stop_at_nul;
    // Made by the calling thread while the helper starts on the map; the searches wait
    // for it with the map (it counts as one more map piece done).
    ScannerChoice chosen;

    // What each thread does: maps pieces while there are any, waits until every piece
    // is mapped, then searches from pieces while there are any.
    void work() const {
        const std::size_t map_pieces = map_from.size() - 1;
        for (std::size_t i; (i = shared->next_map.fetch_add(1)) < map_pieces;) {
            std::uint64_t carry = carries[i];
            const bool last = i + 1 == map_pieces;
            std::size_t nul = SIZE_MAX;
            if (!map_lead_words(text, map_from[i], map_from[i + 1], leads, nullptr, carry,
                                stop_at_nul ? &nul : nullptr) ||
                carry != (last ? 0 : carries[i + 1])) {
                shared->failed.store(true);
            }
            for (std::size_t known = shared->first_nul.load(); nul < known;) {
                shared->first_nul.compare_exchange_weak(known, nul);
            }
            shared->maps_done.fetch_add(1);
            shared->maps_done.notify_all();
        }
        for (std::size_t done; (done = shared->maps_done.load()) < map_pieces + 1;) {
            shared->maps_done.wait(done);
        }
        if (shared->failed.load()) {
            return;
        }
        const std::size_t search_pieces = search_from.size() - 1;
        std::optional<Search> search;
        for (std::size_t i; (i = shared->next_search.fetch_add(1)) < search_pieces;) {
            if (shared->failed.load(std::memory_order_relaxed)) {
                return;
            }
            if (!search) {
                search.emplace(*program, text, leads);
                search->use_scanners(chosen);
            }
            search_piece(*search, i);
        }
        // The copy last: a thread out of pieces to search would otherwise wait for the
        // other to finish its last one.
        for (std::size_t i; copy && (i = shared->next_copy.fetch_add(1)) < map_pieces;) {
            const std::size_t from = map_from[i] * 64;
            const std::size_t to = std::min(text.size(), map_from[i + 1] * 64);
            std::memcpy(copy + from, text.data() + from, to - from);
        }
    }

    void search_piece(Search& search, std::size_t i) const {
        PieceSearches& out = results[i];
        out.starts.clear();
        out.offsets.clear();
        out.ended_with_none = false;
        for (std::size_t start = search_from[i]; start < search_from[i + 1];) {
            const Outcome outcome = search.find(start, out.offsets);
            if (outcome == Outcome::over_budget) {
                shared->failed.store(true);
                return;
            }
            out.starts.push_back(static_cast<std::uint32_t>(start));
            if (outcome == Outcome::none) {
                out.ended_with_none = true;
                return;
            }
            start = search.next_start();
        }
    }
};

// The byte before word `w` (64 bytes) of a plain text is a lead byte: found by parsing
// from the last byte below 0x40 before it (such a byte stands alone, and the next one
// starts a character). Nothing when there is no such byte near enough.
std::optional<std::uint64_t> lead_before_word(std::string_view text, std::size_t w) {
    constexpr std::size_t kLookBack = 4096;
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t at = w * 64;
    std::size_t from = at;
    while (from > 0 && s[from - 1] >= 0x40) {
        if (at - from >= kLookBack) {
            return std::nullopt;
        }
        --from;
    }
    std::size_t p = from;
    while (p < at) {
        p += (s[p] >= 0x81 && s[p] <= 0xFE) ? 2 : 1;
    }
    return p > at ? 1 : 0;
}

bool single_run(const DirectMatcher::Program& prog, std::string_view text, bool global,
                const std::uint64_t* leads, std::vector<std::uint32_t>& offsets) {
    Search search(prog, text, leads);
    search.use_scanners(choose_scanners(prog, text));
    const std::size_t kept = offsets.size();
    for (std::size_t start = 0; start <= text.size();) {
        const Outcome outcome = search.find(start, offsets);
        if (outcome == Outcome::over_budget) {
            offsets.resize(kept);
            return false;
        }
        if (outcome == Outcome::none || !global) {
            break;
        }
        start = search.next_start();
    }
    return true;
}

}  // namespace

bool DirectMatcher::run(std::string_view text, bool global, std::vector<std::uint32_t>& offsets,
                        char* copy, std::size_t two_threads_from, std::size_t* nul_at) const {
    thread_local std::vector<std::uint64_t> leads;  // kept from run to run
    const std::size_t n = text.size();
    if (n >= kUnset) {
        return false;
    }
    const Program& prog = *program_;
    if (!global || n < two_threads_from || n < 2) {
        return map_whole_text(text, leads, copy, nul_at) &&
               single_run(prog, text, global, leads.data(), offsets);
    }

    // Kept from run to run on this thread, each piece's results on lines of their own.
    thread_local std::unique_ptr<PieceSearches[]> results(new PieceSearches[kPieces]);
    const std::size_t words = (n + 63) / 64;
    leads.resize(words);
    Pieces shared;
    PieceRun plan{.program = &prog,
                  .text = text,
                  .leads = leads.data(),
                  .copy = copy,
                  .map_from = {0},
                  .carries = {0},
                  .search_from = {},
                  .results = results.get(),
                  .shared = &shared,
                  .stop_at_nul = nul_at != nullptr,
                  .chosen = {}};
    for (std::size_t i = 1; i < kPieces; ++i) {
        const std::size_t w = words * i / kPieces;
        if (w > plan.map_from.back()) {
            if (const auto carry = lead_before_word(text, w)) {
                plan.map_from.push_back(w);
                plan.carries.push_back(*carry);
            }
        }
    }
    plan.map_from.push_back(words);
    // The search pieces start at bytes below 0x40, which always start a character.
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    plan.search_from.push_back(0);
    for (std::size_t i = 1; i < kPieces; ++i) {
        constexpr std::size_t kLookAhead = 4096;
        std::size_t at = std::max(n * i / kPieces, plan.search_from.back() + 1);
        const std::size_t stop = std::min(n, at + kLookAhead);
        while (at < stop && s[at] >= 0x40) {
            ++at;
        }
        if (at < stop) {
            plan.search_from.push_back(at);
        }
    }
    plan.search_from.push_back(n + 1);

    const bool posted = Helper::get().post([&plan] { plan.work(); });
    plan.chosen = choose_scanners(prog, text);
    shared.maps_done.fetch_add(1);
    shared.maps_done.notify_all();
    plan.work();
    if (posted) {
        Helper::get().wait();
    }
    if (shared.failed.load()) {
        if (nul_at && shared.first_nul.load() != SIZE_MAX) {
            *nul_at = shared.first_nul.load();
        }
        return false;
    }

    // The pieces' searches joined into the run's. A search from `g` finds the leftmost
    // match at or after g; when no match starts between g and the start S of a piece's
    // search, the search from g finds what the one from S found, and the piece's later
    // searches follow on from it. Where the searches of a piece don't begin exactly at g
    // (after a match that ran into the piece), this thread searches from g, up to S.
    const std::size_t stride = 2 * (prog.groups + 1);
    const std::size_t kept = offsets.size();
    std::optional<Search> search;
    std::size_t g = 0;
    for (std::size_t i = 0; i + 1 < plan.search_from.size(); ++i) {
        const PieceSearches& piece = results[i];
        auto k = static_cast<std::size_t>(
            std::lower_bound(piece.starts.begin(), piece.starts.end(), g) - piece.starts.begin());
        while (k < piece.starts.size() && piece.starts[k] != g) {
            if (!search) {
                search.emplace(prog, text, leads.data());
                search->use_scanners(plan.chosen);
            }
            const Outcome outcome = search->find(g, offsets, piece.starts[k]);
            if (outcome == Outcome::over_budget) {
                offsets.resize(kept);
                return false;
            }
            if (outcome == Outcome::none) {
                g = piece.starts[k];  // the piece's search from there is the one
                break;
            }
            g = search->next_start();
            if (g > n) {
                return true;
            }
            while (k < piece.starts.size() && piece.starts[k] < g) {
                ++k;
            }
        }
        if (k == piece.starts.size()) {
            continue;  // nothing of this piece's from g: the next piece's may follow on
        }
        offsets.insert(offsets.end(), piece.offsets.begin() + k * stride, piece.offsets.end());
        if (piece.ended_with_none) {
            return true;  // no match at or after its last start
        }
        const std::uint32_t a = offsets[offsets.size() - stride];
        const std::uint32_t b = offsets[offsets.size() - stride + 1];
        g = b != a ? b : b < n ? b + 1 + (s[b] >= 0x80) : n + 1;
        if (g > n) {
            return true;
        }
    }
    // After the last piece's searches (none of them from g): search on from g.
    if (!search) {
        search.emplace(prog, text, leads.data());
        search->use_scanners(plan.chosen);
    }
    for (std::size_t start = g; start <= n;) {
        const Outcome outcome = search->find(start, offsets);
        if (outcome == Outcome::over_budget) {
            offsets.resize(kept);
            return false;
        }
        if (outcome == Outcome::none) {
            break;
        }
        start = search->next_start();
    }
    return true;
}

}  // namespace xlt::gbk
