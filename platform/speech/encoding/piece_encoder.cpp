#include "piece_encoder.h"

#include "aac_codec.h"
#include "flac_piece_encoder.h"
#include "framed_piece_encoder.h"
#include "mp3_codec.h"
#include "mp3_frame_header.h"
#include "opus_codec.h"
#include "rate_converter.h"
#include "vorbis_codec.h"

#include <sapi.h>

#include <algorithm>
#include <deque>

namespace speech {
namespace {

// Samples converted to the codec's rate on their way in: the piece's own through
// one converter, the next piece's first samples through a fresh one, as the next
// piece's own encoder converts them.
class ResampledPieceEncoder final : public PieceEncoder {
public:
    ResampledPieceEncoder(std::unique_ptr<PieceEncoder> inner, double ratio) : inner_(std::move(inner)), ratio_(ratio) {}

    bool Start(std::uint32_t from, std::uint32_t to, std::uint16_t channels)
    {
        channels_ = channels;
        own_ = RateConverter::Create(from, to, channels, [this](const std::int16_t* samples, std::size_t frames) {
            return PushConverted(samples, frames);
        });
        following_ = RateConverter::Create(from, to, channels, [this](const std::int16_t* samples, std::size_t frames) {
            return inner_->PushFollowing(samples, frames);
        });
        return own_ && following_;
    }

    HRESULT Push(const std::int16_t* samples, std::size_t frames) override
    {
        pushed_ += frames;
        return own_->Push(samples, frames);
    }
    std::size_t FollowingFramesWanted() const override
    {
        const std::size_t wanted = inner_->FollowingFramesWanted();
        return wanted ? static_cast<std::size_t>(static_cast<double>(wanted) / ratio_) + 64 : 0;
    }
    HRESULT PushFollowing(const std::int16_t* samples, std::size_t frames) override
    {
        if (HRESULT hr = EndOwn(); FAILED(hr)) return hr;
        return following_->Push(samples, frames);
    }
    // The converter holds samples back: the mark goes where the samples before it end.
    void MarkChapter() override { marks_.push_back(static_cast<std::uint64_t>(static_cast<double>(pushed_) * ratio_ + 0.5)); }
    HRESULT Finish(PieceSummary& summary) override
    {
        if (HRESULT hr = EndOwn(); FAILED(hr)) return hr;
        if (HRESULT hr = following_->Finish(); FAILED(hr)) return hr;
        return inner_->Finish(summary);
    }
    const std::vector<std::uint64_t>& ChapterSounds() const override { return inner_->ChapterSounds(); }

private:
    HRESULT EndOwn()
    {
        if (ownEnded_) return S_OK;
        ownEnded_ = true;
        HRESULT hr = own_->Finish();
        for (; !marks_.empty(); marks_.pop_front()) inner_->MarkChapter();
        return hr;
    }

    // Converted samples reach the inner encoder with the marks between them.
    HRESULT PushConverted(const std::int16_t* samples, std::size_t frames)
    {
        while (frames > 0) {
            std::size_t take = frames;
            if (!marks_.empty()) take = static_cast<std::size_t>(std::min<std::uint64_t>(take, marks_.front() - std::min(marks_.front(), converted_)));
            if (take == 0) {
                inner_->MarkChapter();
                marks_.pop_front();
                continue;
            }
            if (HRESULT hr = inner_->Push(samples, take); FAILED(hr)) return hr;
            samples += take * channels_;
            frames -= take;
            converted_ += take;
        }
        return S_OK;
    }

