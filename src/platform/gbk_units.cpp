#include "platform/gbk_units.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/codepage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace xlt::gbk {
namespace {

// The table holds 0 for "not looked up yet"; entries are written once, with the same
// value by whichever thread gets there first.
constexpr std::uint32_t kKnown = 1u << 16;
constexpr std::uint32_t kBad = 1u << 17;  // not one character: ask the converter

// UTF-16 units: kKnown | (length << 24) | bytes (the first of two in bits 8-15).
std::atomic<std::uint32_t> unit_table[0x10000];

[[gnu::noinline]] std::uint32_t look_up_unit(char16_t u) {
    std::uint32_t e = kKnown | kBad;
    if (u < 0xD800 || u > 0xDFFF) {  // a surrogate's fate depends on its neighbour
        const std::string bytes = codepage::from_utf16(std::u16string_view(&u, 1), codepage::kGbk);
        if (bytes.size() == 1) {
            e = kKnown | (1u << 24) | static_cast<unsigned char>(bytes[0]);
        } else if (bytes.size() == 2) {
            e = kKnown | (2u << 24) | (static_cast<unsigned char>(bytes[0]) << 8) |
                static_cast<unsigned char>(bytes[1]);
        }
    }
    unit_table[u].store(e, std::memory_order_relaxed);
    return e;
}

}  // namespace

std::u16string decode(std::string_view bytes, std::u16string buffer) {
    buffer.resize(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    char16_t* out = buffer.data();
    const char16_t* pairs = nullptr;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
#if defined(__SSE2__)
            // Sixteen bytes are widened and stored at once; when some of them are not
            // ASCII, only the ASCII bytes before the first of them count and the rest
            // is written again. The output never runs ahead of the input, so the
            // stores stay inside the buffer.
            if (i + 16 <= n) {
                const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                const __m128i zero = _mm_setzero_si128();
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j),
                                 _mm_unpacklo_epi8(chunk, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j + 8),
                                 _mm_unpackhi_epi8(chunk, zero));
                const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(chunk));
                const std::size_t ascii = high == 0 ? 16 : __builtin_ctz(high);
                i += ascii;
                j += ascii;
                continue;
            }
#endif
            out[j++] = b;
            ++i;
            continue;
        }
        if (!pairs) {
            pairs = pair_units();  // only texts with a non-ASCII byte need the table
        }
        const char16_t unit =
            b > 0x80 && b < 0xFF && i + 1 < n ? pairs[pair_index(b, p[i + 1])] : 0;
        if (unit == 0) {
            buffer.clear();
            return codepage::to_utf16(bytes, codepage::kGbk);
        }
        out[j++] = unit;
        i += 2;
    }
    buffer.resize(j);
    return buffer;
}

std::string encode(std::u16string_view units) {
    // Written into a scratch buffer first, so that the result is allocated once at its
    // exact size (short texts fit inside the string itself).
    thread_local std::string scratch;
    if (scratch.size() < units.size() * 2) {
        scratch.resize(units.size() * 2);
    }
    char* o = scratch.data();
    std::size_t j = 0;
    const std::size_t n = units.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t u = units[i];
        if (u < 0x80) {
            o[j++] = static_cast<char>(u);
#if defined(__SSE2__)
            // A run of ASCII, eight units at a time.
            const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
            const __m128i zero = _mm_setzero_si128();
            while (i + 9 <= n) {
                const __m128i chunk =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(units.data() + i + 1));
                if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(chunk, high), zero)) !=
                    0xFFFF) {
                    break;
                }
                _mm_storel_epi64(reinterpret_cast<__m128i*>(o + j), _mm_packus_epi16(chunk, chunk));
                i += 8;
                j += 8;
            }
#endif
            continue;
        }
        std::uint32_t e = unit_table[u].load(std::memory_order_relaxed);
        if (e == 0) {
            e = look_up_unit(u);
        }
        if (e & kBad) {
            return codepage::from_utf16(units, codepage::kGbk);
        }
        if ((e >> 24) == 2) {
            o[j++] = static_cast<char>(e >> 8);
        }
        o[j++] = static_cast<char>(e);
    }
    return std::string(o, j);
}

const char16_t* pair_units() {
    static const std::vector<char16_t> table = [] {
        // All pairs in one conversion, each followed by LF: LF can't be a trail byte,
        // so whatever the converter makes of a pair stays between two line breaks.
        std::string bytes;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail != 0x7F) {
                    bytes += {static_cast<char>(lead), static_cast<char>(trail), '\n'};
                }
            }
        }
        const std::u16string units = codepage::to_utf16(bytes, codepage::kGbk);
        std::vector<char16_t> out(kPairCount, 0);
        std::size_t at = 0;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) {
                    continue;
                }
                const std::size_t end = units.find(u'\n', at);
                if (end == std::u16string::npos) {
                    return std::vector<char16_t>(kPairCount, 0);
                }
                if (end == at + 1 && units[at] >= 0x80 && units[at] != 0xFFFD &&
                    (units[at] < 0xD800 || units[at] > 0xDFFF)) {
                    out[pair_index(static_cast<unsigned char>(lead),
                                   static_cast<unsigned char>(trail))] = units[at];
                }
                at = end + 1;
            }
        }
        return out;
    }();
    return table.data();
}

}  // namespace xlt::gbk
