#include "generator/generate.h"

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_set>

#include "generator/generalise.h"
#include "generator/generate_steps.h"
#include "generator/substring_index.h"

namespace xlt {
namespace {

// The bytes of the sample that no replacement has taken yet, as disjoint regions, with the
// places where characters start. Inside a region characters are counted from the region's
// start, as a replacement scan that goes on after each occurrence counts them.
class UntouchedText {
public:
    explicit UntouchedText(std::string_view sample) : sample_(sample), char_start_(sample.size()) {
        if (!sample.empty()) {
            regions_.emplace(0, sample.size());
            mark_char_starts(0, sample.size());
        }
    }

    // Takes [pos, pos + length) when it lies inside one region and begins a character
    // there; the rest of the region stays untouched on either side.
    bool take(std::size_t pos, std::size_t length) {
        auto region = regions_.upper_bound(pos);
        if (region == regions_.begin()) {
            return false;
        }
        --region;
        const auto [start, end] = *region;
        if (pos + length > end || !char_start_[pos]) {
            return false;
        }
        regions_.erase(region);
        if (start < pos) {
            regions_.emplace(start, pos);
        }
        const std::size_t after = pos + length;
        if (after < end) {
            regions_.emplace(after, end);
            if (!char_start_[after]) {
                realign(after, end);
            }
        }
        return true;
    }

    bool is_char_start(std::size_t pos) const { return char_start_[pos] != 0; }

private:
    void mark_char_starts(std::size_t from, std::size_t end) {
        for (std::size_t pos = from; pos < end;) {
            char_start_[pos] = 1;
            const std::size_t length = char_length(sample_, pos);
            if (length == 2 && pos + 1 < end) {
                char_start_[pos + 1] = 0;
            }
            pos += length;
        }
    }

    // A region that now begins in the middle of what was a double-byte character counts its
    // characters afresh from its start, until the count meets a character start it already
    // had; from there on both counts agree.
    void realign(std::size_t from, std::size_t end) {
        std::size_t pos = from;
        do {
            char_start_[pos] = 1;
            const std::size_t length = char_length(sample_, pos);
            if (length == 2 && pos + 1 < end) {
                char_start_[pos + 1] = 0;
            }
            pos += length;
        } while (pos < end && !char_start_[pos]);
    }

    std::string_view sample_;
    std::map<std::size_t, std::size_t> regions_;  // start -> end
    std::vector<char> char_start_;
};

struct Replacement {
    std::size_t start;
    std::size_t length;
    std::size_t text;  // index into the replacement texts
};

}  // namespace

Text generate_expression(std::string_view sample, const std::vector<TargetEntry>& rows,
                         bool submatch_mode) {
    const SubstringIndex index(sample);
    UntouchedText untouched(sample);
    std::vector<Text> texts;
    std::vector<Replacement> replacements;

    // Replaces every occurrence of `needle` in the untouched text, left to right and
    // without overlap, by texts[text].
    auto replace_untouched = [&](std::string_view needle, std::size_t text) {
        for (const std::size_t pos : index.occurrences(needle)) {
            if (untouched.take(pos, needle.size())) {
                replacements.push_back({pos, needle.size(), text});
            }
        }
    };

    // Mark the targets, row by row; each marker remembers its row through its text.
    for (const TargetEntry& row : rows) {
        texts.push_back(generation::marker_fragment(row, submatch_mode));
        replace_untouched(row.text, texts.size() - 1);
    }

    // The pieces between the markers: the empty ones before a leading marker and between
    // adjacent markers count, the rest after the last marker only when it is not empty.
    auto by_start = [](const Replacement& a, const Replacement& b) { return a.start < b.start; };
    std::sort(replacements.begin(), replacements.end(), by_start);
    std::vector<std::string_view> pieces;
    std::size_t piece_start = 0;
    for (const Replacement& marker : replacements) {
        pieces.push_back(sample.substr(piece_start, marker.start - piece_start));
        piece_start = marker.start + marker.length;
    }
    if (piece_start < sample.size()) {
        pieces.push_back(sample.substr(piece_start));
    }

    // Generalise the pieces in order. A piece equal to an earlier one finds nothing left to
    // replace, and the empty piece replaces nothing, so neither is searched; a long one
    // still runs through generalisation while its blanks can change the gap.
    int blank_count = 0;
    std::unordered_set<std::string_view> searched;
    for (const std::string_view piece : pieces) {
        const bool search = !piece.empty() && searched.insert(piece).second;
        if (!search && (piece.size() <= 5 || blank_count > 1)) {
            continue;
        }
        std::optional<Text> fragment;
        if (blank_count > 1) {
            fragment = generalise_long_piece_by_ends(piece);
        }
        if (!fragment) {
            fragment = generalise_piece(piece, blank_count);
        }
        if (search) {
            texts.push_back(std::move(*fragment));
            replace_untouched(piece, texts.size() - 1);
        }
    }

    // Write the expression: replaced spans as their texts, untouched text as it stood with
    // its special characters escaped.
    std::sort(replacements.begin(), replacements.end(), by_start);
    Text expression;
    expression.reserve(sample.size() * 2);
    auto write_untouched = [&](std::size_t from, std::size_t to) {
        for (std::size_t pos = from; pos < to; ++pos) {
            if (untouched.is_char_start(pos) && is_escaped_metachar(sample[pos])) {
                expression += '\\';
            }
            expression += sample[pos];
        }
    };
    std::size_t written = 0;
    for (const Replacement& r : replacements) {
        write_untouched(written, r.start);
        expression += texts[r.text];
        written = r.start + r.length;
    }
    write_untouched(written, sample.size());
    return generation::finish_expression(std::move(expression));
}

}  // namespace xlt
