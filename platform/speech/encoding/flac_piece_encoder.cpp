#include "flac_piece_encoder.h"

#include "piece_sounds.h"

#include <sapi.h>

#include <FLAC/format.h>
#include <FLAC/stream_encoder.h>

#include <vector>

namespace speech {
namespace {

constexpr std::uint32_t kCompressionLevel = 5;
constexpr std::uint32_t kBlockSamples = 4096;  // level 5's

struct FlacEncoderDelete {
    void operator()(FLAC__StreamEncoder* encoder) const { FLAC__stream_encoder_delete(encoder); }
};
using UniqueFlacEncoder = std::unique_ptr<FLAC__StreamEncoder, FlacEncoderDelete>;

// A piece's frames but its last are whole blocks, and no frame but the file's last
// may be shorter than 16 samples. A piece would end on such a frame when its length
// is a block and a few samples past whole blocks: its last block and those samples
// then go to an encoder of half-length blocks. The samples are held back until the
// piece ends, far enough to know.
class FlacPieceEncoder final : public PieceEncoder {
public:
    FlacPieceEncoder(const PieceFormat& format, PacketSink sink)
        : format_(format), sink_(std::move(sink)), sounds_(format.channels)
    {
        encoder_ = Start(kBlockSamples);
    }

    bool Started() const { return encoder_ != nullptr; }

    HRESULT Push(const std::int16_t* samples, std::size_t frames) override
    {
        if (ended_) return E_UNEXPECTED;
        sounds_.Note(samples, frames);
        held_.insert(held_.end(), samples, samples + frames * format_.channels);
        const std::size_t heldFrames = held_.size() / format_.channels;
        constexpr std::size_t kKeep = kBlockSamples + kShortestFlacFrame;
        if (heldFrames < kKeep + kBlockSamples) return S_OK;
        return Feed(encoder_.get(), (heldFrames - kKeep) / kBlockSamples * kBlockSamples);
    }

    void MarkChapter() override { sounds_.Mark(); }

    HRESULT Finish(PieceSummary& summary) override
    {
        if (ended_) return E_UNEXPECTED;
        ended_ = true;
        std::size_t held = held_.size() / format_.channels;
        if (held + fed_ < kShortestFlacFrame) {  // a piece this short is padded with silence
            held_.resize(kShortestFlacFrame * format_.channels, 0);
            held = kShortestFlacFrame;
        }
        const std::size_t over = held % kBlockSamples;
        if (held >= kBlockSamples && over > 0 && over < kShortestFlacFrame) {
            const std::size_t tail = kBlockSamples + over;
            if (HRESULT hr = Feed(encoder_.get(), held - tail); FAILED(hr)) return hr;
            if (HRESULT hr = End(encoder_.get()); FAILED(hr)) return hr;
            encoder_ = Start(static_cast<std::uint32_t>((tail + 1) / 2));
            if (!encoder_) return SPERR_ENGINE_FAILED;
            held = tail;
        }
        if (HRESULT hr = Feed(encoder_.get(), held); FAILED(hr)) return hr;
        if (HRESULT hr = End(encoder_.get()); FAILED(hr)) return hr;
        if (packetSamples_ != fed_) return SPERR_ENGINE_FAILED;  // frames missing

        sounds_.End(fed_);
        summary.container = AudioContainer::Flac;
        summary.samples = fed_;
        summary.firstSound = sounds_.FirstSound();
        summary.priming = 0;
        summary.headCarried = 0;
        return S_OK;
    }

    const std::vector<std::uint64_t>& ChapterSounds() const override { return sounds_.ChapterSounds(); }

private:
    static FLAC__StreamEncoderWriteStatus Written(const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t bytes,
                                                  uint32_t samples, uint32_t, void* client)
    {
        auto* self = static_cast<FlacPieceEncoder*>(client);
        if (samples == 0) return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;  // the stream's header: the container writes its own
        self->packetSamples_ += samples;
        self->error_ = self->sink_(buffer, bytes, samples);
        return SUCCEEDED(self->error_) ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
                                       : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }

    UniqueFlacEncoder Start(std::uint32_t blockSamples)
    {
        UniqueFlacEncoder encoder(FLAC__stream_encoder_new());
        if (!encoder) return nullptr;
        FLAC__StreamEncoder* e = encoder.get();
        const bool set = FLAC__stream_encoder_set_channels(e, format_.channels)
                         && FLAC__stream_encoder_set_bits_per_sample(e, 16)
                         && FLAC__stream_encoder_set_sample_rate(e, format_.sampleRate)
                         && FLAC__stream_encoder_set_compression_level(e, kCompressionLevel)
                         && FLAC__stream_encoder_set_blocksize(e, blockSamples);
        if (!set) return nullptr;
        if (FLAC__stream_encoder_init_stream(e, &Written, nullptr, nullptr, nullptr, this)
            != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
            return nullptr;
        return encoder;
    }

    // The first `frames` held frames go to `encoder`.
    HRESULT Feed(FLAC__StreamEncoder* encoder, std::size_t frames)
    {
        if (frames == 0) return S_OK;
        const std::size_t values = frames * format_.channels;
        wide_.assign(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(values));
        if (!FLAC__stream_encoder_process_interleaved(encoder, wide_.data(), static_cast<uint32_t>(frames)))
            return FAILED(error_) ? error_ : SPERR_ENGINE_FAILED;
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(values));
        fed_ += frames;
        return S_OK;
    }

    HRESULT End(FLAC__StreamEncoder* encoder)
    {
        if (!FLAC__stream_encoder_finish(encoder)) return FAILED(error_) ? error_ : SPERR_ENGINE_FAILED;
        return error_;
    }

    PieceFormat format_;
    PacketSink sink_;
    PieceSounds sounds_;
    UniqueFlacEncoder encoder_;
    std::vector<std::int16_t> held_;  // frames not yet given to the encoder, interleaved
    std::vector<FLAC__int32> wide_;
    std::uint64_t fed_ = 0;
    std::uint64_t packetSamples_ = 0;
    HRESULT error_ = S_OK;
    bool ended_ = false;
};

}  // namespace

std::unique_ptr<PieceEncoder> CreateFlacPieceEncoder(const PieceFormat& format, PacketSink sink)
{
    if (!IsFlacSampleRate(format.sampleRate) || format.channels < 1 || format.channels > 2) return nullptr;
    auto encoder = std::make_unique<FlacPieceEncoder>(format, std::move(sink));
    return encoder->Started() ? std::move(encoder) : nullptr;
}

bool IsFlacSampleRate(std::uint32_t rate)
{
    return FLAC__format_sample_rate_is_valid(rate) && FLAC__format_sample_rate_is_subset(rate);
}

const char* FlacVendor() { return FLAC__VENDOR_STRING; }

}  // namespace speech
