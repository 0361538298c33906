// Helpers for tests that write compressed files without the synthesizer: pieces
// encoded as a render worker encodes them, a disk that fills up under one file,
// and a file decoded by FFmpeg in its own rate and channels.
#pragma once

#include "decoded_file.h"

#include "encoding/encoded_file_writer.h"
#include "encoding/file_sink.h"
#include "encoding/piece_encoder.h"

#include <varnel/syscalls.h>
#include <winbase.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace encoding_test {

// Bursts of a tone, each after a stretch of silence: sound that starts where the
// test says it does.
inline std::vector<std::int16_t> Bursts(std::size_t count, std::size_t silence, std::size_t tone,
                                        std::uint16_t channels = 1, double hertz = 440, double rate = 22050)
{
    std::vector<std::int16_t> samples;
    for (std::size_t b = 0; b < count; ++b) {
        samples.insert(samples.end(), silence * channels, 0);
        for (std::size_t i = 0; i < tone; ++i)
            for (std::uint16_t c = 0; c < channels; ++c)
                samples.push_back(static_cast<std::int16_t>(8000 * std::sin(6.283185 * hertz * (c + 1) * i / rate)));
    }
    return samples;
}

// Noise that no encoder predicts well: every bit of a lossless frame counts.
inline std::vector<std::int16_t> Noise(std::size_t values, std::uint32_t seed)
{
    std::vector<std::int16_t> samples(values);
    for (std::int16_t& sample : samples) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<std::int16_t>(static_cast<std::int32_t>(seed >> 16) - 32768);
    }
    return samples;
}

// A piece encoded into a scratch file the way a render worker leaves it (the
// summary, then the packet records), for EncodedFileWriter::AppendPiece.
inline win32::sys::UniqueFd ScratchPiece(const speech::PieceFormat& format, const std::vector<std::int16_t>& samples)
{
    win32::sys::UniqueFd fd(win32::sys::MemoryFile("piece"));
    speech::FileSink out(fd.get());
    speech::PieceSummary summary;
    EXPECT_EQ(out.Write(speech::EncodeSummary(summary).data(), speech::kPieceSummaryBytes), S_OK);
    std::uint32_t packets = 0;
    std::uint64_t bytes = 0;
    HRESULT hr = S_OK;
    std::unique_ptr<speech::PieceEncoder> encoder = speech::CreatePieceEncoder(
        format,
        [&](const std::uint8_t* data, std::size_t size, std::uint32_t duration) {
            std::uint8_t header[speech::kPacketRecordHeaderBytes];
            speech::PutRecordHeader(header, static_cast<std::uint32_t>(size), duration);
            ++packets;
            bytes += sizeof header + size;
            if (HRESULT wrote = out.Write(header, sizeof header); FAILED(wrote)) return wrote;
            return out.Write(data, size);
        },
        &hr);
    EXPECT_TRUE(encoder) << std::hex << hr;
    if (!encoder) return {};
    EXPECT_EQ(encoder->Push(samples.data(), samples.size() / format.channels), S_OK);
    EXPECT_EQ(encoder->Finish(summary), S_OK);
    summary.packets = packets;
    summary.packetBytes = bytes;
    EXPECT_EQ(out.WriteAt(0, speech::EncodeSummary(summary).data(), speech::kPieceSummaryBytes), S_OK);
    EXPECT_EQ(out.Flush(), S_OK);
    return fd;
}

// The file decoded by FFmpeg as it is: its own rate and channels, interleaved.
inline std::optional<std::vector<std::int16_t>> DecodedAsIs(const std::string& path)
{
    std::optional<std::string> bytes = CommandOutput("ffmpeg -v error -nostdin -i " + Quoted(path) + " -f s16le -");
    if (!bytes) return std::nullopt;
    std::vector<std::int16_t> samples(bytes->size() / 2);
    std::copy_n(reinterpret_cast<const std::int16_t*>(bytes->data()), samples.size(), samples.data());
    return samples;
}

// A disk that is full for one file once `limit` bytes are in it: later writes to
// it fail with ENOSPC, writes to other files go through.
class DiskFullFor {
public:
    DiskFullFor(const std::string& path, std::uint64_t limit) : calls_(win32::sys::RealCalls())
    {
        struct stat info {};
        EXPECT_EQ(stat(path.c_str(), &info), 0);
        inode_ = info.st_ino;
        limit_ = limit;
        written_ = 0;
        calls_.write = &Write;
        override_.emplace(calls_);
    }

private:
    static ssize_t Write(int fd, const void* data, size_t size)
    {
        struct stat info {};
        if (fstat(fd, &info) != 0 || info.st_ino != inode_) return win32::sys::RealCalls().write(fd, data, size);
        if (written_ >= limit_) {
            errno = ENOSPC;
            return -1;
        }
        const auto take = static_cast<size_t>(std::min<std::uint64_t>(size, limit_ - written_));
        const ssize_t wrote = win32::sys::RealCalls().write(fd, data, take);
        if (wrote > 0) written_ += static_cast<std::uint64_t>(wrote);
        return wrote;
    }

    static inline ino_t inode_ = 0;
    static inline std::uint64_t limit_ = 0, written_ = 0;
    win32::sys::Table calls_;
    std::optional<win32::sys::ScopedOverride> override_;
};

}  // namespace encoding_test
