#include "platform/gbk_matcher.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <utility>

#include "platform/gbk_units.h"

#if defined(__SSE2__)
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

bool contains(const RangeList& ranges, char32_t c) {
    auto it = std::upper_bound(ranges.begin(), ranges.end(), regexp::Range{c, 0x10FFFF});
    return it != ranges.begin() && std::prev(it)->second >= c;
}

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
            ascii[c] = contains(set, c);
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
        pair_bits_init();
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

    void pair_bits_init() { pair_bits.assign(kPairCount / 64, 0); }

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
// Finding the next byte of a set (optionally the next of a few byte pairs)

class ByteFinder {
public:
    ByteFinder() = default;
    // `pairs`, when given, lists exactly the two-byte sequences to find for the set's
    // bytes from 0x80 up.
    ByteFinder(const ByteSet& set, const std::vector<BytePair>* pairs) : table_(set) {
        std::vector<unsigned char> singles;
        for (unsigned b = 0; b < 256; ++b) {
            if (set.test(b) && !(pairs && b >= 0x80)) {
                singles.push_back(static_cast<unsigned char>(b));
            }
        }
        if (pairs && singles.size() + pairs->size() <= kMaxProbes) {
            for (unsigned char b : singles) {
                probes_.push_back({b, 0, false});
            }
            for (const BytePair& p : *pairs) {
                probes_.push_back({p.first, p.second, true});
            }
            mode_ = Mode::probes;
            return;
        }
        if (set.count() <= kMaxProbes) {
            for (unsigned b = 0; b < 256; ++b) {
                if (set.test(b)) {
                    probes_.push_back({static_cast<unsigned char>(b), 0, false});
                }
            }
            mode_ = Mode::probes;
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
    }

    // The first position from `from` where a wanted byte (or pair) starts, or n.
    std::size_t find(const unsigned char* s, std::size_t from, std::size_t n) const {
        std::size_t i = from;
#if defined(__SSE2__)
        if (mode_ != Mode::table) {
            // Pairs look at the byte after each position too.
            while (i + 17 <= n) {
                const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
                const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                    mode_ == Mode::probes ? probe_hits(x, s + i) : range_hits(x)));
                if (mask != 0) {
                    return i + __builtin_ctz(mask);
                }
                i += 16;
            }
        }
#endif
        for (; i < n; ++i) {
            if (hit(s, i, n)) {
                return i;
            }
        }
        return n;
    }

private:
    static constexpr std::size_t kMaxProbes = 6;
    static constexpr std::size_t kMaxRanges = 4;
    struct Probe {
        unsigned char first;
        unsigned char second;
        bool pair;
    };
    enum class Mode : std::uint8_t { probes, ranges, table };

    bool hit(const unsigned char* s, std::size_t i, std::size_t n) const {
        if (mode_ != Mode::probes) {
            return table_.test(s[i]);
        }
        for (const Probe& p : probes_) {
            if (s[i] == p.first && (!p.pair || (i + 1 < n && s[i + 1] == p.second))) {
                return true;
            }
        }
        return false;
    }

#if defined(__SSE2__)
    __m128i probe_hits(__m128i x, const unsigned char* at) const {
        __m128i hits = _mm_setzero_si128();
        __m128i next = _mm_setzero_si128();
        bool have_next = false;
        for (const Probe& p : probes_) {
            __m128i h = _mm_cmpeq_epi8(x, _mm_set1_epi8(static_cast<char>(p.first)));
            if (p.pair) {
                if (!have_next) {
                    next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
                    have_next = true;
                }
                h = _mm_and_si128(h,
                                  _mm_cmpeq_epi8(next, _mm_set1_epi8(static_cast<char>(p.second))));
            }
            hits = _mm_or_si128(hits, h);
        }
        return hits;
    }

    __m128i range_hits(__m128i x) const {
        __m128i hits = _mm_setzero_si128();
        for (const auto& r : ranges_) {
            const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8(static_cast<char>(r.first)));
            const __m128i width = _mm_set1_epi8(static_cast<char>(r.second - r.first));
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(_mm_min_epu8(t, width), t));
        }
        return hits;
    }
#endif

    ByteSet table_;
    Mode mode_ = Mode::table;
    std::vector<Probe> probes_;
    std::vector<std::pair<unsigned char, unsigned char>> ranges_;
};

// ---------------------------------------------------------------------------------------
// The program: the tree as steps with forward jumps only

struct Step {
    enum class Op : std::uint8_t { set, save, split, jump, assertion, match };
    Op op = Op::match;
    SimpleNode::Kind assertion = SimpleNode::Kind::text_start;
    bool lazy = false;
    std::uint32_t set = 0;  // index into Program::sets
    std::uint32_t min = 1;
    std::uint32_t max = 1;
    std::uint32_t slot = 0;  // save: the capture slot
    std::uint32_t x = 0;     // split: tried first; jump: target
    std::uint32_t y = 0;     // split: tried second
    int scan = -1;           // repeats: finder of the bytes worth stopping at
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

}  // namespace

