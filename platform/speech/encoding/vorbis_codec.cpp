#include "vorbis_codec.h"

#include "vorbis_encoder.h"

namespace speech {
namespace {

class VorbisCodec final : public FrameCodec {
public:
    VorbisCodec(std::unique_ptr<VorbisEncoder> encoder, PacketSink sink)
        : encoder_(std::move(encoder)), sink_(std::move(sink))
    {
    }

    std::uint32_t FrameSamples() const override { return encoder_->BlockSize() / 2; }
    // The first packet decodes to nothing: one frame's worth of packets.
    std::uint32_t Delay() const override { return FrameSamples(); }
    HRESULT Encode(const std::int16_t* samples, std::size_t frames) override
    {
        return encoder_->Encode(samples, frames, sink_);
    }
    HRESULT Flush() override { return encoder_->Finish(sink_); }

private:
    std::unique_ptr<VorbisEncoder> encoder_;
    PacketSink sink_;
};

}  // namespace

std::uint32_t VorbisCodingRate(std::uint32_t inputRate) { return TimelineRate(AudioContainer::Vorbis, inputRate); }

std::unique_ptr<FrameCodec> CreateVorbisCodec(std::uint32_t codingRate, std::uint16_t channels, PacketSink sink)
{
    std::unique_ptr<VorbisEncoder> encoder = VorbisEncoder::Create(codingRate, channels);
    if (!encoder) return nullptr;
    return std::make_unique<VorbisCodec>(std::move(encoder), std::move(sink));
}

}  // namespace speech
