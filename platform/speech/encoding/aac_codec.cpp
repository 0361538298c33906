#include "aac_codec.h"

#include "aac_encoder.h"

#include <sapi.h>

#include <algorithm>

namespace speech {
namespace {

class AacCodec final : public FrameCodec {
public:
    AacCodec(const FfmpegLibrary& library, CodecContextPtr context, FramePtr frame, PacketPtr packet, PacketSink sink)
        : library_(library), context_(std::move(context)), frame_(std::move(frame)), packet_(std::move(packet)),
          sink_(std::move(sink)), channels_(static_cast<std::uint16_t>(context_->ch_layout.nb_channels)),
          frameSamples_(static_cast<std::uint32_t>(context_->frame_size))
    {
    }

    std::uint32_t FrameSamples() const override { return frameSamples_; }
    std::uint32_t Delay() const override { return static_cast<std::uint32_t>(context_->initial_padding); }

    HRESULT Encode(const std::int16_t* samples, std::size_t frames) override
    {
        while (frames > 0) {
            if (filled_ == 0)
                if (int error = library_.FrameMakeWritable(frame_.get()); error < 0) return FfmpegFailure(error);
            const std::size_t take = std::min<std::size_t>(frames, frameSamples_ - filled_);
            for (std::uint16_t c = 0; c < channels_; ++c) {
                float* plane = reinterpret_cast<float*>(frame_->extended_data[c]) + filled_;
                for (std::size_t i = 0; i < take; ++i) plane[i] = samples[i * channels_ + c] * (1.0f / 32768);
            }
            samples += take * channels_;
            frames -= take;
            filled_ += take;
            if (filled_ == frameSamples_)
                if (HRESULT hr = SendFrame(); FAILED(hr)) return hr;
        }
        return S_OK;
    }

    // The encoder holds a frame back for its priming: the end of the input pushes it out.
    HRESULT Flush() override
    {
        if (filled_ != 0) return SPERR_ENGINE_FAILED;
        if (int error = library_.SendFrame(context_.get(), nullptr); error < 0) return FfmpegFailure(error);
        return Drain();
    }

private:
    HRESULT SendFrame()
    {
        frame_->pts = static_cast<std::int64_t>(sent_);
        sent_ += frameSamples_;
        filled_ = 0;
        if (int error = library_.SendFrame(context_.get(), frame_.get()); error < 0) return FfmpegFailure(error);
        return Drain();
    }

    HRESULT Drain()
    {
        for (;;) {
            const int error = library_.ReceivePacket(context_.get(), packet_.get());
            if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return S_OK;
            if (error < 0) return FfmpegFailure(error);
            HRESULT hr = sink_(packet_->data, static_cast<std::size_t>(packet_->size), frameSamples_);
            library_.PacketUnref(packet_.get());
            if (FAILED(hr)) return hr;
        }
    }

    const FfmpegLibrary& library_;
    CodecContextPtr context_;
    FramePtr frame_;
    PacketPtr packet_;
    PacketSink sink_;
    std::uint16_t channels_;
    std::uint32_t frameSamples_;
    std::size_t filled_ = 0;  // samples per channel in the frame being filled
    std::uint64_t sent_ = 0;
};

}  // namespace

bool IsAacRate(std::uint32_t rate)
{
    for (std::uint32_t known : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u, 64000u, 88200u,
                                96000u})
        if (rate == known) return true;
    return false;
}

HRESULT LoadAacEncoder()
{
    HRESULT hr = S_OK;
    FfmpegLibrary::Load(&hr);
    return hr;
}

std::unique_ptr<FrameCodec> CreateAacCodec(std::uint32_t rate, std::uint16_t channels, PacketSink sink, HRESULT* hr)
{
    const FfmpegLibrary* library = FfmpegLibrary::Load(hr);
    if (!library) return nullptr;
    CodecContextPtr context = OpenAacEncoder(*library, rate, channels, hr);
    if (!context) return nullptr;
    FramePtr frame(library->FrameAlloc(), {library});
    PacketPtr packet(library->PacketAlloc(), {library});
    *hr = E_OUTOFMEMORY;
    if (!frame || !packet) return nullptr;
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->nb_samples = context->frame_size;
    frame->sample_rate = context->sample_rate;
    library->ChannelLayoutDefault(&frame->ch_layout, channels);
    if (library->FrameGetBuffer(frame.get(), 0) < 0) return nullptr;
    *hr = S_OK;
    return std::make_unique<AacCodec>(*library, std::move(context), std::move(frame), std::move(packet),
                                      std::move(sink));
}

}  // namespace speech
