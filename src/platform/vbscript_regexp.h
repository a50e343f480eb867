// The regular-expression component that Easy Language programs call on Windows, as
// plain C++ over UTF-16: a pattern and three flags, Execute giving a collection of
// matches (value, first index, length, sub-matches) and Replace. Patterns are in the
// component's ECMAScript 3 dialect; they are translated to PCRE2 syntax and compiled
// with the 16-bit library and its JIT, one unit per character, without UTF mode.
//
// Runs that go out of bounds (a catastrophically backtracking pattern, a look-up that
// needs more memory than the limits allow) fail like an invalid pattern: Execute and
// Replace give no result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xlt {

namespace gbk {
class DirectMatcher;
}

class RegExpMatches;

// One match of a collection: a view that stays valid while the collection lives.
class RegExpMatch {
public:
    std::size_t first_index() const { return offsets_[0]; }
    std::size_t length() const { return offsets_[1] - offsets_[0]; }
    std::u16string_view value() const;
    // One entry per capturing group, in the order of their opening parentheses.
    std::size_t sub_match_count() const { return groups_; }
    // Group `index` (0-based) of this match; empty when the group took no part in it.
    std::u16string_view sub_match(std::size_t index) const;
    bool sub_match_taken_part(std::size_t index) const;

private:
    friend class RegExpMatches;
    RegExpMatch(const std::u16string* subject, const std::uint32_t* offsets, std::size_t groups)
        : subject_(subject), offsets_(offsets), groups_(groups) {}
    const std::u16string* subject_;
    const std::uint32_t* offsets_;  // start and end of the match, then of each group
    std::size_t groups_;
};

// The result of one Execute: the subject (one copy) and the offsets of every match.
class RegExpMatches {
public:
    RegExpMatches() = default;
    RegExpMatches(const RegExpMatches&) = delete;
    RegExpMatches& operator=(const RegExpMatches&) = delete;
    // Hands its buffers to the next collection made on this thread.
    ~RegExpMatches();

    // An empty string with the capacity of the subject of the last collection released
    // on this thread, to decode the next subject into: filling memory that was used
    // before costs far less than touching fresh pages, which on a page of several
    // megabytes takes longer than the match itself.
    static std::u16string spare_subject_buffer();

    std::size_t count() const { return offsets_.size() / stride(); }
    // `index` is 0-based and must be below count().
    RegExpMatch item(std::size_t index) const {
        return RegExpMatch(&subject_, offsets_.data() + index * stride(), groups_);
    }
    std::size_t group_count() const { return groups_; }
    const std::u16string& subject() const { return subject_; }

private:
    friend class RegExp;
    std::size_t stride() const { return 2 * (groups_ + 1); }
    std::u16string subject_;
    std::size_t groups_ = 0;
    std::vector<std::uint32_t> offsets_;
};

class RegExp {
public:
    RegExp();
    ~RegExp();
    RegExp(const RegExp&) = delete;
    RegExp& operator=(const RegExp&) = delete;

    // Properties; a new object has an empty pattern and every flag off. Setting them
    // validates nothing: the pattern is compiled by the first Execute or Replace after
    // a change, and once only.
    const std::u16string& pattern() const { return pattern_; }
    void set_pattern(std::u16string_view pattern);
    bool ignore_case() const { return ignore_case_; }
    void set_ignore_case(bool on);
    bool multiline() const { return multiline_; }
    void set_multiline(bool on);
    bool global() const { return global_; }
    void set_global(bool on) { global_ = on; }

    // Every non-overlapping match from left to right (only the first without Global);
    // after an empty match the next attempt starts one unit later. Null when the
    // pattern is not valid or the run went out of bounds.
    std::shared_ptr<const RegExpMatches> execute(std::u16string subject) const;

    // `source` with the matches replaced by `replacement`, in which $1 to $99 stand for
    // a group, $& for the match, $` and $' for the text before and after it and $$ for
    // a dollar sign; any other dollar is itself. Nullopt as for execute().
    std::optional<std::u16string> replace(std::u16string_view source,
                                          std::u16string_view replacement) const;

    // Whether the pattern compiles (compiling it if needed), and why not.
    bool is_valid() const;
    std::string error() const;

    // For callers that hold GBK text: the engine that runs this pattern straight over
    // it, when the pattern is simple enough; null otherwise (or when it doesn't compile).
    const gbk::DirectMatcher* direct_matcher() const;

private:
    struct Compiled;
    const Compiled* compiled() const;
    bool run(const std::u16string& subject, RegExpMatches& into) const;

    std::u16string pattern_;
    bool ignore_case_ = false;
    bool multiline_ = false;
    bool global_ = false;
    mutable std::unique_ptr<Compiled> compiled_;
};

}  // namespace xlt
