// FLAC: "fLaC", STREAMINFO, VORBIS_COMMENT with the tags and chapters, then the
// pieces' frames as one variable-blocksize stream (flac_frame.h). STREAMINFO's
// block and frame sizes are known at the end: it is filled in then. Its MD5 stays
// zero ("not computed"): the samples are encoded apart, in the workers, and only
// a second pass over the whole file could sum them.
#include "container_writers.h"

#include "flac_frame.h"
#include "flac_piece_encoder.h"
#include "vorbis_comments.h"

#include <sapi.h>

#include <algorithm>
#include <array>

namespace speech {
namespace {

constexpr std::uint8_t kStreamInfo = 0, kVorbisComment = 4, kLastBlock = 0x80;
constexpr std::size_t kStreamInfoBytes = 34;
constexpr std::size_t kStreamInfoAt = 8;  // after "fLaC" and its block header
constexpr std::size_t kLargestBlock = (1u << 24) - 1;

void PutBlockHeader(std::vector<std::uint8_t>& out, std::uint8_t type, std::size_t size)
{
    out.push_back(type);
    for (int i = 2; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
}

// Big-endian fields of any bit width, packed.
class Bits {
public:
    void Put(std::uint64_t value, int width)
    {
        for (int i = width - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t used_ = 0;
};

class FlacWriter final : public ContainerWriter {
public:
    explicit FlacWriter(FileSink& out) : out_(out) {}

    HRESULT Begin(const ContainerPlan& plan) override
    {
        plan_ = plan;
        std::vector<std::uint8_t> head = {'f', 'L', 'a', 'C'};
        PutBlockHeader(head, kStreamInfo, kStreamInfoBytes);
        const std::vector<std::uint8_t> info = StreamInfo();
        head.insert(head.end(), info.begin(), info.end());
        const std::vector<std::uint8_t> comments = VorbisComments(FlacVendor(), plan, plan.sampleRate);
        if (comments.size() > kLargestBlock) return SPERR_UNSUPPORTED_FORMAT;
        PutBlockHeader(head, kLastBlock | kVorbisComment, comments.size());
        head.insert(head.end(), comments.begin(), comments.end());
        return out_.Write(head.data(), head.size());
    }

    HRESULT Packet(const std::uint8_t* data, std::size_t size, std::uint32_t duration) override
    {
        if (FlacFrameSamples(data, size) != duration) return SPERR_ENGINE_FAILED;
        const std::vector<std::uint8_t> frame = FlacFrameAt(data, size, written_);
        if (frame.empty()) return SPERR_ENGINE_FAILED;
        // The shortest block leaves out the last, which may be shorter than any.
        if (lastBlock_ != 0) shortestBlock_ = std::min(shortestBlock_, lastBlock_);
        lastBlock_ = duration;
        longestBlock_ = std::max(longestBlock_, duration);
        shortestFrame_ = std::min<std::size_t>(shortestFrame_, frame.size());
        longestFrame_ = std::max<std::size_t>(longestFrame_, frame.size());
        written_ += duration;
        return out_.Write(frame.data(), frame.size());
    }

    HRESULT End() override
    {
        if (written_ != plan_.samples) return SPERR_ENGINE_FAILED;
        const std::vector<std::uint8_t> info = StreamInfo();
        if (HRESULT hr = out_.WriteAt(kStreamInfoAt, info.data(), info.size()); FAILED(hr)) return hr;
        return out_.Flush();
    }

private:
    std::vector<std::uint8_t> StreamInfo() const
    {
        // A stream of one frame has no block but its last: that one bounds both.
        std::uint32_t shortest = shortestBlock_ != ~0u ? shortestBlock_ : lastBlock_;
        shortest = std::max(shortest, kShortestFlacFrame);
        Bits bits;
        bits.Put(shortest, 16);
        bits.Put(std::max(longestBlock_, shortest), 16);
        bits.Put(shortestFrame_ != ~std::size_t{0} ? shortestFrame_ : 0, 24);  // 0: not known
        bits.Put(longestFrame_, 24);
        bits.Put(plan_.sampleRate, 20);
        bits.Put(plan_.channels - 1u, 3);
        bits.Put(16 - 1, 5);
        bits.Put(plan_.samples, 36);
        for (int i = 0; i < 4; ++i) bits.Put(0, 32);  // MD5: not computed
        return bits.bytes();
    }

    FileSink& out_;
    ContainerPlan plan_;
    std::uint64_t written_ = 0;  // samples in the frames so far
    std::uint32_t shortestBlock_ = ~0u, longestBlock_ = 0, lastBlock_ = 0;
    std::size_t shortestFrame_ = ~std::size_t{0}, longestFrame_ = 0;
};

}  // namespace

std::unique_ptr<ContainerWriter> CreateFlacWriter(FileSink& out) { return std::make_unique<FlacWriter>(out); }

}  // namespace speech
