#include "text_pieces.h"

#include <algorithm>
#include <array>

namespace speech {
namespace {

// How good a place to cut is; higher is better.
enum class Cut { None, Character, Blank, LineEnd, ClauseEnd, Paragraph };

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsSpace(char c) { return IsBlank(c) || c == '\n'; }
bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Full-width clause ends need no blank after them.
constexpr std::array<std::string_view, 5> kWideClauseEnds = {"\u3002", "\uFF01", "\uFF1F", "\uFF1B", "\uFF1A"};

// The kind of cut right before `at` (the next piece would begin there).
Cut CutBefore(std::string_view text, std::size_t at)
{
    if (at == 0 || at >= text.size()) return Cut::None;
    if (IsContinuation(text[at])) return Cut::None;
    if (IsSpace(text[at])) return Cut::None;  // blanks stay with the piece before
    std::size_t end = at;  // skip back over the white space before `at`
    int lineEnds = 0;
    while (end > 0 && IsSpace(text[end - 1])) lineEnds += text[--end] == '\n';
    if (lineEnds >= 2) return Cut::Paragraph;
    if (end < at) {
        char last = end > 0 ? text[end - 1] : ' ';
        if (last == '!' || last == '?' || last == ';' || last == ':') return Cut::ClauseEnd;
    }
    for (std::string_view wide : kWideClauseEnds)
        if (end >= wide.size() && text.compare(end - wide.size(), wide.size(), wide) == 0) return Cut::ClauseEnd;
    if (lineEnds == 1) return Cut::LineEnd;
    if (end < at) return Cut::Blank;
    return Cut::Character;
}

// Where the piece that starts at `from` ends.
std::size_t NextCut(std::string_view text, std::size_t from, std::size_t target, std::size_t longest)
{
    if (text.size() - from <= longest) return text.size();
    std::size_t lowest = from + target / 2, highest = from + longest;
    std::size_t best = 0;
    Cut bestKind = Cut::None;
    auto distance = [&](std::size_t at) { return at > from + target ? at - from - target : from + target - at; };
    for (std::size_t at = lowest; at <= highest; ++at) {
        Cut kind = CutBefore(text, at);
        if (kind > bestKind || (kind == bestKind && kind != Cut::None && distance(at) < distance(best))) {
            best = at;
            bestKind = kind;
        }
    }
    return bestKind == Cut::None ? highest : best;  // none: a run of continuation bytes, not UTF-8
}

}  // namespace

std::vector<TextSpan> CutIntoPieces(std::string_view text, std::size_t target, std::size_t longest, bool shrinkTail)
{
    std::vector<TextSpan> spans;
    if (!text.empty() && text.size() <= longest) return {{0, text.size()}};
    for (std::size_t from = 0; from < text.size();) {
        // Pieces shrink towards the end, so that the workers finish close together.
        const std::size_t remaining = shrinkTail ? text.size() - from : target * kTailPieces;
        const std::size_t aim = std::clamp(remaining / kTailPieces, std::max<std::size_t>(target / 4, 1), target);
        std::size_t to = NextCut(text, from, aim, std::max(longest * aim / target, aim));
        spans.push_back({from, to - from});
        from = to;
    }
    return spans;
}

CutText CutIntoPiecesAt(std::string_view text, const std::vector<std::size_t>& starts)
{
    CutText cut;
    std::vector<std::size_t> bounds;
    for (std::size_t start : starts)
        if (start > 0 && start < text.size() && (bounds.empty() || start > bounds.back())) bounds.push_back(start);
    bounds.push_back(text.size());
    std::size_t from = 0;
    for (std::size_t bound : bounds) {
        const std::string_view stretch = text.substr(from, bound - from);
        for (TextSpan span : CutIntoPieces(stretch, kPieceBytes, kLongestPieceBytes, bound == text.size()))
            cut.spans.push_back({from + span.start, span.length});
        from = bound;
    }
    // Every start names the piece that begins there; several starts may share one.
    std::size_t piece = 0;
    for (std::size_t start : starts) {
        while (piece < cut.spans.size() && cut.spans[piece].start + cut.spans[piece].length <= start) ++piece;
        if (piece < cut.spans.size()) cut.startingPieces.push_back(piece);
    }
    return cut;
}

std::size_t Utf8OffsetOfUnits(std::string_view utf8, std::size_t units)
{
    std::size_t at = 0;
    while (at < utf8.size() && units > 0) {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        units -= std::min<std::size_t>(units, byte >= 0xF0 ? 2 : 1);
        ++at;
        while (at < utf8.size() && IsContinuation(utf8[at])) ++at;
    }
    return at;
}

std::size_t Utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (char c : utf8) {
        auto byte = static_cast<unsigned char>(c);
        if (!IsContinuation(c)) ++units;
        if (byte >= 0xF0) ++units;  // a surrogate pair
    }
    return units;
}

}  // namespace speech
