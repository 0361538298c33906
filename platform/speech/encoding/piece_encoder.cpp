#include "piece_encoder.h"

#include "framed_piece_encoder.h"
#include "opus_codec.h"
#include "rate_converter.h"

#include <sapi.h>

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
        auto toInner = [this](bool following) {
            return [this, following](const std::int16_t* samples, std::size_t frames) {
                return following ? inner_->PushFollowing(samples, frames) : inner_->Push(samples, frames);
            };
        };
        own_ = RateConverter::Create(from, to, channels, toInner(false));
        following_ = RateConverter::Create(from, to, channels, toInner(true));
        return own_ && following_;
    }

    HRESULT Push(const std::int16_t* samples, std::size_t frames) override { return own_->Push(samples, frames); }
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
    void MarkChapter() override { inner_->MarkChapter(); }
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
        return own_->Finish();
    }

    std::unique_ptr<PieceEncoder> inner_;
    double ratio_;
    std::unique_ptr<RateConverter> own_, following_;
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

std::unique_ptr<PieceEncoder> CreateOpusEncoder(const PieceFormat& format, PacketSink sink, HRESULT* hr)
{
    const std::uint32_t rate = OpusCodingRate(format.sampleRate);
    PieceFormat coded = format;
    coded.sampleRate = rate;
    std::unique_ptr<PieceEncoder> framed = Framed(
        [&](PacketSink packets) { return CreateOpusCodec(rate, format.channels, std::move(packets)); }, coded,
        std::move(sink), hr);
    if (!framed || rate == format.sampleRate) return framed;
    auto resampled = std::make_unique<ResampledPieceEncoder>(std::move(framed), static_cast<double>(rate) / format.sampleRate);
    if (!resampled->Start(format.sampleRate, rate, format.channels)) {
        *hr = SPERR_ENGINE_FAILED;
        return nullptr;
    }
    return resampled;
}

}  // namespace

bool CanEncode(AudioContainer container, const WAVEFORMATEX& format)
{
    if (format.wFormatTag != WAVE_FORMAT_PCM || format.wBitsPerSample != 16) return false;
    if (format.nChannels < 1 || format.nChannels > 2) return false;
    switch (container) {
    case AudioContainer::Opus: return format.nSamplesPerSec >= 8000 && format.nSamplesPerSec <= 48000;
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

bool CarriesOverJoins(AudioContainer container)
{
    return container == AudioContainer::Opus || container == AudioContainer::Mp3 || container == AudioContainer::M4a
           || container == AudioContainer::M4b;
}

std::unique_ptr<PieceEncoder> CreatePieceEncoder(const PieceFormat& format, PacketSink sink, HRESULT* hr)
{
    *hr = S_OK;
    switch (format.container) {
    case AudioContainer::Opus: return CreateOpusEncoder(format, std::move(sink), hr);
    default: break;
    }
    *hr = SPERR_UNSUPPORTED_FORMAT;
    return nullptr;
}

}  // namespace speech
