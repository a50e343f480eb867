#include "match/regex_object.h"

#include <cstring>
#include <string_view>

#include "platform/gbk_units.h"
#include "platform/vbscript_regexp.h"

namespace xlt {
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
    component_ = std::make_shared<RegExp>();
    component_->set_ignore_case(ignore_case);
    component_->set_multiline(multiline);
    component_->set_global(global_search);
    const Text pattern =
        quote_substitution ? replace_all(pattern_text, kQuoteToken, "\"") : pattern_text;
    component_->set_pattern(gbk::decode(before_nul(pattern)));
    if (component_->is_valid()) {  // an invalid pattern needs no decoded source
        matches_ = component_->execute(
            gbk::decode(before_nul(source), RegExpMatches::spare_subject_buffer()));
    }
    return matches_ != nullptr;
}

Text RegexObject::current_pattern() const {
    return component_ ? to_text(component_->pattern()) : Text();
}

Text RegexObject::replace(const Text& replacement) const {
    if (!matches_) {
        return {};  // no valid pattern ran over the source
    }
    const auto result =
        component_->replace(matches_->subject(), gbk::decode(before_nul(replacement)));
    return result ? to_text(*result) : Text();
}

std::int32_t RegexObject::match_count() const {
    return matches_ ? static_cast<std::int32_t>(matches_->count()) : 0;
}

Text RegexObject::match_text(std::int32_t match_index) const {
    if (!matches_ || match_index < 1 || static_cast<std::size_t>(match_index) > matches_->count()) {
        return {};
    }
    return to_text(matches_->item(match_index - 1).value());
}

Text RegexObject::sub_match_text(std::int32_t match_index, std::int32_t sub_index) const {
    if (!matches_ || match_index < 1 || static_cast<std::size_t>(match_index) > matches_->count() ||
        sub_index < 1 || static_cast<std::size_t>(sub_index) > matches_->group_count()) {
        return {};
    }
    return to_text(matches_->item(match_index - 1).sub_match(sub_index - 1));
}

std::int32_t RegexObject::sub_match_count() const {
    if (!matches_ || matches_->count() == 0) {
        return 0;
    }
    return static_cast<std::int32_t>(matches_->item(0).sub_match_count());
}

}  // namespace xlt
