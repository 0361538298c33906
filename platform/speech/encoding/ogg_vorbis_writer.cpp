// Ogg Vorbis: the identification header, the comments with the tags and chapters,
// the setup header, then the packets. Granule positions count decoded samples,
// from each packet's block size; the last page's is the file's end, which trims
// the last frame's padding. The priming is the first packet, which decodes to
// nothing, so no position is offset by it.
#include "container_writers.h"

#include "ogg_stream.h"
#include "vorbis_codec.h"
#include "vorbis_comments.h"
#include "vorbis_encoder.h"

#include <sapi.h>

#include <algorithm>
#include <memory>

namespace speech {
namespace {

std::vector<std::uint8_t> CommentHeader(const VorbisEncoder& encoder, const ContainerPlan& plan, std::uint32_t rate)
{
    std::vector<std::uint8_t> header = {3, 'v', 'o', 'r', 'b', 'i', 's'};
    std::vector<std::uint8_t> comments = VorbisComments(encoder.Vendor(), plan, rate);
    header.insert(header.end(), comments.begin(), comments.end());
    header.push_back(1);  // the framing bit
    return header;
}

class OggVorbisWriter final : public ContainerWriter {
public:
    explicit OggVorbisWriter(FileSink& out) : out_(out) {}

    HRESULT Begin(const ContainerPlan& plan) override
    {
        const std::uint32_t rate = VorbisCodingRate(plan.sampleRate);
        encoder_ = VorbisEncoder::Create(rate, plan.channels);
        if (!encoder_) return SPERR_UNSUPPORTED_FORMAT;
        const std::vector<std::uint8_t> comments = CommentHeader(*encoder_, plan, rate);
        stream_ = std::make_unique<OggStream>(out_, OggSerialFor(comments, plan.samples));
        packetsLeft_ = plan.packets;
        endGranule_ = static_cast<std::int64_t>(plan.samples);
        if (HRESULT hr = stream_->Header(encoder_->IdentificationHeader()); FAILED(hr)) return hr;
        if (HRESULT hr = stream_->Header(comments); FAILED(hr)) return hr;
        return stream_->Header(encoder_->SetupHeader());
    }

    HRESULT Packet(const std::uint8_t* data, std::size_t size, std::uint32_t) override
    {
        const std::uint32_t block = encoder_->PacketBlockSize(data, size);
        if (block == 0) return SPERR_ENGINE_FAILED;  // not a packet of this setup
        if (previousBlock_ != 0) granule_ += previousBlock_ / 4 + block / 4;
        previousBlock_ = block;
        const bool last = --packetsLeft_ == 0;
        return stream_->Audio(data, size, last ? std::min(granule_, endGranule_) : granule_, last);
    }

    HRESULT End() override { return out_.Flush(); }

private:
    FileSink& out_;
    std::unique_ptr<VorbisEncoder> encoder_;
    std::unique_ptr<OggStream> stream_;
    std::uint64_t packetsLeft_ = 0;
    std::uint32_t previousBlock_ = 0;
    std::int64_t granule_ = 0;
    std::int64_t endGranule_ = 0;
};

}  // namespace

std::unique_ptr<ContainerWriter> CreateOggVorbisWriter(FileSink& out) { return std::make_unique<OggVorbisWriter>(out); }

}  // namespace speech
