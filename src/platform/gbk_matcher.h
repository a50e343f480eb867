// A second engine for the regular-expression component that runs simple patterns
// straight over GBK text: no UTF-16 copy of a page is made, and matches come out as
// byte offsets, so that reading them back is a copy of the bytes.
//
// It takes the patterns whose tree the translator gives (one-unit atoms with any
// quantifier, groups without one, alternation, ^ $ \b \B) and the texts that decode
// one character per pair or single byte ("plain" GBK: every lead byte 0x81-0xFE has a
// trail byte 0x40-0x7E or 0x80-0xFE, and there is no lone 0x80 or 0xFF), where every
// character is one UTF-16 unit: there it finds exactly what the component finds over
// the decoded text, by backtracking in the same order. Anything else, and any search
// that needs more work than a budget (where the general engine's own limits and
// optimisations decide), is left to the general engine.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/regexp_translate.h"

namespace xlt::gbk {

// The vector instructions the lead-byte map and the searches for anchor bytes are
// made with: the widest the processor has, or one level (tests check each level the
// processor can run).
enum class VectorLevel { widest, avx512, avx2, baseline };

class DirectMatcher {
public:
    // Null when the tree holds something this engine does not run.
    static std::unique_ptr<DirectMatcher> build(const regexp::SimpleNode& tree,
                                                std::uint32_t groups);
    ~DirectMatcher();

    static constexpr std::uint32_t kUnset = 0xFFFFFFFF;

    // Every non-overlapping match from left to right (only the first unless `global`;
    // after an empty match the next try starts one character later), appended to
    // `offsets` as byte offsets: the match's start and end, then each group's, kUnset
    // for a group that took no part. False, with `offsets` as it was, when the text is
    // not plain GBK or a search went over the budget. With `copy` (room for the text),
    // the text is copied there on the way, for callers that keep it: cheaper than a
    // second pass over a large text.
    //
    // A global run over a text of `two_threads_from` bytes or more is shared with a
    // second thread (each takes pieces of the text in turn); the matches are the same.
    // Tests lower the size to check that.
    //
    // With `nul_at`, a text holding a NUL byte is not run (false), and a NUL found on
    // the way is reported there, for callers whose texts end at their first NUL: they
    // learn of it without a pass of their own. The position given is that of the first
    // NUL, unless the text is not plain before it either.
    bool run(std::string_view text, bool global, std::vector<std::uint32_t>& offsets,
             char* copy = nullptr, std::size_t two_threads_from = kTwoThreadsFrom,
             std::size_t* nul_at = nullptr) const;

    static constexpr std::size_t kTwoThreadsFrom = 1 << 20;

    std::uint32_t groups() const;

    // A copy whose searches for anchor bytes use the vector instructions of `level`;
    // null when the processor can't run them. With `scanner_option` (from 0), every
    // place where a match or a lazy repeat's next stop can start is looked for with that
    // one of the ways to find it (modulo their number) instead of the way a sample of
    // the text favours. For tests, which check each level and each way.
    std::unique_ptr<DirectMatcher> at_level(VectorLevel level, int scanner_option = -1) const;

    struct Program;  // the compiled steps; internal

private:
    explicit DirectMatcher(std::unique_ptr<Program> program);
    std::unique_ptr<Program> program_;
};

bool can_run(VectorLevel level);

// Whether `text` is plain GBK; on success `leads` has one bit per byte, set where a
// two-byte character starts. Exposed for tests. (False for a level the processor can't
// run.)
bool map_lead_bytes(std::string_view text, std::vector<std::uint64_t>& leads, char* copy = nullptr,
                    VectorLevel level = VectorLevel::widest);

}  // namespace xlt::gbk
