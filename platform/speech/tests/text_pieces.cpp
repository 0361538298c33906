#include "text_pieces.h"

#include <gtest/gtest.h>

#include <string>

namespace speech {
namespace {

// The pieces joined give the text back, and none is longer than allowed.
void ExpectCover(std::string_view text, const std::vector<TextSpan>& spans, std::size_t longest)
{
    std::size_t at = 0;
    for (const TextSpan& span : spans) {
        EXPECT_EQ(span.start, at);
        EXPECT_GT(span.length, 0u);
        EXPECT_LE(span.length, longest);
        at += span.length;
    }
    EXPECT_EQ(at, text.size());
}

std::string Repeat(std::string_view part, std::size_t bytes)
{
    std::string text;
    while (text.size() < bytes) text += part;
    return text;
}

TEST(TextPieces, AShortTextIsOnePiece)
{
    std::string text = Repeat("Short words here! ", 2 * kLongestPieceBytes);
    auto spans = CutIntoPieces(text.substr(0, kLongestPieceBytes));
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].length, kLongestPieceBytes);
    EXPECT_TRUE(CutIntoPieces("").empty());
}

TEST(TextPieces, CutsRightAfterClauseEndsAndTheirBlanks)
{
    std::string text = Repeat("one two three four five six seven eight nine ten; eleven twelve thirteen fourteen\n", 20000);
    auto spans = CutIntoPieces(text);
    ExpectCover(text, spans, kLongestPieceBytes);
    ASSERT_GT(spans.size(), 4u);
    for (std::size_t i = 0; i + 1 < spans.size(); ++i) {
        std::string_view piece = std::string_view(text).substr(spans[i].start, spans[i].length);
        // A semicolon beats a line end: both occur in every window.
        EXPECT_TRUE(piece.ends_with("; ")) << i;
    }
}

TEST(TextPieces, ABlankLineBeatsOtherClauseEnds)
{
    // Paragraphs short enough for even the smallest piece at the end to hold one.
    std::string paragraph = Repeat("Is it so? It is! ", 550) + "\n\n";
    std::string text = Repeat(paragraph, 12000);
    auto spans = CutIntoPieces(text);
    ExpectCover(text, spans, kLongestPieceBytes);
    for (std::size_t i = 0; i + 1 < spans.size(); ++i)
        EXPECT_TRUE(std::string_view(text).substr(spans[i].start, spans[i].length).ends_with("\n\n")) << i;
}

TEST(TextPieces, TheLastPiecesAreSmallerSoTheWorkersFinishTogether)
{
    std::string text = Repeat("lorem ipsum dolor sit amet consectetur ", 30000);
    auto spans = CutIntoPieces(text);
    ExpectCover(text, spans, kLongestPieceBytes);
    ASSERT_GT(spans.size(), 12u);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_GE(spans[i].length, kPieceBytes / 2) << i;
    for (std::size_t i = spans.size() - 3; i < spans.size(); ++i) EXPECT_LE(spans[i].length, kLongestPieceBytes / 4) << i;
    for (std::size_t i = 0; i + 1 < spans.size(); ++i)
        EXPECT_GE(spans[i].length + 40, spans[i + 1].length) << "pieces only shrink, give or take a word: " << i;
}

TEST(TextPieces, FullWidthClauseEndsNeedNoBlank)
{
    std::string text = Repeat("白日依山尽黄河入海流。欲穷千里目更上一层楼！", 12000);
    auto spans = CutIntoPieces(text);
    ExpectCover(text, spans, kLongestPieceBytes);
    for (std::size_t i = 0; i + 1 < spans.size(); ++i) {
        std::string_view piece = std::string_view(text).substr(spans[i].start, spans[i].length);
        EXPECT_TRUE(piece.ends_with("。") || piece.ends_with("！")) << i;
    }
}

TEST(TextPieces, ATextWithoutClauseEndsIsCutAtBlanksBetweenWords)
{
    std::string text = Repeat("lorem ipsum dolor sit amet consectetur ", 12000);
    auto spans = CutIntoPieces(text);
    ExpectCover(text, spans, kLongestPieceBytes);
    ASSERT_GT(spans.size(), 2u);
    for (std::size_t i = 0; i + 1 < spans.size(); ++i) {
        EXPECT_EQ(text[spans[i].start + spans[i].length - 1], ' ') << i;
        EXPECT_NE(text[spans[i + 1].start], ' ') << i;
    }
}

TEST(TextPieces, ATextWithoutBlanksIsCutBetweenCharactersNeverInsideOne)
{
    std::string text = Repeat("ä€𝄞x", 10000);  // 2-, 3-, 4- and 1-byte characters
    auto spans = CutIntoPieces(text);
    ExpectCover(text, spans, kLongestPieceBytes);
    for (const TextSpan& span : spans) EXPECT_NE(static_cast<unsigned char>(text[span.start]) & 0xC0, 0x80u);
}

TEST(TextPieces, Utf16LengthCountsSurrogatePairsTwice)
{
    EXPECT_EQ(Utf16Length(""), 0u);
    EXPECT_EQ(Utf16Length("ab"), 2u);
    EXPECT_EQ(Utf16Length("ä€𝄞"), 4u);
}

}  // namespace
}  // namespace speech