struct DirectMatcher::Program {
    std::vector<Step> steps;
    std::vector<CharSet> sets;
    std::vector<ByteFinder> finders;
    std::uint32_t groups = 0;
    bool start_nullable = false;
    int start_finder = -1;
    bool too_big = false;

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

    // What can start a match from each step, from the last step back (jumps only go
    // forward), and the finders that use it.
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
            start_finder = static_cast<int>(finders.size());
            finders.emplace_back(first[0].bytes, first[0].pairs_listed ? &first[0].pairs : nullptr);
        }
        for (std::size_t pc = 0; pc < steps.size(); ++pc) {
            Step& s = steps[pc];
            if (s.op != Step::Op::set || s.max != regexp::kUnbounded) {
                continue;
            }
            const CharSet& c = sets[s.set];
            if (!s.lazy) {
                // A greedy repeat runs to the first character that is not a member.
                s.scan = static_cast<int>(finders.size());
                finders.emplace_back(c.first_of_other, nullptr);
            } else if (!first[pc + 1].nullable) {
                // A lazy one stops where what follows could start, or where it must end.
                s.scan = static_cast<int>(finders.size());
                finders.emplace_back(first[pc + 1].bytes | c.first_of_other, nullptr);
            }
        }
    }
};

namespace {

// One run's state: the text, where its characters start, the groups so far.
class Search {
public:
    Search(const DirectMatcher::Program& program, std::string_view text,
           const std::vector<std::uint64_t>& leads)
        : p_(program),
          s_(reinterpret_cast<const unsigned char*>(text.data())),
          n_(text.size()),
          leads_(leads.data()),
          caps_(2 * (program.groups + 1), DirectMatcher::kUnset) {}

    bool over_budget() const { return work_ > kSearchBudget; }
    void new_search() { work_ = 0; }
    std::size_t size() const { return n_; }
    std::uint32_t end() const { return end_; }
    const std::vector<std::uint32_t>& captures() const { return caps_; }
    void clear_captures() { std::fill(caps_.begin(), caps_.end(), DirectMatcher::kUnset); }

    bool lead(std::size_t p) const { return (leads_[p >> 6] >> (p & 63)) & 1; }
    std::size_t next(std::size_t p) const { return p + 1 + lead(p); }
    std::size_t prev(std::size_t p) const { return (p >= 2 && lead(p - 2)) ? p - 2 : p - 1; }
    bool boundary(std::size_t p) const { return p == 0 || !lead(p - 1); }

    // The first character start from `from` whose byte the finder wants, or n.
    std::size_t scan(const ByteFinder& finder, std::size_t from) {
        std::size_t r = from;
        for (;;) {
            r = finder.find(s_, r, n_);
            if (r >= n_ || boundary(r)) {
                break;
            }
            ++r;
        }
        work_ += (r - from) / 32;
        return std::min(r, n_);
    }

    bool match(std::uint32_t pc, std::size_t p) {
        for (;;) {
            if (++work_ > kSearchBudget) {
                return false;
            }
            const Step& st = p_.steps[pc];
            switch (st.op) {
                case Step::Op::match:
                    end_ = static_cast<std::uint32_t>(p);
                    return true;
                case Step::Op::save: {
                    const std::uint32_t old = caps_[st.slot];
                    caps_[st.slot] = static_cast<std::uint32_t>(p);
                    if (match(pc + 1, p)) {
                        return true;
                    }
                    caps_[st.slot] = old;
                    return false;
                }
                case Step::Op::split:
                    if (match(st.x, p) || over_budget()) {
                        return !over_budget();
                    }
                    pc = st.y;
                    continue;
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
                    return st.lazy ? lazy(st, pc, q) : greedy(st, pc, q);
                }
            }
        }
    }

private:
    bool lazy(const Step& st, std::uint32_t pc, std::size_t q) {
        const CharSet& c = p_.sets[st.set];
        std::uint32_t count = st.min;
        for (;;) {
            if (match(pc + 1, q)) {
                return true;
            }
            if (over_budget() || count == st.max || q >= n_ || !c.has(s_, q)) {
                return false;
            }
            q = next(q);
            ++count;
            if (st.scan >= 0) {
                // Unbounded: skip the characters where what follows can't start.
                q = scan(p_.finders[st.scan], q);
            }
        }
    }

