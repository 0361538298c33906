// Ogg Opus (RFC 7845): OpusHead, OpusTags with the tags and chapters, then the
// packets; granule positions count 48 kHz samples, the priming included.
#include "container_writers.h"

#include "ogg_stream.h"
#include "opus_codec.h"
#include "vorbis_comments.h"

#include <cstring>
#include <memory>

namespace speech {
namespace {

std::vector<std::uint8_t> OpusHead(const ContainerPlan& plan)
{
    std::vector<std::uint8_t> head(19, 0);
    std::memcpy(head.data(), "OpusHead", 8);
    head[8] = 1;  // version
    head[9] = static_cast<std::uint8_t>(plan.channels);
    head[10] = static_cast<std::uint8_t>(plan.priming);
    head[11] = static_cast<std::uint8_t>(plan.priming >> 8);
    for (int i = 0; i < 4; ++i) head[12 + i] = static_cast<std::uint8_t>(plan.sampleRate >> (8 * i));
    return head;  // no output gain, mapping family 0
}

class OggOpusWriter final : public ContainerWriter {
public:
    explicit OggOpusWriter(FileSink& out) : out_(out) {}

    HRESULT Begin(const ContainerPlan& plan) override
    {
        std::vector<std::uint8_t> head = OpusHead(plan);
        std::vector<std::uint8_t> tags = {'O', 'p', 'u', 's', 'T', 'a', 'g', 's'};
        std::vector<std::uint8_t> comments = VorbisComments(OpusVersion(), plan, 48000);
        tags.insert(tags.end(), comments.begin(), comments.end());
        stream_ = std::make_unique<OggStream>(out_, OggSerialFor(tags, plan.samples));
        packetsLeft_ = plan.packets;
        endGranule_ = std::int64_t{plan.priming} + static_cast<std::int64_t>(plan.samples);
        if (HRESULT hr = stream_->Header(head); FAILED(hr)) return hr;
        return stream_->Header(tags);
    }

    HRESULT Packet(const std::uint8_t* data, std::size_t size, std::uint32_t duration) override
    {
        granule_ += duration;
        const bool last = --packetsLeft_ == 0;
        // The last page says where the audio ends, which trims the last frame's padding.
        return stream_->Audio(data, size, last ? std::min(granule_, endGranule_) : granule_, last);
    }

    HRESULT End() override { return out_.Flush(); }

private:
    FileSink& out_;
    std::unique_ptr<OggStream> stream_;
    std::uint64_t packetsLeft_ = 0;
    std::int64_t granule_ = 0;
    std::int64_t endGranule_ = 0;
};

}  // namespace

std::unique_ptr<ContainerWriter> CreateOggOpusWriter(FileSink& out) { return std::make_unique<OggOpusWriter>(out); }

}  // namespace speech
