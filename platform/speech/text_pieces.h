// Cuts a long text into pieces that can be synthesized one by one and joined
// again: where espeak-ng itself ends a clause, so each piece is said as it would
// have been said inside the whole.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace speech {

struct TextSpan {
    std::size_t start = 0;   // byte offset into the UTF-8 text
    std::size_t length = 0;  // bytes
};

// Bytes a piece aims at, and the most it may have.
inline constexpr std::size_t kPieceBytes = 2500;
inline constexpr std::size_t kLongestPieceBytes = kPieceBytes * 3 / 2;
// The last this many pieces' worth of text is cut ever smaller, down to a quarter.
inline constexpr std::size_t kTailPieces = 4;

// Consecutive spans covering the whole UTF-8 text, each at most `longest` bytes
// (one span when the text fits); in the last kTailPieces * target bytes the aim and
// the most shrink with the text left, down to a quarter of `target`. A cut prefers, in this order: a blank line, a
// clause end (! ? ; : before white space, or the full-width 。！？；：), a line end,
// a blank between words; a text with none of them is cut between characters.
// `shrinkTail` false keeps the aim to the end (a stretch of text that more follows).
std::vector<TextSpan> CutIntoPieces(std::string_view text, std::size_t target = kPieceBytes,
                                    std::size_t longest = kLongestPieceBytes, bool shrinkTail = true);

// Pieces as CutIntoPieces cuts them, and also at each of `starts` (byte offsets,
// ascending), so that no piece runs across one; the index of the piece that
// begins at each start (a start at the text's end has none).
struct CutText {
    std::vector<TextSpan> spans;
    std::vector<std::size_t> startingPieces;
};
CutText CutIntoPiecesAt(std::string_view text, const std::vector<std::size_t>& starts);

// The UTF-16 units that UTF-8 text takes (4-byte sequences take two).
std::size_t Utf16Length(std::string_view utf8);
// The byte offset in UTF-8 text where `units` UTF-16 units of it end (the text's
// size when it is shorter; a position inside a character moves to its end).
std::size_t Utf8OffsetOfUnits(std::string_view utf8, std::size_t units);

}  // namespace speech
