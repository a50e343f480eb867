#include "generator/plain_generate.h"

#include "generator/generalise.h"
#include "generator/generate_steps.h"

namespace xlt {
namespace {

struct Segment {
    bool untouched;  // still as it stood in the sample
    Text text;       // the sample's bytes, or what replaced them
    bool marker;     // a target's replacement
};

// Every occurrence of `needle` inside the untouched segments, found with a character-
// aligned scan from each segment's start, becomes a segment holding `replacement`.
std::vector<Segment> replace_in_untouched(const std::vector<Segment>& segments,
                                          std::string_view needle, const Text& replacement,
                                          bool marker) {
    if (needle.empty()) {
        return segments;
    }
    std::vector<Segment> out;
    for (const Segment& segment : segments) {
        if (!segment.untouched) {
            out.push_back(segment);
            continue;
        }
        std::size_t from = 0;
        for (std::size_t at; (at = find_aligned(segment.text, needle, from)) != Text::npos;) {
            if (at > from) {
                out.push_back({true, segment.text.substr(from, at - from), false});
            }
            out.push_back({false, replacement, marker});
            from = at + needle.size();
        }
        if (from < segment.text.size()) {
            out.push_back({true, segment.text.substr(from), false});
        }
    }
    return out;
}

}  // namespace

Text generate_expression_plain(std::string_view sample, const std::vector<TargetEntry>& rows,
                               bool submatch_mode) {
    std::vector<Segment> segments;
    if (!sample.empty()) {
        segments.push_back({true, Text(sample), false});
    }
    for (const TargetEntry& row : rows) {
        segments = replace_in_untouched(segments, row.text,
                                        generation::marker_fragment(row, submatch_mode), true);
    }

    std::vector<Text> pieces;
    Text current;
    for (const Segment& segment : segments) {
        if (segment.marker) {
            pieces.push_back(current);
            current.clear();
        } else {
            current += segment.text;
        }
    }
    if (!current.empty()) {
        pieces.push_back(current);
    }

    int blank_count = 0;
    for (const Text& piece : pieces) {
        const Text fragment = generalise_piece(piece, blank_count);
        segments = replace_in_untouched(segments, piece, fragment, false);
    }

    Text expression;
    for (const Segment& segment : segments) {
        if (!segment.untouched) {
            expression += segment.text;
            continue;
        }
        for (std::size_t pos = 0; pos < segment.text.size();) {
            const std::size_t length = char_length(segment.text, pos);
            if (length == 1 && is_escaped_metachar(segment.text[pos])) {
                expression += '\\';
            }
            expression.append(segment.text, pos, length);
            pos += length;
        }
    }
    return generation::finish_expression(std::move(expression));
}

}  // namespace xlt
