#include "framed_piece_encoder.h"

#include <sapi.h>

#include <algorithm>
#include <cstdlib>

namespace speech {
namespace {

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t step) { return (value + step - 1) / step * step; }

}  // namespace

FramedPieceEncoder::FramedPieceEncoder(const CodecFactory& createCodec, const PieceFormat& format, PacketSink sink)
    : format_(format), sink_(std::move(sink))
{
    codec_ = createCodec([this](const std::uint8_t* data, std::size_t size, std::uint32_t duration) {
        return Forward(data, size, duration);
    });
    if (!codec_) return;
    frame_ = codec_->FrameSamples();
    // Silence before the first sample makes the priming whole frames, which are dropped.
    const std::uint64_t delay = codec_->Delay();
    priming_ = RoundUp(delay, frame_) / frame_;
    std::vector<std::int16_t> silence((priming_ * frame_ - delay) * format_.channels, 0);
    if (!silence.empty()) codec_->Encode(silence.data(), silence.size() / format_.channels);
    firstKept_ = format_.startsFile ? 0 : priming_ + (format_.hasPrevious ? kCarriedFrames : 0);
}

HRESULT FramedPieceEncoder::Forward(const std::uint8_t* data, std::size_t size, std::uint32_t duration)
{
    const std::uint64_t packet = packet_++;
    if (packet < firstKept_ || packet >= lastKept_) return S_OK;
    ++keptPackets_;
    return sink_(data, size, duration);
}

void FramedPieceEncoder::NoteSound(const std::int16_t* samples, std::size_t frames)
{
    if (firstSound_ != ~0ull && pendingMarks_.empty()) return;
    for (std::size_t f = 0; f < frames; ++f) {
        bool loud = false;
        for (std::size_t c = 0; c < format_.channels; ++c)
            loud = loud || std::abs(samples[f * format_.channels + c]) >= kSilenceLevel;
        if (!loud) continue;
        if (firstSound_ == ~0ull) firstSound_ = own_ + f;
        for (std::uint64_t mark : pendingMarks_)
            chapterSounds_.push_back(std::max<std::uint64_t>(mark, own_ + f));
        pendingMarks_.clear();
        return;
    }
}

void FramedPieceEncoder::MarkChapter() { pendingMarks_.push_back(own_); }

HRESULT FramedPieceEncoder::Push(const std::int16_t* samples, std::size_t frames)
{
    if (ownEnded_) return E_UNEXPECTED;
    NoteSound(samples, frames);
    own_ += frames;
    tail_.insert(tail_.end(), samples, samples + frames * format_.channels);
    // Whole frames at a time keep the codec's buffer copies few.
    if (tail_.size() / format_.channels < frame_ * 4) return S_OK;
    return FeedTailDownTo(frame_);
}

HRESULT FramedPieceEncoder::FeedTailDownTo(std::size_t keep)
{
    const std::size_t frames = tail_.size() / format_.channels;
    if (frames <= keep) return S_OK;
    const std::size_t feed = frames - keep;
    if (HRESULT hr = codec_->Encode(tail_.data(), feed); FAILED(hr)) return hr;
    tail_.erase(tail_.begin(), tail_.begin() + static_cast<std::ptrdiff_t>(feed * format_.channels));
    fed_ += feed;
    return S_OK;
}

std::size_t FramedPieceEncoder::TrailingSilence() const
{
    std::size_t frames = 0;
    for (std::size_t end = tail_.size(); end >= format_.channels; end -= format_.channels, ++frames)
        for (std::size_t c = 1; c <= format_.channels; ++c)
            if (std::abs(tail_[end - c]) >= kSilenceLevel) return frames;
    return frames;
}

// The piece becomes whole frames long: less than half a frame of silence at its
// end is cut when there is that much, else silence pads it.
HRESULT FramedPieceEncoder::EndOwnSamples()
{
    if (ownEnded_) return S_OK;
    ownEnded_ = true;
    for (std::uint64_t mark : pendingMarks_) chapterSounds_.push_back(std::max(mark, own_));
    pendingMarks_.clear();
    const std::uint64_t over = own_ % frame_;
    if (over != 0 && over <= frame_ / 2 && over <= TrailingSilence()) {
        tail_.resize(tail_.size() - over * format_.channels);
        ownLength_ = own_ - over;
    } else {
        ownLength_ = RoundUp(std::max<std::uint64_t>(own_, 1), frame_);
        tail_.resize(tail_.size() + (ownLength_ - own_) * format_.channels, 0);
    }
    lastKept_ = priming_ + ownLength_ / frame_ + (format_.hasNext ? kCarriedFrames : 0);
    return FeedTailDownTo(0);
}

std::size_t FramedPieceEncoder::FollowingFramesWanted() const
{
    // The carried frames, the frames whose windows reach into them, and the lookahead.
    return format_.hasNext ? std::size_t{(kCarriedFrames + 2) * frame_ + codec_->Delay()} : 0;
}

HRESULT FramedPieceEncoder::PushFollowing(const std::int16_t* samples, std::size_t frames)
{
    if (HRESULT hr = EndOwnSamples(); FAILED(hr)) return hr;
    frames = std::min<std::size_t>(frames, FollowingFramesWanted() - std::min<std::uint64_t>(following_, FollowingFramesWanted()));
    following_ += frames;
    return frames ? codec_->Encode(samples, frames) : S_OK;
}

HRESULT FramedPieceEncoder::Finish(PieceSummary& summary)
{
    if (HRESULT hr = EndOwnSamples(); FAILED(hr)) return hr;
    // What the next piece did not give (it is shorter, or there is none) is silence.
    const std::uint64_t wanted = FollowingFramesWanted();
    if (following_ < wanted) {
        std::vector<std::int16_t> silence((wanted - following_) * format_.channels, 0);
        if (HRESULT hr = codec_->Encode(silence.data(), wanted - following_); FAILED(hr)) return hr;
    }
    // The codec gets whole frames, then pushes out what its lookahead holds.
    const std::uint64_t given = priming_ * frame_ - codec_->Delay() + ownLength_ + wanted;
    if (const std::uint64_t pad = RoundUp(given, frame_) - given; pad > 0) {
        std::vector<std::int16_t> silence(pad * format_.channels, 0);
        if (HRESULT hr = codec_->Encode(silence.data(), pad); FAILED(hr)) return hr;
    }
    if (HRESULT hr = codec_->Flush(); FAILED(hr)) return hr;
    const std::uint64_t expected = lastKept_ - firstKept_;
    if (keptPackets_ != expected) return SPERR_ENGINE_FAILED;  // the codec made fewer frames than it must

    const std::uint64_t scale = codec_->TimelineScale(), carried = kCarriedFrames * frame_;
    summary.container = format_.container;
    summary.priming = static_cast<std::uint32_t>((format_.startsFile ? priming_ * frame_ : 0) * scale);
    summary.samples = (ownLength_ + (format_.hasNext ? carried : 0) - (format_.hasPrevious ? carried : 0)) * scale;
    summary.headCarried = static_cast<std::uint32_t>((format_.hasPrevious ? carried : 0) * scale);
    summary.firstSound = std::min(firstSound_, ownLength_) * scale;
    for (std::uint64_t& sound : chapterSounds_) sound = std::min(sound, ownLength_) * scale;
    return S_OK;
}

}  // namespace speech
