// libvorbis' encoder at the engine's setting for speech: VBR at quality 0, about
// 28 kb/s for a voice at 22050 Hz. At that quality and at most 24 kHz libvorbis
// codes every block at one size, so its packets follow a fixed grid, as frames do
// (vorbis_codec.h). The render workers and the file's writer make it alike: the
// headers the writer puts in the file come from an encoder like the workers'.
#pragma once

#include "encoded_piece.h"

#include <vorbis/codec.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace speech {

inline constexpr float kVorbisQuality = 0.0f;

class VorbisEncoder {
public:
    // nullptr when libvorbis has no such setup, or one whose blocks differ in size.
    static std::unique_ptr<VorbisEncoder> Create(std::uint32_t rate, std::uint16_t channels);
    ~VorbisEncoder();
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;

    // Samples per channel of every block.
    std::uint32_t BlockSize() const { return blockSize_; }
    const std::vector<std::uint8_t>& IdentificationHeader() const { return identification_; }
    const std::vector<std::uint8_t>& SetupHeader() const { return setup_; }
    // The name libvorbis gives itself in a comment header.
    const std::string& Vendor() const { return vendor_; }

    // Interleaved 16-bit samples; each packet that is complete goes to `sink`, with
    // its duration (the first packet of a stream decodes to nothing).
    HRESULT Encode(const std::int16_t* samples, std::size_t frames, const PacketSink& sink);
    // Ends the stream: libvorbis pads past the end and hands out the last packets.
    HRESULT Finish(const PacketSink& sink);
    // The block size of an audio packet of this setup; 0 when it is none.
    std::uint32_t PacketBlockSize(const std::uint8_t* data, std::size_t size);

private:
    VorbisEncoder() = default;
    bool Start(std::uint32_t rate, std::uint16_t channels);
    HRESULT Drain(const PacketSink& sink);

    vorbis_info info_{};
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    bool dspStarted_ = false, blockStarted_ = false;
    std::uint16_t channels_ = 1;
    std::uint32_t blockSize_ = 0;
    std::uint32_t previousBlock_ = 0;  // 0 before the first packet
    std::vector<std::uint8_t> identification_, setup_;
    std::string vendor_;
};

}  // namespace speech