    std::unique_ptr<PieceEncoder> inner_;
    double ratio_;
    std::uint16_t channels_ = 1;
    std::unique_ptr<RateConverter> own_, following_;
    std::uint64_t pushed_ = 0, converted_ = 0;  // frames in, and out of the own converter
    std::deque<std::uint64_t> marks_;            // converted frames before each mark
    bool ownEnded_ = false;
};

std::unique_ptr<PieceEncoder> Framed(const FramedPieceEncoder::CodecFactory& codec, const PieceFormat& format,
                                     PacketSink sink, HRESULT* hr)
{
    auto encoder = std::make_unique<FramedPieceEncoder>(codec, format, std::move(sink));
    if (encoder->Started()) return encoder;
    *hr = SPERR_ENGINE_FAILED;
    return nullptr;
}

// A framed codec at `rate`, the input converted to it when its own rate differs.
std::unique_ptr<PieceEncoder> FramedAt(std::uint32_t rate, const FramedPieceEncoder::CodecFactory& codec,
                                       const PieceFormat& format, PacketSink sink, HRESULT* hr)
{
    PieceFormat coded = format;
    coded.sampleRate = rate;
    std::unique_ptr<PieceEncoder> framed = Framed(codec, coded, std::move(sink), hr);
    if (!framed || rate == format.sampleRate) return framed;
    auto resampled = std::make_unique<ResampledPieceEncoder>(std::move(framed), static_cast<double>(rate) / format.sampleRate);
    if (!resampled->Start(format.sampleRate, rate, format.channels)) {
        *hr = SPERR_ENGINE_FAILED;
        return nullptr;
    }
    return resampled;
}

std::unique_ptr<PieceEncoder> CreateOpusEncoder(const PieceFormat& format, PacketSink sink, HRESULT* hr)
{
    const std::uint32_t rate = OpusCodingRate(format.sampleRate);
    return FramedAt(
        rate, [&](PacketSink packets) { return CreateOpusCodec(rate, format.channels, std::move(packets)); }, format,
        std::move(sink), hr);
}

std::unique_ptr<PieceEncoder> CreateVorbisEncoder(const PieceFormat& format, PacketSink sink, HRESULT* hr)
{
    const std::uint32_t rate = VorbisCodingRate(format.sampleRate);
    return FramedAt(
        rate, [&](PacketSink packets) { return CreateVorbisCodec(rate, format.channels, std::move(packets)); }, format,
        std::move(sink), hr);
}

std::unique_ptr<PieceEncoder> CreateMp3Encoder(const PieceFormat& format, PacketSink sink, HRESULT* hr)
{
    return Framed([&](PacketSink packets) { return CreateMp3Codec(format.sampleRate, format.channels, std::move(packets)); },
                  format, std::move(sink), hr);
}

std::unique_ptr<PieceEncoder> CreateFlacEncoder(const PieceFormat& format, PacketSink sink, HRESULT* hr)
{
    std::unique_ptr<PieceEncoder> encoder = CreateFlacPieceEncoder(format, std::move(sink));
    if (!encoder) *hr = SPERR_ENGINE_FAILED;
    return encoder;
}

std::unique_ptr<PieceEncoder> CreateAacEncoder(const PieceFormat& format, PacketSink sink, HRESULT* hr)
{
    HRESULT loaded = S_OK;
    std::unique_ptr<PieceEncoder> framed = Framed(
        [&](PacketSink packets) { return CreateAacCodec(format.sampleRate, format.channels, std::move(packets), &loaded); },
        format, std::move(sink), hr);
    if (!framed && FAILED(loaded)) *hr = loaded;  // FFmpeg missing, say, rather than a codec failure
    return framed;
}

}  // namespace

bool CanEncode(AudioContainer container, const WAVEFORMATEX& format)
{
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.wBitsPerSample != 16) return false;
    if (format.nChannels < 1 || format.nChannels > 2) return false;
    switch (container) {
    case AudioContainer::Opus:
    case AudioContainer::Vorbis: return format.nSamplesPerSec >= 8000 && format.nSamplesPerSec <= 48000;
    case AudioContainer::M4a:
    case AudioContainer::M4b: return IsAacRate(format.nSamplesPerSec);
    case AudioContainer::Mp3: return IsMp3SampleRate(format.nSamplesPerSec);
    case AudioContainer::Flac: return IsFlacSampleRate(format.nSamplesPerSec);
    default: return false;
    }
}

PieceFormat PieceFormatOf(AudioContainer container, const WAVEFORMATEX& format, bool startsFile)
{
    PieceFormat piece;
    piece.container = container;
    piece.sampleRate = format.nSamplesPerSec;
    piece.channels = format.nChannels;
    piece.startsFile = startsFile;
    return piece;
}

HRESULT LoadEncoder(AudioContainer container)
{
    return container == AudioContainer::M4a || container == AudioContainer::M4b ? LoadAacEncoder() : S_OK;
}

bool CarriesOverJoins(AudioContainer container)
{
    return container == AudioContainer::Opus || container == AudioContainer::Vorbis || container == AudioContainer::Mp3
           || container == AudioContainer::M4a || container == AudioContainer::M4b;
}

std::unique_ptr<PieceEncoder> CreatePieceEncoder(const PieceFormat& format, PacketSink sink, HRESULT* hr)
{
    *hr = S_OK;
    switch (format.container) {
    case AudioContainer::Opus: return CreateOpusEncoder(format, std::move(sink), hr);
    case AudioContainer::Vorbis: return CreateVorbisEncoder(format, std::move(sink), hr);
    case AudioContainer::M4a:
    case AudioContainer::M4b: return CreateAacEncoder(format, std::move(sink), hr);
    case AudioContainer::Mp3: return CreateMp3Encoder(format, std::move(sink), hr);
    case AudioContainer::Flac: return CreateFlacEncoder(format, std::move(sink), hr);
    default: break;
    }
    *hr = SPERR_UNSUPPORTED_FORMAT;
    return nullptr;
}

}  // namespace speech
