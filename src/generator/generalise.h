// Literal generalisation: turns a piece of the sample text that lies between targets into
// a loose expression fragment that matches it. The piece is cut into characters (double-
// byte characters kept whole), each character becomes a character class where it belongs
// to one, and a long piece keeps only its first two and last three characters around a
// lazy gap.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace xlt {

// The characters of `piece`, in order, cut with Boost.Regex: every character other than a
// half-width space is one token; every half-width space gives two empty tokens in its
// place; the trailing run of half-width and full-width spaces gives none.
std::vector<Text> tokenise_piece(std::string_view piece);

// The fragment that stands for one token: "\d" for digits, "[a-z]" for lower-case
// letters, "[\u4e00-\u9fa5]" for ideographs of U+4E00 to U+9FA5, "[A-Z]" for upper-case
// letters, one space for the empty token. Any other token stands for itself, with a
// backslash before each of \ ^ $ | ? * + ( ) [ ] { } so that it stays literal.
Text classify_token(std::string_view token);

// The fragment for a whole piece. A piece of at most 5 bytes, or one that yields fewer
// than 5 tokens, is written token by token; a longer one keeps its first two and last
// three tokens around a gap, and may add to `blank_count`, which runs on over the pieces
// of one generation and chooses the gap. The trailing spaces of the piece are written
// unchanged after the fragment.
Text generalise_piece(std::string_view piece, int& blank_count);

// What generalise_piece gives for a long piece once `blank_count` is above 1 (the count
// then no longer matters), found by tokenising only the two ends of the piece: the piece is
// cut after single-byte characters, where the tokens of the parts add up to the tokens of
// the whole. Empty when the piece is too short or has no such places to cut.
std::optional<Text> generalise_long_piece_by_ends(std::string_view piece);

// Whether `c` is one of the characters that are special in an expression and must be
// written with a backslash to stand for themselves ("." is left as it is).
bool is_escaped_metachar(char c);

}  // namespace xlt
