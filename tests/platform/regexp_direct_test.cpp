// The engine that runs simple patterns straight over GBK bytes, checked against the
// general engine (PCRE2 over the decoded UTF-16 text): the lead-byte map it rests on,
// generated patterns and texts run through both, and hand-written cases for the
// byte-level traps (a pair whose second byte is an ASCII letter, a pair's bytes seen
// at the wrong alignment, word boundaries next to two-byte characters).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/gbk_matcher.h"
#include "platform/gbk_units.h"
#include "platform/vbscript_regexp.h"

namespace xlt {
namespace {

using gbk::DirectMatcher;

std::u16string u16(std::string_view utf8) {
    return codepage::to_utf16(utf8, codepage::kUtf8);
}
std::string u8(std::u16string_view units) {
    return codepage::from_utf16(units, codepage::kUtf8);
}
std::string gbk_of(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}

// Every byte as two hex digits, e.g. "61 b0 a1".
std::string hex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) {
            out += ' ';
        }
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// Printable ASCII as is, every other byte as \xHH: a GBK text shown exactly.
std::string escaped(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += digits[b >> 4];
            out += digits[b & 15];
        }
    }
    return out;
}

bool is_lead(unsigned b) {
    return b >= 0x81 && b <= 0xFE;
}
bool is_trail(unsigned b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// The byte offsets where characters start, walking the text one character at a time,
// with the text's length appended; empty when the text is not plain GBK.
std::vector<std::size_t> character_starts(std::string_view text, bool& plain) {
    std::vector<std::size_t> starts;
    plain = true;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        starts.push_back(i);
        if (is_lead(b)) {
            if (i + 1 >= text.size() || !is_trail(static_cast<unsigned char>(text[i + 1]))) {
                plain = false;
                return {};
            }
            i += 2;
        } else if (b == 0x80 || b == 0xFF) {
            plain = false;
            return {};
        } else {
            ++i;
        }
    }
    starts.push_back(text.size());
    return starts;
}

// Checks map_lead_bytes against the walk above: the verdict, and for a plain text that
// the bits set are exactly where pairs start.
void check_lead_map(const std::string& text, bool expected_plain, const std::string& label) {
    bool walk_plain = false;
    const std::vector<std::size_t> starts = character_starts(text, walk_plain);
    ASSERT_EQ(walk_plain, expected_plain) << "the table is wrong for " << label;
    std::vector<bool> expected(text.size(), false);
    for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
        expected[starts[k]] = starts[k + 1] - starts[k] == 2;
    }
    // Every vector level this processor can run, not only the one it would choose.
    for (const gbk::VectorLevel level :
         {gbk::VectorLevel::avx512, gbk::VectorLevel::avx2, gbk::VectorLevel::baseline}) {
        if (!gbk::can_run(level)) {
            continue;
        }
        const std::string where = label + " at level " + std::to_string(static_cast<int>(level)) +
                                  " (" + std::to_string(text.size()) + " bytes)";
        std::vector<std::uint64_t> leads = {0xDEADBEEFULL};  // stale content must not matter
        std::string copy(text.size(), '?');
        const bool plain = gbk::map_lead_bytes(text, leads, copy.data(), level);
        ASSERT_EQ(plain, expected_plain) << where << ": " << hex(text);
        if (!plain) {
            continue;
        }
        EXPECT_EQ(copy, text) << where;
        ASSERT_GE(leads.size() * 64, text.size()) << where;
        std::string wrong;  // the bytes whose lead bit is wrong
        for (std::size_t p = 0; p < text.size(); ++p) {
            const bool bit = (leads[p / 64] >> (p % 64)) & 1;
            if (bit != expected[p]) {
                wrong += " " + std::to_string(p) + (bit ? "(set)" : "(clear)");
            }
        }
        EXPECT_EQ(wrong, "") << where << ": " << hex(text);
    }
}

std::string times(std::string_view piece, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out += piece;
    }
    return out;
}

