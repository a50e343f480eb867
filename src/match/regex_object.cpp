#include "match/regex_object.h"

#include <cstring>
#include <string_view>

#include "platform/gbk_matcher.h"
#include "platform/gbk_units.h"
#include "platform/vbscript_regexp.h"

namespace xlt {

// Matches found straight in the GBK source: its copy and the byte offsets.
struct DirectMatches {
    DirectMatches();
    DirectMatches(const DirectMatches&) = delete;
    DirectMatches& operator=(const DirectMatches&) = delete;
    ~DirectMatches();

    std::size_t stride() const { return 2 * (groups + 1); }
    std::size_t count() const { return offsets.size() / stride(); }
    std::string_view source() const { return {bytes.get(), size}; }
    // Room for `n` bytes of source, not initialised (the matcher copies into it).
    char* reserve(std::size_t n) {
        if (capacity < n) {
            bytes.reset(new char[n]);
            capacity = n;
        }
        size = n;
        return bytes.get();
    }

    std::unique_ptr<char[]> bytes;  // a copy of the source, `size` bytes of `capacity`
    std::size_t capacity = 0;
    std::size_t size = 0;
    std::vector<std::uint32_t> offsets;
    std::size_t groups = 0;
};

namespace {

// The buffers of the last released DirectMatches on this thread, for the next one:
// filling memory used before is much cheaper than touching fresh pages, which for a
// page of several megabytes costs more than matching it.
constexpr std::size_t kSpareCapBytes = 256 * 1024 * 1024;
thread_local std::unique_ptr<char[]> spare_bytes;
thread_local std::size_t spare_capacity = 0;
thread_local std::vector<std::uint32_t> spare_offsets;

}  // namespace

DirectMatches::DirectMatches()
    : bytes(std::move(spare_bytes)), capacity(spare_capacity), offsets(std::move(spare_offsets)) {
    spare_capacity = 0;
    spare_offsets = {};
    offsets.clear();
}

DirectMatches::~DirectMatches() {
    if (capacity > spare_capacity && capacity <= kSpareCapBytes) {
        spare_bytes = std::move(bytes);
        spare_capacity = capacity;
    }
    if (offsets.capacity() > spare_offsets.capacity() &&
        offsets.capacity() * sizeof(std::uint32_t) <= kSpareCapBytes) {
        spare_offsets = std::move(offsets);
    }
}

namespace {

// "#引号" in GBK.
constexpr std::string_view kQuoteToken = "#\xD2\xFD\xBA\xC5";

// A Text ends at its first NUL byte.
std::string_view before_nul(const Text& text) {
    const void* nul = std::memchr(text.data(), '\0', text.size());
    return std::string_view(text.data(),
                            nul ? static_cast<const char*>(nul) - text.data() : text.size());
}

Text to_text(std::u16string_view units) {
    return gbk::encode(units);
}

}  // namespace

bool RegexObject::create(const Text& pattern_text, const Text& source, bool case_sensitive,
                         bool multiline, bool global_search, bool quote_substitution) {
    const bool ignore_case = !case_sensitive;
    component_.reset();
    matches_.reset();
    direct_.reset();
    direct_bytes_ = nullptr;
    direct_offsets_ = nullptr;
    count_ = 0;
    groups_ = 0;
    component_ = std::make_shared<RegExp>();
    component_->set_ignore_case(ignore_case);
    component_->set_multiline(multiline);
    component_->set_global(global_search);
    const Text pattern =
        quote_substitution ? replace_all(pattern_text, kQuoteToken, "\"") : pattern_text;
    component_->set_pattern(gbk::decode(before_nul(pattern)));
    if (!component_->is_valid()) {
        return false;  // an invalid pattern needs no copy of the source
    }
    if (const gbk::DirectMatcher* direct = component_->direct_matcher()) {
        static_assert(kUnsetOffset == gbk::DirectMatcher::kUnset);
        auto found = std::make_shared<DirectMatches>();
        found->groups = direct->groups();
        // The engine looks for a NUL on its way through the source; only a source that
        // holds one is run again up to it.
        std::size_t nul = std::string_view::npos;
        bool ran = direct->run(source, global_search, found->offsets, found->reserve(source.size()),
                               gbk::DirectMatcher::kTwoThreadsFrom, &nul);
        if (!ran && nul != std::string_view::npos) {
            const std::string_view text = before_nul(source);
            found->offsets.clear();
            ran = direct->run(text, global_search, found->offsets, found->reserve(text.size()));
        }
        if (ran) {
            direct_ = std::move(found);
            count_ = static_cast<std::int32_t>(direct_->count());
            groups_ = count_ != 0 ? static_cast<std::int32_t>(direct_->groups) : 0;
            direct_bytes_ = direct_->bytes.get();
            direct_offsets_ = direct_->offsets.data();
            direct_stride_ = direct_->stride();
            return true;
        }
    }
    const std::string_view text = before_nul(source);
    matches_ = component_->execute(gbk::decode(text, RegExpMatches::spare_subject_buffer()));
    if (matches_ && matches_->count() != 0) {
        count_ = static_cast<std::int32_t>(matches_->count());
        groups_ = static_cast<std::int32_t>(matches_->item(0).sub_match_count());
    }
    return matches_ != nullptr;
}

Text RegexObject::current_pattern() const {
    return component_ ? to_text(component_->pattern()) : Text();
}

Text RegexObject::replace(const Text& replacement) const {
    if (!matches_ && !direct_) {
        return {};  // no valid pattern ran over the source
    }
    const std::u16string with = gbk::decode(before_nul(replacement));
    const auto result = matches_ ? component_->replace(matches_->subject(), with)
                                 : component_->replace(gbk::decode(direct_->source()), with);
    return result ? to_text(*result) : Text();
}

Text RegexObject::general_match_text(std::int32_t match_index) const {
    return to_text(matches_->item(match_index - 1).value());
}

Text RegexObject::general_sub_match_text(std::int32_t match_index, std::int32_t sub_index) const {
    return to_text(matches_->item(match_index - 1).sub_match(sub_index - 1));
}

}  // namespace xlt
