#include "platform/vbscript_regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <limits>

#include "platform/gbk_matcher.h"
#include "platform/regexp_translate.h"

namespace xlt {
namespace {

constexpr std::uint32_t kUnset = std::numeric_limits<std::uint32_t>::max();

// Bounds of one run. A match attempt that backtracks past the match limit, or needs
// more than the heap limit (interpreter) or the JIT stack, ends the run as failed; the
// limits leave ample room for real pages (a repeat over a few million units).
constexpr std::uint32_t kMatchLimit = 50'000'000;
constexpr std::uint32_t kHeapLimitKiB = 256 * 1024;
constexpr std::size_t kJitStackStart = 64 * 1024;
constexpr std::size_t kJitStackMax = 256 * 1024 * 1024;

struct CompileContextDeleter {
    void operator()(pcre2_compile_context* c) const { pcre2_compile_context_free(c); }
};
struct CodeDeleter {
    void operator()(pcre2_code* c) const { pcre2_code_free(c); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* c) const { pcre2_match_context_free(c); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* d) const { pcre2_match_data_free(d); }
};
struct JitStackDeleter {
    void operator()(pcre2_jit_stack* s) const { pcre2_jit_stack_free(s); }
};

// Buffers of released collections, kept for the next one on the same thread (at most
// one of each, the largest below a cap).
constexpr std::size_t kSpareCapUnits = 64 * 1024 * 1024;
struct SpareBuffers {
    std::u16string subject;
    std::vector<std::uint32_t> offsets;
};
thread_local SpareBuffers spare;

std::string error_text(int code) {
    PCRE2_UCHAR buffer[256];
    const int n = pcre2_get_error_message(code, buffer, 256);
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += static_cast<char>(buffer[i] < 0x80 ? buffer[i] : '?');
    }
    return out;
}

}  // namespace

struct RegExp::Compiled {
    std::unique_ptr<pcre2_code, CodeDeleter> code;
    std::uint32_t groups = 0;
    bool jit = false;        // compiled to machine code: matched through the JIT's own entry
    bool jit_tried = false;  // done on the first run: callers that match GBK text
                             // directly may never need it
    std::string error;
    std::unique_ptr<gbk::DirectMatcher> direct;
};

std::u16string_view RegExpMatch::value() const {
    return std::u16string_view(*subject_).substr(offsets_[0], offsets_[1] - offsets_[0]);
}

bool RegExpMatch::sub_match_taken_part(std::size_t index) const {
    return index < groups_ && offsets_[2 + 2 * index] != kUnset;
}

std::u16string_view RegExpMatch::sub_match(std::size_t index) const {
    if (!sub_match_taken_part(index)) {
        return {};
    }
    const std::uint32_t start = offsets_[2 + 2 * index];
    const std::uint32_t end = offsets_[3 + 2 * index];
    return std::u16string_view(*subject_).substr(start, end - start);
}

RegExpMatches::~RegExpMatches() {
    if (subject_.capacity() > spare.subject.capacity() && subject_.capacity() <= kSpareCapUnits) {
        spare.subject = std::move(subject_);
    }
    if (offsets_.capacity() > spare.offsets.capacity() && offsets_.capacity() <= kSpareCapUnits) {
        spare.offsets = std::move(offsets_);
    }
}

std::u16string RegExpMatches::spare_subject_buffer() {
    std::u16string buffer = std::move(spare.subject);
    spare.subject = std::u16string();
    buffer.clear();
    return buffer;
}

RegExp::RegExp() = default;
RegExp::~RegExp() = default;

void RegExp::set_pattern(std::u16string_view pattern) {
    pattern_.assign(pattern);
    compiled_.reset();
}

void RegExp::set_ignore_case(bool on) {
    if (on != ignore_case_) {
        ignore_case_ = on;
        compiled_.reset();
    }
}

void RegExp::set_multiline(bool on) {
    if (on != multiline_) {
        multiline_ = on;
        compiled_.reset();
    }
}

const RegExp::Compiled* RegExp::compiled() const {
    if (compiled_) {
        return compiled_.get();
    }
    compiled_ = std::make_unique<Compiled>();
    Compiled& c = *compiled_;
    const regexp::Translation t = regexp::translate(pattern_, ignore_case_, multiline_);
    if (!t.ok) {
        c.error = t.error;
        return compiled_.get();
    }
    std::unique_ptr<pcre2_compile_context, CompileContextDeleter> context(
        pcre2_compile_context_create(nullptr));
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);  // "." stops at LF only
    const std::uint32_t options = PCRE2_MATCH_UNSET_BACKREF | PCRE2_NEVER_UTF | PCRE2_NEVER_UCP |
                                  PCRE2_NEVER_BACKSLASH_C | (ignore_case_ ? PCRE2_CASELESS : 0);
    int code = 0;
    PCRE2_SIZE offset = 0;
    c.code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(t.pattern.data()), t.pattern.size(),
                               options, &code, &offset, context.get()));
    if (!c.code) {
        c.error = error_text(code);
        return compiled_.get();
    }
    c.groups = t.groups;
    if (t.simple) {
        c.direct = gbk::DirectMatcher::build(*t.simple, t.groups);
    }
    return compiled_.get();
}