TEST(RegExpDirectTest, LeadByteMap) {
    const std::string a63 = times("a", 63);
    struct Case {
        const char* label;
        std::string text;
        bool plain;
    };
    const std::vector<Case> cases = {
        {"empty", "", true},
        {"ascii", "<a href=\"x\">1 2\r\n</a>", true},
        {"ascii, 64 bytes", times("x", 64), true},
        {"ascii, 100 bytes", times("<p>", 33) + "!", true},
        {"one pair", gbk_of("中"), true},
        {"pairs from an even start across byte 64", times(gbk_of("中文"), 20), true},
        {"pairs from an odd start across byte 64", "a" + times(gbk_of("价格"), 20), true},
        {"pair at bytes 63 and 64", a63 + gbk_of("中") + "b", true},
        {"pair at 63/64, then an all-ASCII block", a63 + "\xB0\x41" + times("z", 70), true},
        {"pair at 62/63 ends a 64-byte text", times("a", 62) + gbk_of("中"), true},
        {"128 bytes, pair at 63/64", a63 + gbk_of("文") + times("c", 63), true},
        {"128 bytes of one high byte", times("\xA1", 128), true},
        {"64 bytes of one high byte", times("\xA1", 64), true},
        {"odd start, run of one high byte to the end", "x" + times("\xB0", 199) + "\xB0", true},
        {"run of one high byte, three blocks", times("\xB0", 200) + "y", true},
        {"trails equal to lead values", times("\xB0\xA1\xA1\xB0", 30), true},
        {"trail is an ASCII letter", times("\x81\x61", 40), true},
        {"trail is an ASCII letter, odd start", "b" + times("\xB0\x41", 40), true},
        {"trail is '@'", "\x81\x40\x81\x40@", true},
        {"trail is 0x80", "\x81\x80" + a63 + "\xFE\x80", true},
        {"trail is 0xFE", times("\xFE\xFE", 33), true},
        {"mixed ASCII and pairs",
         "a\x81\x61"
         "b\xB0\xA1\n\xA1\xA1z",
         true},

        {"lead alone", "\xB0", false},
        {"lead at the end", "ab\xB0", false},
        {"lead at the end of a pair run", gbk_of("中文") + "\xD6", false},
        {"64 bytes, lead at byte 63", a63 + "\xB0", false},
        {"128 bytes, lead at byte 127", times("a", 127) + "\xB0", false},
        {"64 bytes, odd run of one high byte", "x" + times("\xA1", 63), false},
        {"127 bytes of one high byte", times("\xA1", 127), false},
        {"lead then LF", "\xB0\n" + times("b", 3), false},
        {"lead then '0'",
         "\xB0"
         "0",
         false},
        {"lead then DEL", "\xB0\x7F", false},
        {"lead then 0xFF", "\xB0\xFF", false},
        {"lead then NUL", std::string("\xB0\0a", 3), false},
        {"lead then '?'", "\xB0?", false},
        {"lead at 63, LF at 64 opening an ASCII block", a63 + "\xB0\n" + times("z", 70), false},
        {"lead at 63, DEL at 64", a63 + "\xB0\x7F" + gbk_of("中"), false},
        {"lone 0x80", "\x80", false},
        {"lone 0x80 among ASCII", "a\x80z", false},
        {"lone 0x80 after a pair", gbk_of("中") + "\x80", false},
        {"lone 0x80 after a pair with trail 0x80", "\xB0\x80\x80", false},
        {"lone 0x80 in the second block", times("y", 64) + "\x80", false},
        {"0xFF", "\xFF", false},
        {"0xFF before a pair", "\xFF\xB0\xA1", false},
        {"0xFF in the third block", times(gbk_of("中"), 64) + "\xFF", false},
    };
    for (const Case& c : cases) {
        check_lead_map(c.text, c.plain, c.label);
    }
}

