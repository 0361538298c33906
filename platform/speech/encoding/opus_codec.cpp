#include "opus_codec.h"

#include <sapi.h>

#include <opus/opus.h>

#include <vector>

namespace speech {
namespace {

constexpr int kBitsPerSecondPerChannel = 24000;
constexpr std::size_t kLargestPacket = 4000;

class OpusCodec final : public FrameCodec {
public:
    OpusCodec(OpusEncoder* encoder, std::uint32_t rate, std::uint16_t channels, PacketSink sink)
        : encoder_(encoder), channels_(channels), frame_(rate / 50), scale_(48000 / rate), sink_(std::move(sink))
    {
        opus_int32 lookahead = 0;
        opus_encoder_ctl(encoder_, OPUS_GET_LOOKAHEAD(&lookahead));
        delay_ = static_cast<std::uint32_t>(lookahead);
        pending_.reserve(std::size_t{frame_} * channels_);
    }
    ~OpusCodec() override { opus_encoder_destroy(encoder_); }

    std::uint32_t FrameSamples() const override { return frame_; }
    std::uint32_t Delay() const override { return delay_; }
    std::uint32_t TimelineScale() const override { return scale_; }

    HRESULT Encode(const std::int16_t* samples, std::size_t frames) override
    {
        const std::size_t frameValues = std::size_t{frame_} * channels_;
        std::size_t values = frames * channels_;
        while (values > 0) {
            const std::size_t take = std::min(values, frameValues - pending_.size());
            pending_.insert(pending_.end(), samples, samples + take);
            samples += take;
            values -= take;
            if (pending_.size() == frameValues)
                if (HRESULT hr = EncodeFrame(); FAILED(hr)) return hr;
        }
        return S_OK;
    }

    // Each frame is encoded as soon as it is whole: nothing is held back.
    HRESULT Flush() override { return pending_.empty() ? S_OK : SPERR_ENGINE_FAILED; }

private:
    HRESULT EncodeFrame()
    {
        unsigned char packet[kLargestPacket];
        opus_int32 bytes = opus_encode(encoder_, pending_.data(), static_cast<int>(frame_), packet, sizeof packet);
        pending_.clear();
        if (bytes < 0) return SPERR_ENGINE_FAILED;
        return sink_(packet, static_cast<std::size_t>(bytes), frame_ * scale_);
    }

    OpusEncoder* encoder_;
    std::uint16_t channels_;
    std::uint32_t frame_;
    std::uint32_t scale_;
    std::uint32_t delay_ = 0;
    PacketSink sink_;
    std::vector<std::int16_t> pending_;
};

}  // namespace

std::uint32_t OpusCodingRate(std::uint32_t inputRate)
{
    for (std::uint32_t rate : {8000u, 12000u, 16000u, 24000u})
        if (inputRate <= rate) return rate;
    return 48000;
}

std::unique_ptr<FrameCodec> CreateOpusCodec(std::uint32_t codingRate, std::uint16_t channels, PacketSink sink)
{
    int error = OPUS_OK;
    OpusEncoder* encoder = opus_encoder_create(static_cast<opus_int32>(codingRate), channels, OPUS_APPLICATION_AUDIO,
                                               &error);
    if (!encoder || error != OPUS_OK) return nullptr;
    opus_encoder_ctl(encoder, OPUS_SET_BITRATE(kBitsPerSecondPerChannel * channels));
    opus_encoder_ctl(encoder, OPUS_SET_VBR(1));
    opus_encoder_ctl(encoder, OPUS_SET_COMPLEXITY(10));
    opus_encoder_ctl(encoder, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
    return std::make_unique<OpusCodec>(encoder, codingRate, channels, std::move(sink));
}

const char* OpusVersion() { return opus_get_version_string(); }

}  // namespace speech
