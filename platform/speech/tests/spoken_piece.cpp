// A worker's account of a piece: what goes in comes out, and bytes that are no
// such account are refused rather than read past their end.
#include "spoken_piece.h"

#include <gtest/gtest.h>

namespace speech {
namespace {

TEST(SpokenPiece, ComesBackAsItWasSentAndDamagedBytesAreRefused)
{
    SpokenPiece piece;
    piece.samples = 5'000'000'000ull;  // past 32 bits: a long piece's offsets stay whole
    piece.events = {{SpokenEvent::Kind::Sentence, 0, 12, 0},
                    {SpokenEvent::Kind::Word, 0, 5, 10},
                    {SpokenEvent::Kind::SentenceEnd, 0, 12, 4'999'999'999ull}};
    const std::string bytes = EncodeSpokenPiece(piece);
    std::optional<SpokenPiece> decoded = DecodeSpokenPiece(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->samples, piece.samples);
    EXPECT_EQ(decoded->events, piece.events);
    EXPECT_TRUE(DecodeSpokenPiece(EncodeSpokenPiece({})));

    EXPECT_FALSE(DecodeSpokenPiece(bytes.substr(0, bytes.size() - 1))) << "cut short";
    EXPECT_FALSE(DecodeSpokenPiece(bytes + "x")) << "something after";
    EXPECT_FALSE(DecodeSpokenPiece("")) << "nothing";
    std::string unknownKind = bytes;
    unknownKind[16] = 9;  // the first record's kind
    EXPECT_FALSE(DecodeSpokenPiece(unknownKind));
}

}  // namespace
}  // namespace speech
