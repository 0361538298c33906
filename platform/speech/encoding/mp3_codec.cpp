#include "mp3_codec.h"

#include "mp3_frame_header.h"

#include <sapi.h>

#include <lame/lame.h>

#include <algorithm>
#include <string>
#include <vector>

namespace speech {
namespace {

constexpr int kVbrQuality = 7;
// LAME's algorithm quality (0 best, 9 fastest); see the README for the measurements.
constexpr int kAlgorithmQuality = 7;
// Frames per call, so the output buffer stays small.
constexpr std::size_t kChunkFrames = 8192;
// The decoder's own delay: it outputs this many samples before the encoder's first.
constexpr std::uint32_t kDecoderDelay = 529;

struct LameClose {
    void operator()(lame_global_flags* lame) const { lame_close(lame); }
};
using UniqueLame = std::unique_ptr<lame_global_flags, LameClose>;

class Mp3Codec final : public FrameCodec {
public:
    Mp3Codec(UniqueLame lame, std::uint16_t channels, PacketSink sink)
        : lame_(std::move(lame)), channels_(channels), sink_(std::move(sink))
    {
        frame_ = static_cast<std::uint32_t>(lame_get_framesize(lame_.get()));
        delay_ = static_cast<std::uint32_t>(lame_get_encoder_delay(lame_.get())) + kDecoderDelay;
    }

    std::uint32_t FrameSamples() const override { return frame_; }
    std::uint32_t Delay() const override { return delay_; }

    HRESULT Encode(const std::int16_t* samples, std::size_t frames) override
    {
        while (frames > 0) {
            const std::size_t take = std::min(frames, kChunkFrames);
            output_.resize(take * 5 / 4 + 7200);  // LAME's bound for the bytes of `take` frames
            const int count = static_cast<int>(take);
            const int size = static_cast<int>(output_.size());
            const int bytes =
                channels_ == 1 ? lame_encode_buffer(lame_.get(), samples, samples, count, output_.data(), size)
                               : lame_encode_buffer_interleaved(lame_.get(), const_cast<short*>(samples), count,
                                                                output_.data(), size);
            if (HRESULT hr = Take(bytes); FAILED(hr)) return hr;
            samples += take * channels_;
            frames -= take;
        }
        return S_OK;
    }

    HRESULT Flush() override
    {
        output_.resize(7200);
        if (HRESULT hr = Take(lame_encode_flush(lame_.get(), output_.data(), static_cast<int>(output_.size())));
            FAILED(hr))
            return hr;
        return stream_.empty() ? S_OK : SPERR_ENGINE_FAILED;  // a frame cut short
    }

private:
    // LAME's output is a byte stream: each whole frame in it becomes a packet.
    HRESULT Take(int bytes)
    {
        if (bytes < 0) return SPERR_ENGINE_FAILED;
        stream_.insert(stream_.end(), output_.begin(), output_.begin() + bytes);
        std::size_t at = 0;
        while (stream_.size() - at >= 4) {
            std::optional<Mp3FrameHeader> header = ReadMp3FrameHeader(&stream_[at]);
            if (!header || header->samples != frame_) return SPERR_ENGINE_FAILED;
            if (stream_.size() - at < header->bytes) break;
            if (HRESULT hr = sink_(&stream_[at], header->bytes, frame_); FAILED(hr)) return hr;
            at += header->bytes;
        }
        stream_.erase(stream_.begin(), stream_.begin() + static_cast<std::ptrdiff_t>(at));
        return S_OK;
    }

    UniqueLame lame_;
    std::uint16_t channels_;
    std::uint32_t frame_ = 0, delay_ = 0;
    PacketSink sink_;
    std::vector<unsigned char> output_;
    std::vector<std::uint8_t> stream_;  // bytes of a frame not yet whole
};

}  // namespace

std::unique_ptr<FrameCodec> CreateMp3Codec(std::uint32_t sampleRate, std::uint16_t channels, PacketSink sink)
{
    if (!IsMp3SampleRate(sampleRate) || channels < 1 || channels > 2) return nullptr;
    UniqueLame lame(lame_init());
    if (!lame) return nullptr;
    lame_global_flags* flags = lame.get();
    lame_set_in_samplerate(flags, static_cast<int>(sampleRate));
    lame_set_out_samplerate(flags, static_cast<int>(sampleRate));
    lame_set_num_channels(flags, channels);
    lame_set_mode(flags, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_VBR(flags, vbr_default);
    lame_set_VBR_q(flags, kVbrQuality);
    lame_set_quality(flags, kAlgorithmQuality);
    lame_set_disable_reservoir(flags, 1);
    lame_set_bWriteVbrTag(flags, 0);  // the container writes the file's info frame
    lame_set_write_id3tag_automatic(flags, 0);
    if (lame_init_params(flags) < 0) return nullptr;
    if (static_cast<std::uint32_t>(lame_get_out_samplerate(flags)) != sampleRate) return nullptr;
    return std::make_unique<Mp3Codec>(std::move(lame), channels, std::move(sink));
}

Mp3EncoderInfo Mp3Encoder()
{
    static const std::string version = std::string("LAME") + get_lame_short_version();
    constexpr std::uint8_t kMtrhMethod = 4;  // vbr_default is vbr_mtrh
    return {version.c_str(), 100 - 10 * kVbrQuality - kAlgorithmQuality, kMtrhMethod};
}

}  // namespace speech
