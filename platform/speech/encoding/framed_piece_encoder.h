// The piece encoder for codecs with whole frames and priming (Opus, MP3, AAC).
//
// Pieces are encoded apart and joined; to join without a gap, a click or a change
// of length, every piece is made a whole number of frames long (the silence at its
// end is shortened or lengthened by less than a frame), its encoder starts with
// enough silence that its priming fills whole frames, and those frames are dropped
// (the file's first piece keeps them: players skip them). Where the piece before
// it ends, the codec's windows reach over the join, so the piece before carries
// the first few frames of this one: it encodes them from the next piece's own
// first samples (PushFollowing) and this piece drops them. Both encoders thus saw
// the same samples around the frame where one hands over to the other.
#pragma once

#include "frame_codec.h"
#include "piece_encoder.h"

#include <memory>
#include <vector>

namespace speech {

// Frames of the next piece that a piece carries.
inline constexpr std::uint32_t kCarriedFrames = 3;

class FramedPieceEncoder final : public PieceEncoder {
public:
    // `codec` hands its packets to the sink this encoder gives CreateCodec.
    using CodecFactory = std::function<std::unique_ptr<FrameCodec>(PacketSink)>;
    FramedPieceEncoder(const CodecFactory& createCodec, const PieceFormat& format, PacketSink sink);

    bool Started() const { return codec_ != nullptr; }
    HRESULT Push(const std::int16_t* samples, std::size_t frames) override;
    std::size_t FollowingFramesWanted() const override;
    HRESULT PushFollowing(const std::int16_t* samples, std::size_t frames) override;
    void MarkChapter() override;
    HRESULT Finish(PieceSummary& summary) override;
    const std::vector<std::uint64_t>& ChapterSounds() const override { return chapterSounds_; }

private:
    HRESULT Forward(const std::uint8_t* data, std::size_t size, std::uint32_t duration);
    HRESULT FeedTailDownTo(std::size_t keep);
    std::size_t TrailingSilence() const;
    HRESULT EndOwnSamples();
    void NoteSound(const std::int16_t* samples, std::size_t frames);

    PieceFormat format_;
    PacketSink sink_;
    std::unique_ptr<FrameCodec> codec_;
    std::uint64_t frame_ = 1, priming_ = 0;  // priming frames, encoder silence included
    std::vector<std::int16_t> tail_;         // own samples held back, interleaved
    std::uint64_t own_ = 0;                  // own frames pushed
    std::uint64_t fed_ = 0;                  // own frames given to the codec
    std::uint64_t ownLength_ = 0;            // once the own samples ended: frames after padding
    bool ownEnded_ = false;
    std::uint64_t following_ = 0;            // frames of the next piece given to the codec
    std::uint64_t packet_ = 0;               // packets the codec has made
    std::uint64_t firstKept_ = 0, lastKept_ = ~0ull;
    std::uint32_t keptPackets_ = 0;
    // Sound: the first sound of the piece and after each chapter mark.
    std::uint64_t firstSound_ = ~0ull;
    std::vector<std::uint64_t> pendingMarks_;  // own frame indexes of marks not yet heard
    std::vector<std::uint64_t> chapterSounds_;
};

}  // namespace speech