    bool greedy(const Step& st, std::uint32_t pc, std::size_t q) {
        const CharSet& c = p_.sets[st.set];
        std::size_t r = q;
        if (st.scan >= 0) {
            const ByteFinder& finder = p_.finders[st.scan];
            for (r = scan(finder, r); r < n_ && c.has(s_, r); r = scan(finder, next(r))) {
            }
        } else {
            for (std::uint32_t count = st.min; count < st.max && r < n_ && c.has(s_, r); ++count) {
                r = next(r);
                ++work_;
            }
        }
        for (;;) {
            if (match(pc + 1, r)) {
                return true;
            }
            if (over_budget() || r == q) {
                return false;
            }
            r = prev(r);
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
    const unsigned char* s_;
    std::size_t n_;
    const std::uint64_t* leads_;
    std::vector<std::uint32_t> caps_;
    std::uint64_t work_ = 0;
    std::uint32_t end_ = 0;
};

}  // namespace

bool map_lead_bytes(std::string_view text, std::vector<std::uint64_t>& leads) {
    constexpr std::uint64_t kEven = 0x5555555555555555ULL;
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const std::size_t words = (n + 63) / 64;
    leads.resize(words);
    std::uint64_t carry = 0;  // the previous block ended with a lead byte
    for (std::size_t w = 0; w < words; ++w) {
        unsigned char tail[64];
        const unsigned char* p = data + w * 64;
        if (w * 64 + 64 > n) {
            std::memset(tail, 0, sizeof tail);  // NUL can't be a trail byte
            std::memcpy(tail, p, n - w * 64);
            p = tail;
        }
        std::uint64_t high = 0;       // 0x81-0xFE
        std::uint64_t not_trail = 0;  // 0x00-0x3F, 0x7F, 0xFF
        std::uint64_t euro = 0;       // 0x80
        std::uint64_t ff = 0;
#if defined(__SSE2__)
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(v0, v1), _mm_or_si128(v2, v3))) == 0) {
            // All ASCII: only the trail of a lead at the end of the last block to check.
            if (carry && !is_trail(p[0])) {
                return false;
            }
            leads[w] = 0;
            carry = 0;
            continue;
        }
        const __m128i vs[4] = {v0, v1, v2, v3};
        for (int k = 0; k < 4; ++k) {
            const __m128i x = vs[k];
            const __m128i is_high = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(-128)),
                                                  _mm_cmplt_epi8(x, _mm_set1_epi8(-1)));
            const __m128i below_40 = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(-1)),
                                                   _mm_cmplt_epi8(x, _mm_set1_epi8(0x40)));
            const __m128i is_ff = _mm_cmpeq_epi8(x, _mm_set1_epi8(-1));
            const __m128i bad =
                _mm_or_si128(_mm_or_si128(below_40, is_ff), _mm_cmpeq_epi8(x, _mm_set1_epi8(0x7F)));
            const int shift = 16 * k;
            high |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(is_high)))
                    << shift;
            not_trail |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(bad)))
                         << shift;
            euro |= static_cast<std::uint64_t>(static_cast<unsigned>(
                        _mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(-128)))))
                    << shift;
            ff |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(is_ff)))
                  << shift;
        }
#else
        for (int k = 0; k < 64; ++k) {
            const unsigned b = p[k];
            high |= static_cast<std::uint64_t>(b >= 0x81 && b <= 0xFE) << k;
            not_trail |= static_cast<std::uint64_t>(!is_trail(b)) << k;
            euro |= static_cast<std::uint64_t>(b == 0x80) << k;
            ff |= static_cast<std::uint64_t>(b == 0xFF) << k;
        }
#endif
        // In a run of high bytes the first is a lead (what precedes the run can't be
        // one), then trail and lead alternate; a lead at the end of the last block
        // takes this block's first byte as its trail.
        const std::uint64_t h = carry ? (high & ~1ULL) : high;
        const std::uint64_t starts = h & ~(h << 1);
        const std::uint64_t from_even = h & ~(h + (starts & kEven));
        const std::uint64_t lead = (from_even & kEven) | (h & ~from_even & ~kEven);
        const std::uint64_t trail = (lead << 1) | carry;
        if ((trail & not_trail) != 0 || ff != 0 || (euro & ~trail) != 0) {
            return false;
        }
        leads[w] = lead;
        carry = lead >> 63;
    }
    return carry == 0;
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
    program->plan_scans();
    return std::unique_ptr<DirectMatcher>(new DirectMatcher(std::move(program)));
}

std::uint32_t DirectMatcher::groups() const {
    return program_->groups;
}

bool DirectMatcher::run(std::string_view text, bool global,
                        std::vector<std::uint32_t>& offsets) const {
    thread_local std::vector<std::uint64_t> leads;
    if (text.size() >= kUnset || !map_lead_bytes(text, leads)) {
        return false;
    }
    const Program& prog = *program_;
    Search search(prog, text, leads);
    const std::size_t n = search.size();
    const std::size_t kept = offsets.size();
    std::size_t start = 0;
    while (start <= n) {
        search.new_search();
        std::size_t p = start;
        bool found = false;
        for (;;) {
            if (!prog.start_nullable) {
                p = search.scan(prog.finders[prog.start_finder], p);
                if (p >= n) {
                    break;  // a match needs at least one character
                }
            }
            if (search.match(0, p)) {
                found = true;
                break;
            }
            if (search.over_budget()) {
                offsets.resize(kept);
                return false;
            }
            if (p >= n) {
                break;
            }
            p = prog.start_nullable ? search.next(p) : p + 1;
        }
        if (!found) {
            break;
        }
        offsets.push_back(static_cast<std::uint32_t>(p));
        offsets.push_back(search.end());
        const auto& caps = search.captures();
        offsets.insert(offsets.end(), caps.begin() + 2, caps.end());
        search.clear_captures();
        if (!global) {
            break;
        }
        start = search.end() == p ? (p < n ? search.next(p) : n + 1) : search.end();
    }
    return true;
}

}  // namespace xlt::gbk
