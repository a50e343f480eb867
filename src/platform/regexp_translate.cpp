#include "platform/regexp_translate.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace xlt::regexp {
namespace {

// ---------------------------------------------------------------------------------------
// Case equivalence

struct CaseTables {
    std::array<char16_t, 0x10000> canonical{};
    std::array<std::uint8_t, 0x10000> class_size{};           // members sharing the canonical value
    std::vector<char16_t> cased;                              // every unit with a case partner
    std::vector<std::pair<char16_t, char16_t>> by_canonical;  // (canonical, unit), sorted

    CaseTables() {
        for (std::uint32_t c = 0; c < 0x10000; ++c) {
            const UChar32 upper = u_toupper(static_cast<UChar32>(c));
            char16_t result = static_cast<char16_t>(c);
            if (upper <= 0xFFFF && !(c >= 0x80 && upper < 0x80)) {
                result = static_cast<char16_t>(upper);
            }
            canonical[c] = result;
        }
        std::vector<std::uint32_t> count(0x10000, 0);
        for (std::uint32_t c = 0; c < 0x10000; ++c) {
            ++count[canonical[c]];
        }
        for (std::uint32_t c = 0; c < 0x10000; ++c) {
            const std::uint32_t n = count[canonical[c]];
            class_size[c] = static_cast<std::uint8_t>(std::min<std::uint32_t>(n, 255));
            if (n > 1) {
                cased.push_back(static_cast<char16_t>(c));
                by_canonical.emplace_back(canonical[c], static_cast<char16_t>(c));
            }
        }
        std::sort(by_canonical.begin(), by_canonical.end());
    }
};

const CaseTables& case_tables() {
    static const CaseTables tables;
    return tables;
}

// ---------------------------------------------------------------------------------------
// Character sets as sorted, merged lists of inclusive ranges

void normalise(RangeList& ranges) {
    std::sort(ranges.begin(), ranges.end());
    RangeList merged;
    for (const Range& r : ranges) {
        if (!merged.empty() && r.first <= merged.back().second + 1) {
            merged.back().second = std::max(merged.back().second, r.second);
        } else {
            merged.push_back(r);
        }
    }
    ranges = std::move(merged);
}

RangeList complement(const RangeList& ranges) {
    RangeList out;
    char32_t next = 0;
    for (const Range& r : ranges) {
        if (r.first > next) {
            out.emplace_back(next, r.first - 1);
        }
        next = r.second + 1;
    }
    if (next <= 0xFFFF) {
        out.emplace_back(next, 0xFFFF);
    }
    return out;
}

RangeList intersect(const RangeList& a, const RangeList& b) {
    RangeList out;
    for (const Range& x : a) {
        for (const Range& y : b) {
            if (std::max(x.first, y.first) <= std::min(x.second, y.second)) {
                out.emplace_back(std::max(x.first, y.first), std::min(x.second, y.second));
            }
        }
    }
    normalise(out);
    return out;
}

// Adds every unit that ignore-case matching takes as equal to a member of the set.
void close_under_case(RangeList& ranges) {
    const CaseTables& t = case_tables();
    // The members that have a partner, range by range in the sorted list of such units.
    // A set with none needs nothing, and one that holds them all (a negated class,
    // say) is closed already.
    std::vector<std::pair<std::size_t, std::size_t>> spans;  // in t.cased
    std::size_t members = 0;
    for (const Range& r : ranges) {
        const auto from = std::lower_bound(t.cased.begin(), t.cased.end(), r.first);
        const auto to = std::upper_bound(from, t.cased.end(), r.second);
        if (from != to) {
            spans.emplace_back(from - t.cased.begin(), to - t.cased.begin());
            members += static_cast<std::size_t>(to - from);
        }
    }
    if (members == 0 || members == t.cased.size()) {
        return;
    }
    // Every unit whose canonical value is a member's joins (members again are merged
    // away by normalise).
    std::vector<char16_t> wanted;
    for (const auto& [from, to] : spans) {
        for (std::size_t i = from; i < to; ++i) {
            wanted.push_back(t.canonical[t.cased[i]]);
        }
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    auto it = t.by_canonical.begin();
    for (const char16_t w : wanted) {
        it = std::lower_bound(it, t.by_canonical.end(), std::pair<char16_t, char16_t>{w, 0});
        for (; it != t.by_canonical.end() && it->first == w; ++it) {
            ranges.emplace_back(it->second, it->second);
        }
    }
    normalise(ranges);
}

const RangeList kDigits = {{'0', '9'}};
const RangeList kWord = {{'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}};
const RangeList kSpace = {{'\t', '\r'}, {' ', ' '}};  // TAB LF VT FF CR and space

// ---------------------------------------------------------------------------------------
// Output helpers

void append_hex(std::u16string& out, char32_t c) {
    static const char16_t digits[] = u"0123456789abcdef";
    out += u"\\x{";
    char16_t buffer[8];
    int n = 0;
    do {
        buffer[n++] = digits[c & 0xF];
        c >>= 4;
    } while (c != 0);
    while (n > 0) {
        out += buffer[--n];
    }
    out += u'}';
}

bool is_ascii_alnum(char32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// One unit as a PCRE2 literal: letters, digits and non-ASCII units as themselves, the
// rest as hexadecimal escapes so that nothing is taken for a metacharacter.
void append_unit(std::u16string& out, char32_t c) {
    if (is_ascii_alnum(c) || c >= 0x80) {
        out += static_cast<char16_t>(c);
    } else {
        append_hex(out, c);
    }
}

void append_class(std::u16string& out, const RangeList& ranges) {
    out += u'[';
    for (const Range& r : ranges) {
        append_hex(out, r.first);
        if (r.second != r.first) {
            if (r.second > r.first + 1) {
                out += u'-';
            }
            append_hex(out, r.second);
        }
    }
    out += u']';
}

// A resolved set as one PCRE2 atom.
void append_set(std::u16string& out, const RangeList& ranges) {
    if (ranges.empty()) {
        out += u"(?:(?!))";
    } else if (ranges.size() == 1 && ranges[0].first == 0 && ranges[0].second >= 0xFFFF) {
        out += u"(?s:.)";
    } else if (ranges.size() == 1 && ranges[0].first == ranges[0].second) {
        append_unit(out, ranges[0].first);
    } else {
        append_class(out, ranges);
    }
}

int hex_value(char16_t c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool is_letter(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(char16_t c) {
    return c >= '0' && c <= '9';
}
bool is_octal(char16_t c) {
    return c >= '0' && c <= '7';
}

constexpr std::uint32_t kMaxRepeat = 65535;  // PCRE2's limit for a counted repeat
constexpr int kMaxDepth = 200;               // nesting of parentheses

// ---------------------------------------------------------------------------------------
// The parser: recursive descent over the source pattern, writing PCRE2 text as it goes.

class Translator {
public:
    Translator(std::u16string_view p, bool ignore_case, bool multiline)
        : p_(p), ignore_case_(ignore_case), multiline_(multiline) {}

    Translation run() {
        Translation t;
        SimpleNode root;
        disjunction(root);
        if (error_.empty() && pos_ < p_.size()) {
            fail("unmatched ')'");
        }
        t.ok = error_.empty();
        if (t.ok && tail_ && !tail_->literal_sets.empty()) {
            rewrite_lazy_tail(*tail_);
        }
        t.error = error_;
        if (t.ok) {
            t.pattern = std::move(out_);
            t.groups = groups_;
            if (simple_) {
                t.simple = std::move(root);
            }
        }
        return t;
    }

private:
    // A class escape (\d \D \w \W \s \S) or one unit.
    struct ClassAtom {
        bool is_set = false;
        RangeList set;
        char32_t unit = 0;
    };

    struct Quantifier {
        std::uint32_t min = 0;
        std::uint32_t max = 0;  // kUnbounded for no upper bound
        bool lazy = false;
        std::size_t length = 0;  // units of the source taken
    };

    // See track_lazy_tail().
    struct LazyTail {
        std::size_t out_start = 0;  // the repeated atom and its "*?" in out_
        std::size_t out_end = 0;
        RangeList set;                        // what the repeated atom matches
        std::vector<RangeList> literal_sets;  // the one-unit atoms after it
        std::u16string literal_text;          // and their translation
        bool closed_after_literal = false;
    };

    bool failed() const { return !error_.empty(); }
    void fail(const char* why) {
        if (error_.empty()) {
            error_ = why;
            error_ += " at offset " + std::to_string(pos_);
        }
    }
    bool at_end() const { return pos_ >= p_.size(); }
    char16_t peek(std::size_t ahead = 0) const {
        return pos_ + ahead < p_.size() ? p_[pos_ + ahead] : 0;
    }
    bool has(std::size_t ahead) const { return pos_ + ahead < p_.size(); }

    // `tree` becomes the alternation's node.
    void disjunction(SimpleNode& tree) {
        tree.kind = SimpleNode::Kind::alternation;
        alternative(tree.children.emplace_back());
        while (!failed() && !at_end() && peek() == '|') {
            ++pos_;
            tail_.reset();
            out_ += u'|';
            alternative(tree.children.emplace_back());
        }
    }

    void alternative(SimpleNode& sequence) {
        sequence.kind = SimpleNode::Kind::sequence;
        while (!failed() && !at_end() && peek() != '|' && peek() != ')') {
            term(sequence);
        }
    }

    // A quantifier starting at the current position, or one with length 0. A "{" that
    // does not open {n}, {n,} or {n,m} is no quantifier (it is then a literal).
    Quantifier quantifier_here() {
        Quantifier q;
        if (at_end()) {
            return q;
        }
        const char16_t c = peek();
        std::size_t i = pos_ + 1;
        if (c == '*') {
            q = {0, kUnbounded, false, 1};
        } else if (c == '+') {
            q = {1, kUnbounded, false, 1};
        } else if (c == '?') {
            q = {0, 1, false, 1};
        } else if (c == '{') {
            auto number = [&](std::uint64_t& value) {
                const std::size_t start = i;
                value = 0;
                while (i < p_.size() && is_digit(p_[i])) {
                    value = std::min<std::uint64_t>(value * 10 + (p_[i] - '0'), 1ULL << 40);
                    ++i;
                }
                return i > start;
            };
            std::uint64_t lo = 0;
            std::uint64_t hi = 0;
            if (!number(lo)) {
                return q;
            }
            bool bounded = true;
            if (i < p_.size() && p_[i] == ',') {
                ++i;
                if (!number(hi)) {
                    bounded = false;
                }
            } else {
                hi = lo;
            }
            if (i >= p_.size() || p_[i] != '}') {
                return q;
            }
            ++i;
            q.min = static_cast<std::uint32_t>(std::min<std::uint64_t>(lo, kUnbounded - 1));
            q.max = bounded
                        ? static_cast<std::uint32_t>(std::min<std::uint64_t>(hi, kUnbounded - 1))
                        : kUnbounded;
            q.length = i - pos_;
            if (bounded && hi < lo) {
                q.min = 1;  // marks the {2,1} form; reported by the caller
                q.max = 0;
            }
        } else {
            return q;
        }
        if (i < p_.size() && p_[i] == '?') {
            q.lazy = true;
            ++i;
        }
        q.length = i - pos_;
        return q;
    }

    void append_quantifier(const Quantifier& q) {
        if (q.min == 0 && q.max == kUnbounded) {
            out_ += u'*';
        } else if (q.min == 1 && q.max == kUnbounded) {
            out_ += u'+';
        } else if (q.min == 0 && q.max == 1) {
            out_ += u'?';
        } else {
            std::string s = "{" + std::to_string(q.min);
            if (q.max != q.min) {
                s += ",";
                if (q.max != kUnbounded) {
                    s += std::to_string(q.max);
                }
            }
            s += "}";
            out_.append(s.begin(), s.end());
        }
        if (q.lazy) {
            out_ += u'?';
        }
    }

    // Reads a quantifier after an atom, if any; false on a malformed one.
    bool read_quantifier(Quantifier& q) {
        q = quantifier_here();
        if (q.length == 0) {
            return true;
        }
        if (q.max < q.min) {
            fail("numbers out of order in {} quantifier");
            return false;
        }
        if (q.min > kMaxRepeat || (q.max != kUnbounded && q.max > kMaxRepeat)) {
            fail("repeat count too large");
            return false;
        }
        pos_ += q.length;
        if (quantifier_here().length != 0) {
            fail("nothing to repeat");
            return false;
        }
        return true;
    }

    // An assertion (^ $ \b \B) may not be repeated.
    void assertion(const char16_t* pcre, SimpleNode& sequence, SimpleNode::Kind kind) {
        sequence.children.emplace_back().kind = kind;
        out_ += pcre;
        if (quantifier_here().length != 0) {
            fail("nothing to repeat");
        }
    }

    void term(SimpleNode& sequence) {
        const char16_t c = peek();
        if (c == '^' || c == '$' || c == '(' || (c == '\\' && (peek(1) == 'b' || peek(1) == 'B'))) {
            tail_.reset();  // an assertion or a group: not part of a literal tail
        }
        switch (c) {
            case '^':
                ++pos_;
                assertion(multiline_ ? u"(?<![^\\x{a}\\x{d}])" : u"\\A", sequence,
                          multiline_ ? SimpleNode::Kind::line_start : SimpleNode::Kind::text_start);
                return;
            case '$':
                ++pos_;
                assertion(multiline_ ? u"(?![^\\x{a}\\x{d}])" : u"\\z", sequence,
                          multiline_ ? SimpleNode::Kind::line_end : SimpleNode::Kind::text_end);
                return;
            case '\\':
                if (peek(1) == 'b' || peek(1) == 'B') {
                    const bool boundary = peek(1) == 'b';
                    pos_ += 2;
                    assertion(boundary ? u"\\b" : u"\\B", sequence,  // ASCII word characters
                              boundary ? SimpleNode::Kind::word_boundary
                                       : SimpleNode::Kind::not_word_boundary);
                    return;
                }
                break;
            case '(':
                group(sequence);
                return;
            case '*':
            case '+':
            case '?':
                fail("nothing to repeat");
                return;
            case '{':
                if (quantifier_here().length != 0) {
                    fail("nothing to repeat");
                    return;
                }
                break;
            default:
                break;
        }
        const std::size_t atom_start = out_.size();
        atom_set_.reset();
        atom();
        if (failed()) {
            return;
        }
        Quantifier q;
        if (!read_quantifier(q)) {
            return;
        }
        if (q.length != 0) {
            append_quantifier(q);
        }
        if (atom_set_) {
            SimpleNode& node = sequence.children.emplace_back();
            node.kind = SimpleNode::Kind::atom;
            node.set = *atom_set_;
            if (q.length != 0) {
                node.min = q.min;
                node.max = q.max;
                node.lazy = q.lazy;
            }
        } else {
            simple_ = false;  // a back reference
        }
        track_lazy_tail(atom_start, q);
    }

    // Follows the pattern's last lazy star over a one-unit set: it stays a candidate for
    // rewrite_lazy_tail() while all that comes after it is group closes and one-unit
    // atoms (at least one), then group closes.
    void track_lazy_tail(std::size_t atom_start, const Quantifier& q) {
        if (!atom_set_) {
            tail_.reset();
        } else if (q.lazy && q.min == 0 && q.max == kUnbounded) {
            tail_ = LazyTail{atom_start, out_.size(), std::move(*atom_set_), {}, {}, false};
        } else if (tail_ && q.length == 0 && !tail_->closed_after_literal) {
            tail_->literal_sets.push_back(std::move(*atom_set_));
            tail_->literal_text.append(out_, atom_start);
        } else {
            tail_.reset();
        }
    }

    // A lazy star X*? followed by a literal L (one-unit atoms) with nothing after L but
    // group closes matches from the first place where L matches, if X takes every unit
    // before it, and else fails: nothing after L can fail and send the engine back into
    // the loop for a longer try. The same is said without backtracking by an unrolled
    // possessive loop, with F the set of L's first unit:
    //     [X-F]*+(?:(?!L)[X&F][X-F]*+)*+ L
    // It stops at the first unit that X does not take or where L matches, as the lazy
    // loop does, and sets the groups the same way; PCRE2 runs it as a tight scan instead
    // of trying L after every unit.
    void rewrite_lazy_tail(const LazyTail& tail) {
        const RangeList& first = tail.literal_sets.front();
        const RangeList rest = intersect(tail.set, complement(first));
        const RangeList stop = intersect(tail.set, first);
        std::u16string loop;
        append_set(loop, rest);
        loop += u"*+";
        if (!stop.empty()) {
            loop += u"(?:(?!" + tail.literal_text + u")";
            append_set(loop, stop);
            append_set(loop, rest);
            loop += u"*+)*+";
        }
        out_.replace(tail.out_start, tail.out_end - tail.out_start, loop);
    }

    void group(SimpleNode& sequence) {
        if (++depth_ > kMaxDepth) {
            fail("parentheses nested too deeply");
            return;
        }
        ++pos_;  // "("
        enum class Kind { capture, plain, lookahead };
        Kind kind = Kind::capture;
        const std::size_t start = out_.size();
        if (peek() == '?') {
            const char16_t k = peek(1);
            if (k == ':') {
                kind = Kind::plain;
                out_ += u"(?:";
            } else if (k == '=' || k == '!') {
                kind = Kind::lookahead;
                out_ += k == '=' ? u"(?=" : u"(?!";
            } else {
                fail("invalid group");
                return;
            }
            pos_ += 2;
        } else {
            ++groups_;
            out_ += u'(';
        }
        SimpleNode& node = sequence.children.emplace_back();
        node.kind = SimpleNode::Kind::group;
        node.group = kind == Kind::capture ? groups_ : 0;
        disjunction(node.children.emplace_back());
        if (failed()) {
            return;
        }
        if (at_end() || peek() != ')') {
            fail("missing ')'");
            return;
        }
        ++pos_;
        out_ += u')';
        --depth_;
        Quantifier q;
        if (!read_quantifier(q)) {
            return;
        }
        if (kind == Kind::lookahead || q.length != 0) {
            simple_ = false;
            tail_.reset();
        } else if (tail_ && !tail_->literal_sets.empty()) {
            tail_->closed_after_literal = true;
        }
        if (q.length == 0) {
            return;
        }
        if (kind == Kind::lookahead) {
            // A repeated look-ahead matches no text: an iteration that may be skipped is
            // rejected for matching the empty text, one that may not runs once.
            if (q.min == 0) {
                out_.insert(start, u"(?:");
                out_ += u"){0}";
            }
            return;
        }
        append_quantifier(q);
    }

    void atom() {
        const char16_t c = peek();
        if (c == '.') {
            ++pos_;
            out_ += u'.';  // the compiled pattern's newline is LF alone
            atom_set_ = RangeList{{0, 0x09}, {0x0B, 0xFFFF}};
        } else if (c == '[') {
            char_class();
        } else if (c == '\\') {
            escape();
        } else {
            ++pos_;
            literal(c);
        }
    }

    void literal(char32_t c) {
        atom_set_ = RangeList{{c, c}};
        if (ignore_case_ && is_letter(static_cast<char16_t>(c))) {
            atom_set_ = RangeList{{c | 0x20, c | 0x20}, {c & ~0x20u, c & ~0x20u}};
            normalise(*atom_set_);
        }
        if (ignore_case_ && c >= 0x80 && case_tables().class_size[c] > 1) {
            const CaseTables& t = case_tables();
            const char16_t canon = t.canonical[c];
            RangeList members;
            auto range =
                std::equal_range(t.by_canonical.begin(), t.by_canonical.end(),
                                 std::pair<char16_t, char16_t>{canon, 0},
                                 [](const auto& a, const auto& b) { return a.first < b.first; });
            for (auto it = range.first; it != range.second; ++it) {
                members.emplace_back(it->second, it->second);
            }
            normalise(members);
            append_class(out_, members);
            atom_set_ = members;
        } else {
            append_unit(out_, c);
        }
    }

    // Legacy octal: up to three digits from 0-3 first, two from 4-7 first; at least one.
    char32_t octal() {
        const char16_t first = peek();
        char32_t value = first - '0';
        ++pos_;
        const int more = first <= '3' ? 2 : 1;
        for (int k = 0; k < more && !at_end() && is_octal(peek()); ++k) {
            value = value * 8 + (peek() - '0');
            ++pos_;
        }
        return value;
    }

    // An escape that gives one unit, shared by atoms and class members; `pos_` is on the
    // character after the backslash. Returns false when it is no such escape.
    bool unit_escape(char32_t& unit) {
        const char16_t c = peek();
        switch (c) {
            case 'f':
                unit = 0x0C;
                break;
            case 'n':
                unit = 0x0A;
                break;
            case 'r':
                unit = 0x0D;
                break;
            case 't':
                unit = 0x09;
                break;
            case 'v':
                unit = 0x0B;
                break;
            case 'c':
                if (has(1) && is_letter(peek(1))) {
                    unit = peek(1) % 32;
                    pos_ += 2;
                    return true;
                }
                // "\c" before anything but a letter is a backslash; the "c" follows.
                unit = '\\';
                return true;
            case 'x':
                if (has(2) && hex_value(peek(1)) >= 0 && hex_value(peek(2)) >= 0) {
                    unit = hex_value(peek(1)) * 16 + hex_value(peek(2));
                    pos_ += 3;
                    return true;
                }
                unit = 'x';
                break;
            case 'u':
                if (has(4) && hex_value(peek(1)) >= 0 && hex_value(peek(2)) >= 0 &&
                    hex_value(peek(3)) >= 0 && hex_value(peek(4)) >= 0) {
                    unit = (hex_value(peek(1)) << 12) | (hex_value(peek(2)) << 8) |
                           (hex_value(peek(3)) << 4) | hex_value(peek(4));
                    pos_ += 5;
                    return true;
                }
                unit = 'u';
                break;
            default:
                if (is_octal(c)) {
                    unit = octal();
                    return true;
                }
                unit = c;  // any other escaped character stands for itself
                break;
        }
        ++pos_;
        return true;
    }

    static const RangeList* class_escape(char16_t c, bool& negated) {
        negated = c == 'D' || c == 'W' || c == 'S';
        switch (c) {
            case 'd':
            case 'D':
                return &kDigits;
            case 'w':
            case 'W':
                return &kWord;
            case 's':
            case 'S':
                return &kSpace;
            default:
                return nullptr;
        }
    }

    void escape() {
        ++pos_;  // backslash
        if (at_end()) {
            fail("\\ at end of pattern");
            return;
        }
        const char16_t c = peek();
        bool negated = false;
        if (const RangeList* set = class_escape(c, negated)) {
            ++pos_;
            atom_set_ = negated ? complement(*set) : *set;
            append_set(out_, *atom_set_);
            return;
        }
        if (c >= '1' && c <= '9') {
            // A back reference when enough groups precede it: two digits first, then one.
            const std::uint32_t n = c - '0';
            if (has(1) && is_digit(peek(1))) {
                const std::uint32_t nm = n * 10 + (peek(1) - '0');
                if (nm <= groups_) {
                    pos_ += 2;
                    back_reference(nm);
                    return;
                }
            }
            if (n <= groups_) {
                ++pos_;
                back_reference(n);
                return;
            }
        }
        char32_t unit = 0;
        unit_escape(unit);
        literal(unit);
    }

    void back_reference(std::uint32_t n) {
        const std::string s = "\\g{" + std::to_string(n) + "}";
        out_.append(s.begin(), s.end());
    }

    bool class_atom(ClassAtom& a) {
        const char16_t c = peek();
        if (c != '\\') {
            ++pos_;
            a.unit = c;
            return true;
        }
        ++pos_;
        if (at_end()) {
            fail("\\ at end of pattern");
            return false;
        }
        const char16_t e = peek();
        bool negated = false;
        if (const RangeList* set = class_escape(e, negated)) {
            ++pos_;
            a.is_set = true;
            a.set = negated ? complement(*set) : *set;
            return true;
        }
        if (e == 'b') {
            ++pos_;
            a.unit = 0x08;
            return true;
        }
        return unit_escape(a.unit);
    }

    static void add(RangeList& ranges, const ClassAtom& a) {
        if (a.is_set) {
            ranges.insert(ranges.end(), a.set.begin(), a.set.end());
        } else {
            ranges.emplace_back(a.unit, a.unit);
        }
    }

    void char_class() {
        ++pos_;  // "["
        bool negate = false;
        if (peek() == '^') {
            negate = true;
            ++pos_;
        }
        RangeList ranges;
        for (;;) {
            if (at_end()) {
                fail("missing ']'");
                return;
            }
            if (peek() == ']') {
                ++pos_;
                break;
            }
            ClassAtom a;
            if (!class_atom(a)) {
                return;
            }
            if (peek() == '-' && has(1) && peek(1) != ']') {
                ++pos_;
                ClassAtom b;
                if (!class_atom(b)) {
                    return;
                }
                if (a.is_set || b.is_set) {
                    // A dash next to a class escape is a literal dash.
                    add(ranges, a);
                    ranges.emplace_back('-', '-');
                    add(ranges, b);
                } else if (a.unit > b.unit) {
                    fail("range out of order in character class");
                    return;
                } else {
                    ranges.emplace_back(a.unit, b.unit);
                }
            } else {
                add(ranges, a);
            }
        }
        normalise(ranges);
        if (ignore_case_) {
            close_under_case(ranges);
        }
        atom_set_ = negate ? complement(ranges) : ranges;
        append_set(out_, *atom_set_);
    }

    std::u16string_view p_;
    bool ignore_case_;
    bool multiline_;
    std::size_t pos_ = 0;
    std::uint32_t groups_ = 0;
    int depth_ = 0;
    std::u16string out_;
    std::string error_;
    std::optional<RangeList> atom_set_;  // the units the last atom matches, if it is one unit
    std::optional<LazyTail> tail_;
    bool simple_ = true;  // the tree being built covers the whole pattern
};

}  // namespace

bool contains(const RangeList& ranges, char32_t c) {
    auto it = std::upper_bound(ranges.begin(), ranges.end(), Range{c, 0x10FFFF});
    return it != ranges.begin() && std::prev(it)->second >= c;
}

char16_t canonical_case(char16_t c) {
    return case_tables().canonical[c];
}

Translation translate(std::u16string_view pattern, bool ignore_case, bool multiline) {
    return Translator(pattern, ignore_case, multiline).run();
}

}  // namespace xlt::regexp
