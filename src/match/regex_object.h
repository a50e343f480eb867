// RegexObject: the program's own regular-expression class over the platform's regex
// component. Its interface never fails loudly: indexes count from 1, and every failure
// (an invalid pattern, a run that went out of bounds, an index out of range) gives an
// empty text, 0 or false. Texts are GBK; matching runs over their UTF-16 form, so "."
// matches one Chinese character.
//
// When the component can run the pattern straight over the GBK source, the object
// keeps a copy of the source and the byte offsets of every match, and reading a match
// back is a copy of its bytes. Otherwise it keeps one UTF-16 copy of the source (inside
// the component's match collection) and the offsets of every match, and match_text and
// sub_match_text convert one match's text on each call. Either copy is also the source
// that replace works on: no second copy is kept (replace needs it only after a create
// that succeeded).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/text.h"

namespace xlt {

class RegExp;
class RegExpMatches;
struct DirectMatches;

class RegexObject {
public:
    RegexObject() = default;
    // A copy shares the matches (see below); moving copies too, so that an object
    // moved from still holds the matches its read-back pointers point into.
    RegexObject(const RegexObject&) = default;
    RegexObject& operator=(const RegexObject&) = default;

    // Runs `pattern_text` over `source` and keeps the matches. With `quote_substitution`
    // every "#引号" in the pattern stands for a double quote. The source is kept (for
    // replace) whether or not the pattern is valid. True when the run produced a match
    // collection, even an empty one.
    bool create(const Text& pattern_text, const Text& source, bool case_sensitive = false,
                bool multiline = true, bool global_search = true, bool quote_substitution = false);

    // The pattern after quote substitution; empty before the first create.
    Text current_pattern() const;

    // The kept source with the pattern's matches replaced ($1..$99, $&, $`, $', $$);
    // empty when the pattern is not valid.
    Text replace(const Text& replacement) const;

    std::int32_t match_count() const { return count_; }
    // Text of match `match_index` (from 1); empty when out of range.
    Text match_text(std::int32_t match_index) const {
        if (match_index < 1 || match_index > count_) {
            return {};
        }
        if (direct_) {
            return direct_slice(static_cast<std::size_t>(match_index - 1) * direct_stride_);
        }
        return general_match_text(match_index);
    }
    // Text of group `sub_index` (from 1) of match `match_index` (from 1); empty when
    // either is out of range or the group took no part in the match.
    Text sub_match_text(std::int32_t match_index, std::int32_t sub_index) const {
        if (match_index < 1 || match_index > count_ || sub_index < 1 || sub_index > groups_) {
            return {};
        }
        if (direct_) {
            return direct_slice(static_cast<std::size_t>(match_index - 1) * direct_stride_ +
                                2 * static_cast<std::size_t>(sub_index));
        }
        return general_sub_match_text(match_index, sub_index);
    }
    // The number of capturing groups, read from the first match; 0 without a match.
    std::int32_t sub_match_count() const { return groups_; }

private:
    // Copies share the component and the collection and own their source text.
    std::shared_ptr<RegExp> component_;
    std::shared_ptr<const RegExpMatches> matches_;
    std::shared_ptr<const DirectMatches> direct_;  // instead of matches_
    // Read once after each create: every read-back checks its indexes against them.
    std::int32_t count_ = 0;
    std::int32_t groups_ =
        0;  // of the first match; 0 without a match
            // Of direct_, when it is there: its copy of the source (null for an empty source)
    // and its offsets (each match's start and end, then each group's; kUnsetOffset for
    // a group that took no part), at hand so that reading a match back is a copy of its
    // bytes and nothing more. A page's read-back makes a call per match and group.
    static constexpr std::uint32_t kUnsetOffset = 0xFFFFFFFF;
    const char* direct_bytes_ = nullptr;
    const std::uint32_t* direct_offsets_ = nullptr;
    std::size_t direct_stride_ = 0;

    Text direct_slice(std::size_t at) const {
        const std::uint32_t start = direct_offsets_[at];
        if (start == kUnsetOffset) {
            return {};
        }
        return Text(direct_bytes_ + start, direct_offsets_[at + 1] - start);
    }
    // The same from the general engine's collection (indexes already checked).
    Text general_match_text(std::int32_t match_index) const;
    Text general_sub_match_text(std::int32_t match_index, std::int32_t sub_index) const;
};

}  // namespace xlt
