// MP3: an ID3v2.4 tag with the tags and chapters, the info frame (Xing and LAME's
// extension: frames, bytes, seek table, priming and padding), then the frames. The
// info frame's counts are known at the end: it is written first with room for
// them and filled in once the last frame is written.
#include "container_writers.h"

#include "id3_tag.h"
#include "mp3_info_frame.h"

#include <sapi.h>

#include <optional>

namespace speech {
namespace {

class Mp3Writer final : public ContainerWriter {
public:
    explicit Mp3Writer(FileSink& out) : out_(out) {}

    HRESULT Begin(const ContainerPlan& plan) override
    {
        if (plan.packets > 0xFFFFFFFF) return SPERR_UNSUPPORTED_FORMAT;
        stream_.sampleRate = plan.sampleRate;
        stream_.channels = plan.channels;
        stream_.frames = static_cast<std::uint32_t>(plan.packets);
        stream_.priming = plan.priming;
        stream_.samples = plan.samples;
        std::optional<std::vector<std::uint8_t>> tag = Id3Tag(plan);
        if (!tag) return SPERR_UNSUPPORTED_FORMAT;
        if (HRESULT hr = out_.Write(tag->data(), tag->size()); FAILED(hr)) return hr;
        infoAt_ = out_.Position();
        const std::vector<std::uint8_t> info = Mp3InfoFrame(stream_);
        if (info.empty()) return SPERR_UNSUPPORTED_FORMAT;
        return out_.Write(info.data(), info.size());
    }

    HRESULT Packet(const std::uint8_t* data, std::size_t size, std::uint32_t) override
    {
        if (packet_ == stream_.frames) return SPERR_ENGINE_FAILED;  // more than the plan counted
        for (; percent_ < seekBytes_.size() && packet_ >= std::uint64_t{percent_} * stream_.frames / 100; ++percent_)
            seekBytes_[percent_] = stream_.audioBytes;
        ++packet_;
        stream_.audioBytes += size;
        stream_.audioCrc = Crc16(stream_.audioCrc, data, size);
        return out_.Write(data, size);
    }

    HRESULT End() override
    {
        if (packet_ != stream_.frames) return SPERR_ENGINE_FAILED;
        for (; percent_ < seekBytes_.size(); ++percent_) seekBytes_[percent_] = stream_.audioBytes;
        const std::uint64_t total = std::max<std::uint64_t>(stream_.audioBytes, 1);
        for (std::size_t i = 0; i < seekBytes_.size(); ++i)
            stream_.seekTable[i] = static_cast<std::uint8_t>(std::min<std::uint64_t>(seekBytes_[i] * 256 / total, 255));
        const std::vector<std::uint8_t> info = Mp3InfoFrame(stream_);
        if (info.empty()) return SPERR_UNSUPPORTED_FORMAT;
        if (HRESULT hr = out_.WriteAt(infoAt_, info.data(), info.size()); FAILED(hr)) return hr;
        return out_.Flush();
    }

private:
    FileSink& out_;
    Mp3Stream stream_;
    std::uint64_t infoAt_ = 0;
    std::uint32_t packet_ = 0;
    std::uint32_t percent_ = 0;
    std::array<std::uint64_t, 100> seekBytes_{};  // audio bytes before the frame at each percent
};

}  // namespace

std::unique_ptr<ContainerWriter> CreateMp3Writer(FileSink& out) { return std::make_unique<Mp3Writer>(out); }

}  // namespace speech