bool RegExp::is_valid() const {
    return compiled()->code != nullptr;
}

std::string RegExp::error() const {
    return compiled()->error;
}

const gbk::DirectMatcher* RegExp::direct_matcher() const {
    return compiled()->direct.get();
}

bool RegExp::run(const std::u16string& subject, RegExpMatches& into) const {
    compiled();
    Compiled* c = compiled_.get();
    if (!c->code || subject.size() >= kUnset) {
        return false;
    }
    if (!c->jit_tried) {
        // Without the JIT (not built in, or out of memory) the interpreter runs instead.
        c->jit = pcre2_jit_compile(c->code.get(), PCRE2_JIT_COMPLETE) == 0;
        c->jit_tried = true;
    }
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(
        pcre2_match_context_create(nullptr));
    pcre2_set_match_limit(context.get(), kMatchLimit);
    pcre2_set_heap_limit(context.get(), kHeapLimitKiB);
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> stack(
        pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
    if (stack) {
        pcre2_jit_stack_assign(context.get(), nullptr, stack.get());
    }
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create(c->groups + 1, nullptr));
    if (!data) {
        return false;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    const std::size_t pairs = c->groups + 1;
    into.groups_ = c->groups;
    if (into.offsets_.capacity() < spare.offsets.capacity()) {
        into.offsets_.swap(spare.offsets);
    }
    into.offsets_.clear();
    const auto* units = reinterpret_cast<PCRE2_SPTR>(subject.data());
    std::size_t start = 0;
    while (start <= subject.size()) {
        const int rc = c->jit ? pcre2_jit_match(c->code.get(), units, subject.size(), start, 0,
                                                data.get(), context.get())
                              : pcre2_match(c->code.get(), units, subject.size(), start, 0,
                                            data.get(), context.get());
        if (rc == PCRE2_ERROR_NOMATCH) {
            break;
        }
        if (rc < 0) {
            into.offsets_.clear();
            return false;  // match limit, heap limit, JIT stack or memory
        }
        for (std::size_t k = 0; k < pairs; ++k) {
            const bool set = static_cast<int>(k) < rc && ovector[2 * k] != PCRE2_UNSET;
            into.offsets_.push_back(set ? static_cast<std::uint32_t>(ovector[2 * k]) : kUnset);
            into.offsets_.push_back(set ? static_cast<std::uint32_t>(ovector[2 * k + 1]) : kUnset);
        }
        if (!global_) {
            break;
        }
        start = ovector[1] == ovector[0] ? ovector[1] + 1 : ovector[1];
    }
    return true;
}

std::shared_ptr<const RegExpMatches> RegExp::execute(std::u16string subject) const {
    auto matches = std::make_shared<RegExpMatches>();
    matches->subject_ = std::move(subject);
    if (!run(matches->subject_, *matches)) {
        return nullptr;
    }
    return matches;
}

std::optional<std::u16string> RegExp::replace(std::u16string_view source,
                                              std::u16string_view replacement) const {
    RegExpMatches matches;
    matches.subject_.assign(source);
    if (!run(matches.subject_, matches)) {
        return std::nullopt;
    }
    const std::u16string_view subject = matches.subject_;
    const std::size_t groups = matches.group_count();
    std::u16string out;
    out.reserve(subject.size());
    std::size_t copied = 0;
    for (std::size_t i = 0; i < matches.count(); ++i) {
        const RegExpMatch m = matches.item(i);
        out.append(subject.substr(copied, m.first_index() - copied));
        for (std::size_t k = 0; k < replacement.size(); ++k) {
            const char16_t c = replacement[k];
            const char16_t next = k + 1 < replacement.size() ? replacement[k + 1] : 0;
            if (c != '$' || k + 1 == replacement.size()) {
                out += c;
            } else if (next == '$') {
                out += u'$';
                ++k;
            } else if (next == '&') {
                out.append(m.value());
                ++k;
            } else if (next == '`') {
                out.append(subject.substr(0, m.first_index()));
                ++k;
            } else if (next == '\'') {
                out.append(subject.substr(m.first_index() + m.length()));
                ++k;
            } else if (next >= '0' && next <= '9') {
                // Two digits when they name a group, else one digit when it does.
                const std::size_t n = next - '0';
                const char16_t after = k + 2 < replacement.size() ? replacement[k + 2] : 0;
                if (after >= '0' && after <= '9' && n * 10 + (after - '0') >= 1 &&
                    n * 10 + (after - '0') <= groups) {
                    out.append(m.sub_match(n * 10 + (after - '0') - 1));
                    k += 2;
                } else if (n >= 1 && n <= groups) {
                    out.append(m.sub_match(n - 1));
                    k += 1;
                } else {
                    out += c;
                }
            } else {
                out += c;
            }
        }
        copied = m.first_index() + m.length();
    }
    out.append(subject.substr(copied));
    return out;
}

}  // namespace xlt
