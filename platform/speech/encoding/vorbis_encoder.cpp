#include "vorbis_encoder.h"

#include <sapi.h>

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace speech {
namespace {

std::vector<std::uint8_t> Bytes(const ogg_packet& packet)
{
    return std::vector<std::uint8_t>(packet.packet, packet.packet + packet.bytes);
}

// The vendor string of a comment header: after the type byte, "vorbis" and its length.
std::string VendorOf(const ogg_packet& comments)
{
    if (comments.bytes < 11) return {};
    const unsigned char* at = comments.packet + 7;
    const std::uint32_t length = at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    if (length > static_cast<std::uint64_t>(comments.bytes) - 11) return {};
    return std::string(reinterpret_cast<const char*>(at + 4), length);
}

}  // namespace

std::unique_ptr<VorbisEncoder> VorbisEncoder::Create(std::uint32_t rate, std::uint16_t channels)
{
    std::unique_ptr<VorbisEncoder> encoder(new VorbisEncoder);
    if (!encoder->Start(rate, channels)) return nullptr;
    return encoder;
}

bool VorbisEncoder::Start(std::uint32_t rate, std::uint16_t channels)
{
    channels_ = channels;
    vorbis_info_init(&info_);
    if (vorbis_encode_init_vbr(&info_, channels, static_cast<long>(rate), kVorbisQuality) != 0) return false;
    blockSize_ = static_cast<std::uint32_t>(vorbis_info_blocksize(&info_, 0));
    if (blockSize_ == 0 || vorbis_info_blocksize(&info_, 1) != static_cast<int>(blockSize_)) return false;
    if (vorbis_analysis_init(&dsp_, &info_) != 0) return false;
    dspStarted_ = true;
    if (vorbis_block_init(&dsp_, &block_) != 0) return false;
    blockStarted_ = true;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    ogg_packet identification, comments, setup;
    const bool made = vorbis_analysis_headerout(&dsp_, &comment, &identification, &comments, &setup) == 0;
    if (made) {
        identification_ = Bytes(identification);
        setup_ = Bytes(setup);
        vendor_ = VendorOf(comments);
    }
    vorbis_comment_clear(&comment);
    return made;
}

VorbisEncoder::~VorbisEncoder()
{
    if (blockStarted_) vorbis_block_clear(&block_);
    if (dspStarted_) vorbis_dsp_clear(&dsp_);
    vorbis_info_clear(&info_);
}

HRESULT VorbisEncoder::Encode(const std::int16_t* samples, std::size_t frames, const PacketSink& sink)
{
    // Slices of a few blocks: libvorbis takes a copy of all it holds on the stack
    // (alloca) when it starts, so a whole book in one call would overflow it.
    constexpr std::size_t kSlice = 8192;
    while (frames > 0) {  // libvorbis takes no samples as the stream's end
        const std::size_t take = std::min(frames, kSlice);
        float** buffer = vorbis_analysis_buffer(&dsp_, static_cast<int>(take));
        if (!buffer) return E_OUTOFMEMORY;
        for (std::uint16_t c = 0; c < channels_; ++c)
            for (std::size_t i = 0; i < take; ++i) buffer[c][i] = samples[i * channels_ + c] * (1.0f / 32768);
        if (vorbis_analysis_wrote(&dsp_, static_cast<int>(take)) != 0) return SPERR_ENGINE_FAILED;
        if (HRESULT hr = Drain(sink); FAILED(hr)) return hr;
        samples += take * channels_;
        frames -= take;
    }
    return S_OK;
}

HRESULT VorbisEncoder::Finish(const PacketSink& sink)
{
    if (vorbis_analysis_wrote(&dsp_, 0) != 0) return SPERR_ENGINE_FAILED;
    return Drain(sink);
}

HRESULT VorbisEncoder::Drain(const PacketSink& sink)
{
    while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
        if (vorbis_analysis(&block_, nullptr) != 0 || vorbis_bitrate_addblock(&block_) != 0) return SPERR_ENGINE_FAILED;
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(&dsp_, &packet) == 1) {
            const auto block = static_cast<std::uint32_t>(vorbis_packet_blocksize(&info_, &packet));
            // A packet decodes to the overlap of its block with the one before it.
            const std::uint32_t duration = previousBlock_ ? previousBlock_ / 4 + block / 4 : 0;
            previousBlock_ = block;
            if (HRESULT hr = sink(packet.packet, static_cast<std::size_t>(packet.bytes), duration); FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

std::uint32_t VorbisEncoder::PacketBlockSize(const std::uint8_t* data, std::size_t size)
{
    ogg_packet packet{};
    packet.packet = const_cast<unsigned char*>(data);
    packet.bytes = static_cast<long>(size);
    const long block = vorbis_packet_blocksize(&info_, &packet);
    return block > 0 ? static_cast<std::uint32_t>(block) : 0;
}

}  // namespace speech
