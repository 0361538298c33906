#include "flac_frame.h"

#include <array>
#include <optional>

namespace speech {
namespace {

constexpr std::uint64_t kLargestSampleNumber = (std::uint64_t{1} << 36) - 1;

// The frame header's CRC-8 (polynomial 0x07) and the frame's CRC-16 (0x8005),
// both unreflected from 0.
std::uint8_t Crc8(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<std::uint8_t>(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

std::uint16_t Crc16(const std::uint8_t* data, std::size_t size)
{
    static const std::array<std::uint16_t, 256> table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned value = i << 8;
            for (int bit = 0; bit < 8; ++bit) value = value & 0x8000 ? (value << 1) ^ 0x8005 : value << 1;
            t[i] = static_cast<std::uint16_t>(value);
        }
        return t;
    }();
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < size; ++i)
        crc = static_cast<std::uint16_t>((crc << 8) ^ table[((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

// Bytes of the number coded as UTF-8 codes characters, from its first byte.
std::size_t CodedNumberBytes(std::uint8_t first)
{
    if (first < 0x80) return 1;
    if (first < 0xC0) return 0;  // a continuation byte
    std::size_t bytes = 1;
    for (std::uint8_t mask = 0x40; mask != 0 && (first & mask); mask >>= 1) ++bytes;
    return bytes <= 7 ? bytes : 0;
}

// The number in UTF-8's way, extended to seven bytes (36 bits).
void PutCodedNumber(std::vector<std::uint8_t>& out, std::uint64_t value)
{
    if (value < 0x80) {
        out.push_back(static_cast<std::uint8_t>(value));
        return;
    }
    std::size_t continuation = 1;
    while (continuation < 6 && value >= (std::uint64_t{1} << (6 - continuation + 6 * continuation))) ++continuation;
    const auto lead = static_cast<std::uint8_t>(0xFF00 >> (continuation + 1));
    out.push_back(static_cast<std::uint8_t>(lead | (value >> (6 * continuation))));
    for (std::size_t i = continuation; i-- > 0;) out.push_back(static_cast<std::uint8_t>(0x80 | ((value >> (6 * i)) & 0x3F)));
}

struct Header {
    std::size_t numberAt = 4, numberBytes = 0;
    std::size_t bytes = 0;  // with its CRC-8
    std::uint32_t samples = 0;
};

std::optional<Header> ReadHeader(const std::uint8_t* frame, std::size_t size)
{
    if (size < 6 || frame[0] != 0xFF || (frame[1] & 0xFE) != 0xF8) return std::nullopt;
    Header header;
    header.numberBytes = CodedNumberBytes(frame[4]);
    if (header.numberBytes == 0) return std::nullopt;
    std::size_t at = 4 + header.numberBytes;
    const int sizeCode = frame[2] >> 4, rateCode = frame[2] & 0xF;
    static constexpr std::uint32_t kFixed[16] = {0, 192, 576, 1152, 2304, 4608, 0, 0,
                                                256, 512, 1024, 2048, 4096, 8192, 16384, 32768};
    std::uint32_t samples = kFixed[sizeCode];
    if (sizeCode == 0) return std::nullopt;
    if (sizeCode == 6 || sizeCode == 7) {
        const std::size_t extra = sizeCode == 6 ? 1 : 2;
        if (at + extra >= size) return std::nullopt;
        samples = (sizeCode == 6 ? frame[at] : (frame[at] << 8 | frame[at + 1])) + 1u;
        at += extra;
    }
    if (rateCode == 15) return std::nullopt;
    at += rateCode == 12 ? 1 : rateCode == 13 || rateCode == 14 ? 2 : 0;
    if (at >= size || Crc8(frame, at) != frame[at]) return std::nullopt;
    header.bytes = at + 1;
    header.samples = samples;
    return header;
}

}  // namespace

std::uint32_t FlacFrameSamples(const std::uint8_t* frame, std::size_t size)
{
    std::optional<Header> header = ReadHeader(frame, size);
    return header ? header->samples : 0;
}

std::vector<std::uint8_t> FlacFrameAt(const std::uint8_t* frame, std::size_t size, std::uint64_t firstSample)
{
    std::optional<Header> header = ReadHeader(frame, size);
    if (!header || header->bytes + 2 > size || firstSample > kLargestSampleNumber) return {};
    std::vector<std::uint8_t> out;
    out.reserve(size + 6);
    out.insert(out.end(), frame, frame + header->numberAt);
    out[1] |= 1;  // variable block sizes: frames carry sample numbers
    PutCodedNumber(out, firstSample);
    out.insert(out.end(), frame + header->numberAt + header->numberBytes, frame + header->bytes - 1);
    out.push_back(Crc8(out.data(), out.size()));
    out.insert(out.end(), frame + header->bytes, frame + size - 2);
    const std::uint16_t crc = Crc16(out.data(), out.size());
    out.push_back(static_cast<std::uint8_t>(crc >> 8));
    out.push_back(static_cast<std::uint8_t>(crc));
    return out;
}

}  // namespace speech
