// Encodes the samples of one piece of a file into packets of the file's codec.
// Pieces are encoded apart (by the render workers, side by side) and joined
// later, so each piece ends on a whole codec frame, and the silence a fresh
// encoder starts with is taken from the silence at the piece's end: joined, the
// pieces last as long as their samples, and every chapter mark falls where its
// speech begins.
#pragma once

#include "audio_container.h"
#include "encoded_piece.h"

#include <mmreg.h>

#include <memory>
#include <vector>

namespace speech {

struct PieceFormat {
    AudioContainer container = AudioContainer::Wav;
    std::uint32_t sampleRate = 22050;
    std::uint16_t channels = 1;
    bool startsFile = false;   // the file's first piece: its codec's priming is the file's
    bool hasPrevious = false;  // the piece before it carries its first frames
    bool hasNext = false;      // it carries the first frames of the piece after it
};

class PieceEncoder {
public:
    virtual ~PieceEncoder() = default;
    // The piece's own samples: 16-bit, interleaved; `frames` of them per channel.
    virtual HRESULT Push(const std::int16_t* samples, std::size_t frames) = 0;
    // With PieceFormat::hasNext: how many of the next piece's first samples it
    // needs, and those samples, after all of its own.
    virtual std::size_t FollowingFramesWanted() const { return 0; }
    virtual HRESULT PushFollowing(const std::int16_t*, std::size_t) { return S_OK; }
    // A chapter begins with the next sample pushed.
    virtual void MarkChapter() {}
    // Encodes the rest; the summary tells what the piece adds to the file.
    virtual HRESULT Finish(PieceSummary& summary) = 0;
    // After Finish: for each mark, the timeline samples from the piece's start to
    // the first sound after it.
    virtual const std::vector<std::uint64_t>& ChapterSounds() const = 0;
};

// Whether a container's codec takes samples of this format (16-bit PCM, one or two
// channels, a rate the codec knows).
bool CanEncode(AudioContainer container, const WAVEFORMATEX& format);
PieceFormat PieceFormatOf(AudioContainer container, const WAVEFORMATEX& format, bool startsFile);
// Loads the codec's library where it is loaded at run time (FFmpeg, for AAC): S_OK,
// or why the container cannot be written here.
HRESULT LoadEncoder(AudioContainer container);
// Whether the container's codec carries frames over a join (hasPrevious, hasNext):
// the codecs whose windows reach over it.
bool CarriesOverJoins(AudioContainer container);

// An encoder for a compressed container (not Wav) whose packets go to `sink`;
// nullptr with *hr telling why when the codec cannot start.
std::unique_ptr<PieceEncoder> CreatePieceEncoder(const PieceFormat& format, PacketSink sink, HRESULT* hr);

// Samples quieter than this (of 32767) count as silence.
inline constexpr int kSilenceLevel = 64;

}  // namespace speech
