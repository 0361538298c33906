// A piece of encoded audio as it travels from the encoder to the file: packets,
// each with its size and its duration on the container's timeline, and a summary
// of the piece. A render worker leaves one in its scratch file (the summary
// first, then the packet records); the engine appends the records to the file's
// packet log and keeps the summary.
#pragma once

#include "audio_container.h"

#include <winerror.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace speech {

struct PieceSummary {
    AudioContainer container = AudioContainer::Wav;
    std::uint64_t samples = 0;     // timeline samples the piece adds, its priming not counted
    std::uint64_t firstSound = 0;  // timeline samples from the piece's start to its first sound
    std::uint32_t priming = 0;     // timeline samples a player skips before it (the file's first piece)
    std::uint32_t headCarried = 0; // timeline samples of its start that the piece before carried
    std::uint32_t packets = 0;
    std::uint64_t packetBytes = 0; // of the records that follow the summary
};
inline constexpr std::size_t kPieceSummaryBytes = 48;  // room to spare
// Each packet record: its size and duration (32 bits each, little-endian), then its bytes.
inline constexpr std::size_t kPacketRecordHeaderBytes = 8;
// No codec of the engine makes larger packets; a larger size is a broken record.
inline constexpr std::uint32_t kLargestPacketBytes = 1 << 20;

// Where an encoder hands its packets.
using PacketSink = std::function<HRESULT(const std::uint8_t* data, std::size_t size, std::uint32_t duration)>;

std::vector<std::uint8_t> EncodeSummary(const PieceSummary& summary);
std::optional<PieceSummary> DecodeSummary(const std::uint8_t* bytes, std::size_t size);
// The record header of a packet.
void PutRecordHeader(std::uint8_t* at, std::uint32_t size, std::uint32_t duration);

// The summary at the start of a scratch file; nullopt when it holds none.
std::optional<PieceSummary> ReadPieceSummary(int fd);

// Reads packet records one by one from a file, from `offset` on, `bytes` long.
class PacketReader {
public:
    PacketReader(int fd, std::uint64_t offset, std::uint64_t bytes) : fd_(fd), offset_(offset), left_(bytes) {}
    // S_OK with the next packet, S_FALSE at the end, a failure for a broken record or a read error.
    HRESULT Next(std::vector<std::uint8_t>& data, std::uint32_t& duration);

private:
    HRESULT Fill(std::size_t needed);

    int fd_;
    std::uint64_t offset_;  // of the next byte to read from the file
    std::uint64_t left_;    // bytes of records not yet read from the file
    std::vector<std::uint8_t> buffer_;
    std::size_t at_ = 0;    // of the next unread byte in buffer_
};

}  // namespace speech