TEST(RegExpDirectTest, LeadByteMapAgreesWithAWalkOnRandomBytes) {
    // Bytes that decide the verdict or the alignment: leads (which are also trails),
    // ASCII that can follow a lead, ASCII that can't, and the two bytes that are never
    // part of a plain text. Texts are mostly high bytes, so that long runs need their
    // alignment tracked; a quarter of them have only high bytes and valid trails.
    static const std::string high = "\x81\xA1\xB0\xFE";
    static const std::string trails = "aZ@";
    static const std::string not_trails = "\n0\x7F";
    static const std::string never = "\x80\xFF";
    std::mt19937 rng(31337);
    for (int i = 0; i < 3000; ++i) {
        // Now and then a text long enough to be mapped in several batches of blocks.
        const int length = i % 100 >= 96 ? std::uniform_int_distribution<int>(4000, 9000)(rng)
                                         : std::uniform_int_distribution<int>(0, 200)(rng);
        const int mode = i % 4;
        std::string text;
        for (int k = 0; k < length; ++k) {
            const int r = std::uniform_int_distribution<int>(0, 999)(rng);
            if (mode == 3) {
                text += high[r % high.size()];
            } else if (r < 700) {
                text += high[r % high.size()];
            } else if (mode >= 1 && r < 720) {
                text += not_trails[r % not_trails.size()];
            } else if (mode == 2 && r < 725) {
                text += never[r % never.size()];
            } else {
                text += trails[r % trails.size()];
            }
        }
        bool plain = false;
        character_starts(text, plain);
        check_lead_map(text, plain, "random #" + std::to_string(i));
        if (HasFatalFailure()) {
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Both engines over the same text, rendered as byte offsets so that they compare
// exactly: one "[start-end 'value' | group | ...]" per match, "-" for a group that took
// no part.

struct Flags {
    bool ignore_case = false;
    bool multiline = false;
    bool global = false;
};

std::string describe(const Flags& f) {
    std::string out;
    out += f.ignore_case ? 'i' : '-';
    out += f.multiline ? 'm' : '-';
    out += f.global ? 'g' : '-';
    return out;
}

// "start-end", then the value when `values`.
void render_slot(std::string& out, std::size_t start, std::size_t end, std::string_view value,
                 bool values) {
    out += std::to_string(start) + "-" + std::to_string(end);
    if (values) {
        out += " '" + escaped(value) + "'";
    }
}

std::string render_direct(const DirectMatcher& direct, std::string_view text, bool global,
                          bool& ran, bool values = true,
                          std::size_t two_threads_from = DirectMatcher::kTwoThreadsFrom) {
    std::vector<std::uint32_t> offsets;
    ran = direct.run(text, global, offsets, nullptr, two_threads_from);
    const std::size_t stride = 2 * (direct.groups() + 1);
    if (offsets.size() % stride != 0) {
        return "(offsets not a whole number of matches)";
    }
    std::string out;
    for (std::size_t m = 0; m < offsets.size(); m += stride) {
        out += '[';
        for (std::size_t k = 0; k < stride; k += 2) {
            if (k != 0) {
                out += values ? " | " : "|";
            }
            const std::uint32_t s = offsets[m + k];
            const std::uint32_t e = offsets[m + k + 1];
            if (s == DirectMatcher::kUnset || e == DirectMatcher::kUnset) {
                out += (s == e) ? "-" : "(half unset)";
            } else if (s > e || e > text.size()) {
                out += "(bad slot " + std::to_string(s) + "," + std::to_string(e) + ")";
            } else {
                render_slot(out, s, e, text.substr(s, e - s), values);
            }
        }
        out += ']';
    }
    return out;
}

// The general engine over the decoded text; its unit offsets become byte offsets, and
// its values are encoded back to GBK, so that a unit that maps to other bytes shows.
std::string render_general(const RegExp& re, std::string_view text, bool values = true) {
    bool plain = false;
    const std::vector<std::size_t> starts = character_starts(text, plain);
    const auto matches = re.execute(gbk::decode(text));
    if (!matches) {
        return "(no result)";
    }
    const std::u16string& subject = matches->subject();
    if (!plain || subject.size() + 1 != starts.size()) {
        return "(decoded text is not one unit per character)";
    }
    std::string out;
    auto slot = [&](std::size_t start, std::u16string_view value) {
        render_slot(out, starts[start], starts[start + value.size()], gbk::encode(value), values);
    };
    for (std::size_t i = 0; i < matches->count(); ++i) {
        const RegExpMatch m = matches->item(i);
        out += '[';
        slot(m.first_index(), m.value());
        for (std::size_t k = 0; k < m.sub_match_count(); ++k) {
            out += values ? " | " : "|";
            if (m.sub_match_taken_part(k)) {
                slot(static_cast<std::size_t>(m.sub_match(k).data() - subject.data()),
                     m.sub_match(k));
            } else {
                out += '-';
            }
        }
        out += ']';
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Generated cases

// Characters used both as pattern literals and as pieces of texts, as GBK bytes: ASCII
// that patterns and markup use, two-byte characters (some with an ASCII letter, '_',
// '@', '\' or 0x80 as second byte, some whose second byte is also a lead byte), and
// letters with a case partner among the two-byte characters (Greek, Cyrillic,
// full-width, Roman numerals) or with one outside the code page (é ü ǎ). Patterns also
// name characters that no plain text holds (€ ÿ) and some whose partners it does (µ ς:
// Μ μ, Σ σ).
const std::vector<std::string>& shared_characters() {
    static const std::vector<std::string> chars = [] {
        std::vector<std::string> v = {"a", "b",  "x", "A", "B", "X", "0", "1", "9", "<",
                                      ">", "\"", "/", " ", "_", "-", ".", "*", "(", "\\"};
        for (const char* pair :
             {"\x81\x61", "\xB0\x41", "\x81\x40", "\x81\x80", "\xB0\xA1", "\xA1\xA1", "\xB0\xB0",
              "\xA1\xB0", "\xFE\x61", "\x81\x5F", "\xB0\x7A", "\x81\x5C"}) {
            v.push_back(pair);
        }
        for (const char* utf8 :
             {"中", "文", "价", "格", "α",  "Α",  "ω",  "Ω",  "σ", "Σ", "μ", "Μ", "д", "Д",
              "я",  "Я",  "ё",  "Ё",  "ａ", "Ａ", "ｚ", "Ｚ", "ⅰ", "Ⅰ", "é", "ü", "ǎ"}) {
            v.push_back(gbk_of(utf8));
        }
        return v;
    }();
    return chars;
}

class CaseGenerator {
public:
    explicit CaseGenerator(unsigned seed) : rng_(seed) {}

    // Texts drawn after a pattern favour the characters that the pattern names.
    std::u16string pattern() {
        groups_ = 0;
        named_.clear();
        return disjunction(0);
    }

    std::string text() {
        const int length = chance(25) ? 16 + pick(70) : pick(16);
        std::string out;
        for (int i = 0; i < length; ++i) {
            const int kind = pick(100);
            if (kind < 8) {
                out += pick(2) ? "\n" : "\r";
            } else if (kind < 12) {
                out += "\r\n";
            } else if (kind < 16) {
                out += any_pair();
            } else if (kind < 50 && !named_.empty()) {
                out += one_of(named_);
            } else {
                const auto& chars = shared_characters();
                out += chars[pick(static_cast<int>(chars.size()))];
            }
        }
        return out;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }

    template <typename T>
    const T& one_of(const std::vector<T>& items) {
        return items[pick(static_cast<int>(items.size()))];
    }

    std::u16string disjunction(int depth) {
        std::u16string out = alternative(depth);
        while (chance(20)) {
            out += u'|';
            out += alternative(depth);
        }
        return out;
    }

    std::u16string alternative(int depth) {
        std::u16string out;
        const int terms = chance(5) ? 0 : 1 + pick(4);
        for (int i = 0; i < terms; ++i) {
            out += term(depth);
        }
        return out;
    }

    std::u16string term(int depth) {
        const int kind = pick(100);
        if (kind < 8) {
            return one_of<std::u16string>({u"^", u"$", u"\\b", u"\\B"});
        }
        if (kind < 22 && depth < 3) {
            std::u16string open = u"(?:";
            if (chance(60) && groups_ < 9) {
                open = u"(";
                ++groups_;
            }
            return open + disjunction(depth + 1) + u")";
        }
        std::u16string atom;
        if (kind < 40) {
            atom = char_class();
        } else if (kind < 52) {
            atom = one_of<std::u16string>({u".", u"\\d", u"\\w", u"\\s", u"\\D", u"\\W", u"\\S"});
        } else {
            atom = literal();
        }
        return chance(40) ? atom + quantifier() : atom;
    }

    std::u16string quantifier() {
        const int n = pick(4);
        const int m = n + pick(3);
        std::u16string q;
        switch (pick(6)) {
            case 0:
                q = u"*";
                break;
            case 1:
                q = u"+";
                break;
            case 2:
                q = u"?";
                break;
            case 3:
                q = u"{" + u16(std::to_string(n)) + u"}";
                break;
            case 4:
                q = u"{" + u16(std::to_string(n)) + u",}";
                break;
            default:
                q = u"{" + u16(std::to_string(n)) + u"," + u16(std::to_string(m)) + u"}";
                break;
        }
        return chance(35) ? q + u"?" : q;
    }

    // One character of the shared set, escaped where the syntax needs it, or an escape
    // for one (\n, \x41, \u4e2d), or a character that no plain GBK text holds.
    std::u16string literal() {
        if (chance(15)) {
            return one_of<std::u16string>(
                {u"\\n",     u"\\r",     u"\\t", u"\\x41", u"\\x61",   u"\\u4e2d", u"\\u03b1",
                 u"\\u0414", u"\\uff41", u"\\.", u"\\*",   u"\\+",     u"\\?",     u"\\(",
                 u"\\)",     u"\\[",     u"\\]", u"\\{",   u"\\}",     u"\\|",     u"\\^",
                 u"\\$",     u"\\/",     u"€",   u"ÿ",     u"\\u00c9", u"µ",       u"ς"});
        }
        return escape(character());
    }

    // Any two-byte character of the code page.
    std::string any_pair() {
        std::string out(1, static_cast<char>(0x81 + pick(126)));
        const int t = pick(190);
        out += static_cast<char>(t < 63 ? 0x40 + t : 0x80 + (t - 63));
        return out;
    }

    std::u16string character() {
        const auto& chars = shared_characters();
        const std::string c = chance(5) ? any_pair() : chars[pick(static_cast<int>(chars.size()))];
        named_.push_back(c);
        return gbk::decode(c);
    }

    static std::u16string escape(const std::u16string& c) {
        static const std::u16string special = u"\\^$.*+?()[]{}|/-";
        if (c.size() == 1 && special.find(c[0]) != std::u16string::npos) {
            return u"\\" + c;
        }
        return c;
    }

    std::u16string char_class() {
        if (chance(50)) {
            return one_of<std::u16string>({
                u"[a-z]",
                u"[A-Z]",
                u"[^\"]",
                u"[^<]",
                u"[^<>]",
                u"[<>\"/]",
                u"[0-9]",
                u"[\\u4e00-\\u9fa5]",
                u"[^\\u4e00-\\u9fa5]",
                u"[\\S\\s]",
                u"[^中文]",
                u"[中文价格]",
                u"[α-ω]",
                u"[Α-Ω]",
                u"[а-я]",
                u"[ａ-ｚ]",
                u"[^ａ-ｚ]",
                u"[ⅰ-ⅹ]",
                u"[\\w<]",
                u"[\\d\\s]",
                u"[^\\w]",
                u"[^\\W]",
                u"[.]",
                u"[\\]\\-]",
                u"[a\\-z]",
                u"[^a]",
                u"[^a-zα]",
                u"[^\\s中]",
                u"[\\x40-\\x7e]",
                u"[\\u8000-\\uffff]",
            });
        }
        std::u16string out = u"[";
        if (chance(35)) {
            out += u'^';
        }
        const int members = 1 + pick(3);
        for (int i = 0; i < members; ++i) {
            std::u16string c = character();
            if (c == u"\\" || c == u"]" || c == u"^" || c == u"-") {
                c = u"\\" + c;
            }
            out += c;
            if (chance(20)) {
                out += u'-';
                // A range up to a character at or above the first one.
                std::u16string last = character();
                if (last[0] < c.back()) {
                    last = c.back() == u'\\' ? u"\\\\" : std::u16string(1, c.back());
                } else if (last == u"\\" || last == u"]" || last == u"^" || last == u"-") {
                    last = u"\\" + last;
                }
                out += last;
            }
        }
        return out + u"]";
    }

    std::mt19937 rng_;
    int groups_ = 0;
    std::vector<std::string> named_;  // GBK bytes of the pattern's characters
};

TEST(RegExpDirectTest, AgreesWithTheGeneralEngineOnGeneratedCases) {
    int failures = 0;
    int compared = 0;
    for (const unsigned seed : {1u, 2u, 3u, 4u}) {
        CaseGenerator gen(seed);
        for (int p = 0; p < 150 && failures < 10; ++p) {
            const std::u16string pattern = gen.pattern();
            std::vector<std::string> texts;
            for (int t = 0; t < 4; ++t) {
                texts.push_back(gen.text());
            }
            for (int combo = 0; combo < 4; ++combo) {
                RegExp re;
                re.set_pattern(pattern);
                re.set_ignore_case(combo & 1);
                re.set_multiline(combo & 2);
                const std::string where = "seed " + std::to_string(seed) + " #" +
                                          std::to_string(p) + " pattern " + u8(pattern);
                if (!re.is_valid()) {
                    ADD_FAILURE() << where << ": not valid: " << re.error();
                    ++failures;
                    break;
                }
                const DirectMatcher* direct = re.direct_matcher();
                if (direct == nullptr) {
                    ADD_FAILURE() << where << ": no direct engine for it";
                    ++failures;
                    break;
                }
                for (const std::string& text : texts) {
                    for (const bool global : {false, true}) {
                        re.set_global(global);
                        const Flags flags{(combo & 1) != 0, (combo & 2) != 0, global};
                        bool ran = false;
                        const std::string got = render_direct(*direct, text, global, ran);
                        const std::string expected = render_general(re, text);
                        ++compared;
                        if ((!ran || got != expected) && ++failures <= 10) {
                            ADD_FAILURE() << where << " flags " << describe(flags) << "\n  text "
                                          << u8(gbk::decode(text)) << " [" << hex(text) << "]"
                                          << "\n  direct  (ran " << ran << "): " << got
                                          << "\n  general: " << expected;
                        }
                        // The same run shared with a second thread from the middle.
                        bool shared_ran = false;
                        const std::string shared =
                            render_direct(*direct, text, global, shared_ran, true, 0);
                        if ((shared_ran != ran || shared != got) && ++failures <= 10) {
                            ADD_FAILURE()
                                << where << " flags " << describe(flags) << "\n  text " << hex(text)
                                << "\n  one thread  (ran " << ran << "): " << got
                                << "\n  two threads (ran " << shared_ran << "): " << shared;
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(failures, 0) << "of " << compared << " runs compared";
}

TEST(RegExpDirectTest, LeavesTextsThatAreNotPlainToTheGeneralEngine) {
    const std::vector<std::string> texts = {
        "a\x80",
        "\xFF",
        "ab\xB0",
        times("a", 63) + "\xB0",
        "\xB0\n\xB0\xA1",
        "\xB0\x7F",
        gbk_of("中文") + "\x80" + gbk_of("价"),
    };
    for (const char* pattern : {"a", ".*", "(\\w+)|$", "x*"}) {
        RegExp re;
        re.set_pattern(u16(pattern));
        const DirectMatcher* direct = re.direct_matcher();
        ASSERT_NE(direct, nullptr) << pattern;
        for (const std::string& text : texts) {
            for (const bool global : {false, true}) {
                std::vector<std::uint32_t> offsets = {7, 8};
                EXPECT_FALSE(direct->run(text, global, offsets))
                    << pattern << " over " << hex(text) << " global " << global;
                EXPECT_EQ(offsets, (std::vector<std::uint32_t>{7, 8})) << pattern;
            }
        }
    }
}

// Long texts, where each thread maps words of its own and matches run across the
// middle: two threads must find what one finds.
// A generated pattern set in `re`, with ignore-case as given; the pattern is returned.
std::u16string set_generated_pattern(CaseGenerator& gen, bool ignore_case, RegExp& re) {
    std::u16string pattern = gen.pattern();
    re.set_pattern(pattern);
    re.set_ignore_case(ignore_case);
    return pattern;
}

// Texts of a few thousand bytes: generated ones run together, a long run of two-byte
// characters, and such a run with a single byte near its middle.
std::vector<std::string> long_texts(CaseGenerator& gen) {
    std::vector<std::string> texts;
    for (int t = 0; t < 6; ++t) {
        std::string text;
        while (text.size() < 3000) {
            text += gen.text();
        }
        texts.push_back(text);
    }
    const std::string chinese = times(gbk_of("中文价格"), 1500);
    texts.push_back(chinese);
    texts.push_back(chinese.substr(0, 6000) + "a" + chinese.substr(0, 6001));
    return texts;
}

// Anchors far apart take the searches' wide vector loops: each level the processor can
// run, with each way of finding anchors (bytes compared, ranges beside them), finds what
// the scalar-and-SSE2 level finds with the way its sample picks.
TEST(RegExpDirectTest, AnchorSearchesAgreeAtEveryVectorLevel) {
    CaseGenerator gen(11);
    const std::vector<std::string> texts = long_texts(gen);
    std::vector<std::pair<gbk::VectorLevel, int>> levels_and_options;
    for (const gbk::VectorLevel level :
         {gbk::VectorLevel::baseline, gbk::VectorLevel::avx2, gbk::VectorLevel::avx512}) {
        for (int option = -1; option < 6; ++option) {
            if (level != gbk::VectorLevel::baseline || option >= 0) {
                levels_and_options.emplace_back(level, option);
            }
        }
    }
    int failures = 0;
    for (int p = 0; p < 150 && failures < 10; ++p) {
        RegExp re;
        const std::u16string pattern = set_generated_pattern(gen, p % 2 == 1, re);
        const DirectMatcher* direct = re.direct_matcher();
        ASSERT_NE(direct, nullptr) << u8(pattern);
        const auto baseline = direct->at_level(gbk::VectorLevel::baseline);
        ASSERT_NE(baseline, nullptr);
        std::vector<std::pair<bool, std::string>> expected(texts.size());
        for (std::size_t t = 0; t < texts.size(); ++t) {
            expected[t].second = render_direct(*baseline, texts[t], true, expected[t].first, false);
        }
        for (const auto& [level, option] : levels_and_options) {
            const auto other = direct->at_level(level, option);
            if (other == nullptr) {
                continue;  // not on this processor
            }
            for (std::size_t t = 0; t < texts.size(); ++t) {
                bool ran = false;
                const std::string got = render_direct(*other, texts[t], true, ran, false);
                if ((ran != expected[t].first || got != expected[t].second) && ++failures <= 10) {
                    ADD_FAILURE() << "pattern " << u8(pattern) << " text #" << t << " level "
                                  << static_cast<int>(level) << " option " << option
                                  << "\n  picked option, baseline (ran " << expected[t].first
                                  << "): " << expected[t].second << "\n  this one (ran " << ran
                                  << "): " << got;
                }
            }
        }
    }
}

// Classes such as [a-z] and \d beside an anchor's bytes are checked as ranges of byte
// values, in either case where ignore-case folds them: on texts full of near misses
// (a digit where a letter must be, a letter in the other case, a Chinese character
// whose trail byte is a letter), each way of finding anchors at each level finds what
// the general engine finds.
TEST(RegExpDirectTest, AnchorRangesFindWhatTheGeneralEngineFinds) {
    const std::vector<std::string> patterns = {
        "\\<[a-z][\\S\\s]*?[a-z]\"\\>(\\d+)\\</[\\S\\s]*?[a-z]d\\>(.*?)</[a-z][a-z]>",
        "<a href=\"([^\"]*)\">([\\S\\s]*?)</a>",
        "[a-z]=\"\\d",
        "x\\d\\dy",
        "[0-9]\">",
        "(\\d{4})-[0-1]\\d",
        "[A-F][a-f]Z",
    };
    std::string row;
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i * 37 % 1000);
        row += "<tr class=\"row" + n + "\"><TD class=\"num\">" + n + "</td><td>价格表" + n +
               "</Td><td><a href=\"/g/" + n + ".html\">详情x" + n + "y</a></td>" + "<td>2024-1" +
               std::to_string(i % 3) + "-0" + std::to_string(i % 9) + "</td><td>c=\"" + n +
               "\" Bb" + "Z eF" + "Z</td></tr>\n";
    }
    const std::vector<std::string> texts = {gbk_of(row), gbk_of(row.substr(0, 700)),
                                            gbk_of("乙" + row.substr(3, 1500))};
    int failures = 0;
    for (const std::string& pattern : patterns) {
        for (const bool ignore_case : {false, true}) {
            RegExp re;
            re.set_pattern(gbk::decode(gbk_of(pattern)));
            re.set_ignore_case(ignore_case);
            re.set_global(true);
            const DirectMatcher* direct = re.direct_matcher();
            ASSERT_NE(direct, nullptr) << pattern;
            for (const std::string& text : texts) {
                const std::string expected = render_general(re, text, false);
                for (const gbk::VectorLevel level :
                     {gbk::VectorLevel::baseline, gbk::VectorLevel::avx2,
                      gbk::VectorLevel::avx512}) {
                    for (int option = 0; option < 6; ++option) {
                        const auto other = direct->at_level(level, option);
                        if (other == nullptr) {
                            continue;  // not on this processor
                        }
                        bool ran = false;
                        const std::string got = render_direct(*other, text, true, ran, false);
                        if ((!ran || got != expected) && ++failures <= 10) {
                            ADD_FAILURE() << pattern << " ignore-case " << ignore_case << " level "
                                          << static_cast<int>(level) << " option " << option
                                          << " text of " << text.size() << " bytes"
                                          << "\n  direct  (ran " << ran << "): " << got
                                          << "\n  general: " << expected;
                        }
                    }
                }
            }
        }
    }
}

TEST(RegExpDirectTest, TwoThreadsFindWhatOneFinds) {
    CaseGenerator gen(7);
    const std::vector<std::string> texts = long_texts(gen);
    int failures = 0;
    for (int p = 0; p < 150 && failures < 10; ++p) {
        RegExp re;
        const std::u16string pattern = set_generated_pattern(gen, p % 2 == 1, re);
        const DirectMatcher* direct = re.direct_matcher();
        ASSERT_NE(direct, nullptr) << u8(pattern);
        for (std::size_t t = 0; t < texts.size(); ++t) {
            bool one_ran = false;
            bool two_ran = false;
            const std::string one = render_direct(*direct, texts[t], true, one_ran, false);
            const std::string two = render_direct(*direct, texts[t], true, two_ran, false, 0);
            if ((one_ran != two_ran || one != two) && ++failures <= 10) {
                ADD_FAILURE() << "pattern " << u8(pattern) << " text #" << t
                              << "\n  one thread  (ran " << one_ran << "): " << one
                              << "\n  two threads (ran " << two_ran << "): " << two;
            }
        }
    }
    // A text that is not plain in either half is left to the general engine.
    RegExp re;
    re.set_pattern(u"a");
    for (const std::size_t at : {std::size_t{100}, texts[0].size() - 100}) {
        std::string text = texts[0];
        text[at] = '\xFF';
        std::vector<std::uint32_t> offsets = {7};
        EXPECT_FALSE(re.direct_matcher()->run(text, true, offsets, nullptr, 0)) << at;
        EXPECT_EQ(offsets, std::vector<std::uint32_t>{7}) << at;
    }
}

// Asked to, a run reports the first NUL of its text (where a Text ends) instead of
// matching past it, on one thread or two.
TEST(RegExpDirectTest, ReportsTheFirstNul) {
    const std::string page = times(gbk_of("<td>中文</td>\n"), 400);  // 4,800 bytes
    const std::string nul(1, '\0');
    struct Case {
        std::string text;
        std::size_t nul_at;  // npos: none, the run goes ahead
    };
    const std::vector<Case> cases = {
        {page, std::string::npos},
        {nul + page, 0},
        {page + nul, page.size()},
        {page.substr(0, 63) + nul + page, 63},
        {page.substr(0, 2500) + nul + page.substr(0, 100) + nul, 2500},
        {page.substr(0, 4000) + nul + page, 4000},
        {gbk_of("中") + nul, 2},
    };
    RegExp re;
    re.set_pattern(u"<td>(.*?)</td>");
    const DirectMatcher* direct = re.direct_matcher();
    ASSERT_NE(direct, nullptr);
    for (const Case& c : cases) {
        for (const std::size_t two_threads_from :
             {DirectMatcher::kTwoThreadsFrom, std::size_t{0}}) {
            std::vector<std::uint32_t> offsets;
            std::size_t nul_at = std::string::npos;
            const bool ran = direct->run(c.text, true, offsets, nullptr, two_threads_from, &nul_at);
            EXPECT_EQ(ran, c.nul_at == std::string::npos) << c.nul_at << " " << two_threads_from;
            EXPECT_EQ(nul_at, c.nul_at) << two_threads_from;
            if (!ran) {
                EXPECT_TRUE(offsets.empty());
            }
        }
    }
}

// ---------------------------------------------------------------------------------------
// Hand-written cases, rendered as byte offsets only: "[start-end|group|...]" per match,
// "-" for a group that took no part.

TEST(RegExpDirectTest, HandWrittenCases) {
    struct Case {
        const char* pattern;  // UTF-8
        const char* flags;    // i, m, g
        std::string text;     // GBK
        const char* expected;
    };
    const std::string cr_lf = "ab\r\n" + gbk_of("中") + "\r\n";
    const std::string pair_a = "\x81\x61";   // one character whose second byte is 'a'
    const std::string pair_A = "\xB0\x41";   // one whose second byte is 'A'
    const std::string pair_ah = "\xB0\xA1";  // one whose second byte is also a lead byte
    const std::vector<Case> cases = {
        // 0x81 0x61 is one character; its second byte is not the letter a.
        {"a", "", pair_a, ""},
        {"a", "ig", pair_a + pair_a, ""},
        {"A", "i", pair_A, ""},
        {"a", "g", pair_a + "a", "[2-3]"},
        {"[a-z]+", "", pair_a + "bc", "[2-4]"},
        {"\\w+", "i", pair_A + pair_A + "A", "[4-5]"},
        // A pair's bytes read at the wrong alignment: B0 B0 | A1 A1 holds B0 A1 at 1.
        {"啊", "g", "\xB0\xB0\xA1\xA1", ""},
        {"啊", "g", "\xB0\xB0\xB0\xA1", "[2-4]"},
        {"乤|a", "", "\xB0\x81\x61", "[2-3]"},  // B0 81 | 61 holds 乤's bytes at 1
        {"[^a]", "g", pair_a + "a", "[0-2]"},
        // Word boundaries: a two-byte character is never a word character, even when its
        // second byte is a letter.
        {"\\ba", "", gbk_of("中") + "a", "[2-3]"},
        {"\\ba", "", pair_a + "a", "[2-3]"},
        {"\\Ba", "", pair_a + "a", ""},
        {"a\\b", "", "a" + pair_a, "[0-1]"},
        {"\\b", "g", "a" + gbk_of("中") + "b", "[0-0][1-1][3-3][4-4]"},
        {"\\B", "g", pair_A + "a", "[0-0]"},
        // After an empty match the next try starts one character later.
        {"x*", "g", gbk_of("中") + "a", "[0-0][2-2][3-3]"},
        {"(x?)", "g", pair_ah + "x", "[0-0|0-0][2-3|2-3][3-3|3-3]"},
        // Runs of ASCII members shorter and longer than sixteen bytes, ending at a
        // byte that is not one, a two-byte character, or the end of the text.
        {"(\\d+)x", "", "12345678901234567x", "[0-18|0-17]"},
        {"\\d+", "g", "123456789012345678901" + gbk_of("中") + "12", "[0-21][23-25]"},
        {"[a-z]+", "g", std::string(40, 'q'), "[0-40]"},
        {"[a-z]+a", "", std::string(17, 'q') + pair_a + "a", ""},
        // Backtracking order with groups.
        {"(a+?)(a*)b", "", "aaab", "[0-4|0-1|1-3]"},
        {"(a+)(a*?)b", "", "aaab", "[0-4|0-3|3-3]"},
        {"<(.*?)>|(\\d+)", "g", "<" + gbk_of("中") + ">12<>", "[0-4|1-3|-][4-6|-|4-6][6-8|7-7|-]"},
        {"<(.*)>", "", "<a><" + gbk_of("中") + ">", "[0-7|1-6]"},
        {"(.*?)\\d", "", gbk_of("价格") + "9", "[0-5|0-4]"},
        {"ab|a", "g", "aba", "[0-2][2-3]"},
        {"a|ab", "g", "aba", "[0-1][2-3]"},
        {"(a|ab)(c|bcd)", "", "abcd", "[0-4|0-1|1-4]"},
        // Line anchors in multi-line mode know CR and LF; "." stops at LF only.
        {"^.*$", "mg", cr_lf, "[0-3][3-3][4-7][7-7][8-8]"},
        {"^", "mg", "a\r\nb", "[0-0][2-2][3-3]"},
        {"$", "mg", "a\r\nb", "[1-1][2-2][4-4]"},
        {"^中", "mg", "a\r" + gbk_of("中"), "[2-4]"},
        {"$", "g", "a\r\nb", "[4-4]"},
        // Ignore-case pairs whose partner is also a pair.
        {"α+", "i", gbk_of("Αα"), "[0-4]"},
        {"[ａ-ｃ]", "ig", gbk_of("ＡｂＣｄ"), "[0-2][2-4][4-6]"},
        {"д", "", gbk_of("Д"), ""},
        // Partners that the pattern's character lacks in the code page: µ is Μ and μ.
        {"µ", "ig", gbk_of("Μμ"), "[0-2][2-4]"},
        {"ς+", "i", gbk_of("Σσ"), "[0-4]"},
        {"µ|ς", "g", gbk_of("Μμσ"), ""},
    };
    for (const Case& c : cases) {
        const std::string flags = c.flags;
        RegExp re;
        re.set_pattern(u16(c.pattern));
        re.set_ignore_case(flags.find('i') != std::string::npos);
        re.set_multiline(flags.find('m') != std::string::npos);
        const bool global = flags.find('g') != std::string::npos;
        re.set_global(global);
        const std::string label =
            std::string("pattern ") + c.pattern + " flags \"" + flags + "\" text " + hex(c.text);
        const DirectMatcher* direct = re.direct_matcher();
        ASSERT_NE(direct, nullptr) << label;
        bool ran = false;
        EXPECT_EQ(render_direct(*direct, c.text, global, ran, false), c.expected) << label;
        EXPECT_TRUE(ran) << label;
        EXPECT_EQ(render_direct(*direct, c.text, global, ran, false, 0), c.expected)
            << label << " on two threads";
        EXPECT_EQ(render_general(re, c.text, false), c.expected) << label;
    }
}

}  // namespace
}  // namespace xlt
