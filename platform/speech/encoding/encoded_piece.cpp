#include "encoded_piece.h"

#include "../wav_file_writer.h"

#include <sapi.h>
#include <varnel/syscalls.h>

#include <algorithm>

#include <cerrno>
#include <cstring>

namespace speech {
namespace {

constexpr std::uint32_t kMagic = 0x31504556;  // "VEP1"
constexpr std::size_t kReadBytes = 256 * 1024;

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void PutU64(std::uint8_t* at, std::uint64_t value)
{
    PutU32(at, static_cast<std::uint32_t>(value));
    PutU32(at + 4, static_cast<std::uint32_t>(value >> 32));
}
std::uint32_t GetU32(const std::uint8_t* at)
{
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}
std::uint64_t GetU64(const std::uint8_t* at) { return GetU32(at) | std::uint64_t{GetU32(at + 4)} << 32; }

}  // namespace

std::vector<std::uint8_t> EncodeSummary(const PieceSummary& summary)
{
    std::vector<std::uint8_t> bytes(kPieceSummaryBytes);
    PutU32(&bytes[0], kMagic);
    PutU32(&bytes[4], static_cast<std::uint32_t>(summary.container));
    PutU64(&bytes[8], summary.samples);
    PutU64(&bytes[16], summary.firstSound);
    PutU32(&bytes[24], summary.priming);
    PutU32(&bytes[28], summary.packets);
    PutU64(&bytes[32], summary.packetBytes);
    PutU32(&bytes[40], summary.headCarried);
    return bytes;
}

std::optional<PieceSummary> DecodeSummary(const std::uint8_t* bytes, std::size_t size)
{
    if (size < kPieceSummaryBytes || GetU32(bytes) != kMagic) return std::nullopt;
    PieceSummary summary;
    const std::uint32_t container = GetU32(bytes + 4);
    if (container > static_cast<std::uint32_t>(AudioContainer::M4b)) return std::nullopt;
    summary.container = static_cast<AudioContainer>(container);
    summary.samples = GetU64(bytes + 8);
    summary.firstSound = GetU64(bytes + 16);
    summary.priming = GetU32(bytes + 24);
    summary.packets = GetU32(bytes + 28);
    summary.packetBytes = GetU64(bytes + 32);
    summary.headCarried = GetU32(bytes + 40);
    return summary;
}

void PutRecordHeader(std::uint8_t* at, std::uint32_t size, std::uint32_t duration)
{
    PutU32(at, size);
    PutU32(at + 4, duration);
}

std::optional<PieceSummary> ReadPieceSummary(int fd)
{
    std::uint8_t bytes[kPieceSummaryBytes];
    if (win32::sys::Calls().pread(fd, bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
        return std::nullopt;
    return DecodeSummary(bytes, sizeof bytes);
}

HRESULT PacketReader::Fill(std::size_t needed)
{
    if (buffer_.size() - at_ >= needed) return S_OK;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(at_));
    at_ = 0;
    while (buffer_.size() < needed && left_ > 0) {
        const std::size_t have = buffer_.size();
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left_, std::max(kReadBytes, needed)));
        buffer_.resize(have + want);
        ssize_t got = win32::sys::Calls().pread(fd_, buffer_.data() + have, want, static_cast<off_t>(offset_));
        if (got < 0 && errno == EINTR) {
            buffer_.resize(have);
            continue;
        }
        if (got <= 0) {
            buffer_.resize(have);
            return got < 0 ? HresultFromErrno(errno) : SPERR_ENGINE_FAILED;
        }
        buffer_.resize(have + static_cast<std::size_t>(got));
        offset_ += static_cast<std::uint64_t>(got);
        left_ -= static_cast<std::uint64_t>(got);
    }
    return buffer_.size() >= needed ? S_OK : SPERR_ENGINE_FAILED;
}

HRESULT PacketReader::Next(std::vector<std::uint8_t>& data, std::uint32_t& duration)
{
    if (at_ == buffer_.size() && left_ == 0) return S_FALSE;
    if (HRESULT hr = Fill(kPacketRecordHeaderBytes); FAILED(hr)) return hr;
    const std::uint32_t size = GetU32(&buffer_[at_]);
    duration = GetU32(&buffer_[at_ + 4]);
    if (size > kLargestPacketBytes) return SPERR_ENGINE_FAILED;
    if (HRESULT hr = Fill(kPacketRecordHeaderBytes + size); FAILED(hr)) return hr;
    const std::uint8_t* begin = &buffer_[at_ + kPacketRecordHeaderBytes];
    data.assign(begin, begin + size);
    at_ += kPacketRecordHeaderBytes + size;
    return S_OK;
}

}  // namespace speech
