#include "wav_file_writer.h"

#include "wave_format.h"

#include <scratch_dir.h>
#include <winbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace speech {
namespace {

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint64_t Le(const std::string& s, std::size_t at, int bytes)
{
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(s[at + i]);
    return value;
}

// Sample bytes that differ from their neighbours, so a misplaced piece shows.
std::string Samples(std::size_t bytes)
{
    std::string samples(bytes, '\0');
    for (std::size_t i = 0; i < bytes; ++i) samples[i] = static_cast<char>(i * 7 + i / 251);
    return samples;
}

class WavFileWriterTest : public ::testing::Test {
protected:
    // Writes the samples in pieces of `piece` bytes and finishes the file.
    HRESULT WriteFile(WavFileWriter& writer, const std::string& samples, std::size_t piece)
    {
        EXPECT_EQ(writer.Create(path_.string(), format_), S_OK);
        for (std::size_t at = 0; at < samples.size(); at += piece)
            if (HRESULT hr = writer.Write(samples.data() + at, std::min(piece, samples.size() - at)); FAILED(hr))
                return hr;
        return writer.Finish();
    }

    testing_support::ScratchDir dir_;
    std::filesystem::path path_ = dir_ / "out.wav";
    WAVEFORMATEX format_ = NativeFormat();
};

// The plain file byte for byte: what every WAV under 4 GiB must stay.
TEST_F(WavFileWriterTest, BelowTheLimitTheFileIsThePlainRiffFile)
{
    WavFileWriter writer(1000);
    const std::string samples = Samples(1000);
    ASSERT_EQ(WriteFile(writer, samples, 300), S_OK);
    const char header[] = "RIFF\x0C\x04\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x22\x56\x00\x00"
                          "\x44\xAC\x00\x00\x02\x00\x10\x00" "data\xE8\x03\x00\x00";
    EXPECT_EQ(ReadAll(path_), std::string(header, 44) + samples);
}

TEST_F(WavFileWriterTest, PastTheLimitTheFileBecomesRf64WithItsSizesInDs64)
{
    // More than one piece of the move, crossing the limit inside a write.
    WavFileWriter writer(3 * 1024 * 1024 + 10);
    const std::string samples = Samples(3 * 1024 * 1024 + 5000);
    ASSERT_EQ(WriteFile(writer, samples, 4410), S_OK);
    const std::string file = ReadAll(path_);
    ASSERT_EQ(file.size(), 80 + samples.size());
    EXPECT_EQ(file.substr(0, 4), "RF64");
    EXPECT_EQ(Le(file, 4, 4), 0xFFFFFFFFu);
    EXPECT_EQ(file.substr(8, 8), "WAVEds64");
    EXPECT_EQ(Le(file, 16, 4), 28u);
    EXPECT_EQ(Le(file, 20, 8), file.size() - 8);    // the RIFF size
    EXPECT_EQ(Le(file, 28, 8), samples.size());     // the data size
    EXPECT_EQ(Le(file, 36, 8), samples.size() / 2);  // sample frames of 16-bit mono
    EXPECT_EQ(Le(file, 44, 4), 0u);
    EXPECT_EQ(file.substr(48, 8), "fmt \x10\x00\x00\x00"s);
    EXPECT_EQ(Le(file, 56, 2), WAVE_FORMAT_PCM);
    EXPECT_EQ(Le(file, 60, 4), format_.nSamplesPerSec);
    EXPECT_EQ(file.substr(72, 4), "data");
    EXPECT_EQ(Le(file, 76, 4), 0xFFFFFFFFu);
    EXPECT_TRUE(file.compare(80, std::string::npos, samples) == 0) << "the samples moved intact";
}

TEST_F(WavFileWriterTest, TheLimitItselfStaysRiffOneByteMoreIsRf64AndPadded)
{
    {
        WavFileWriter writer(600);
        ASSERT_EQ(WriteFile(writer, Samples(600), 600), S_OK);
        EXPECT_EQ(ReadAll(path_).substr(0, 4), "RIFF");
    }
    WavFileWriter writer(600);
    ASSERT_EQ(WriteFile(writer, Samples(601), 100), S_OK);
    const std::string file = ReadAll(path_);
    ASSERT_EQ(file.size(), 80 + 601 + 1);  // the data chunk ends even
    EXPECT_EQ(file.substr(0, 4), "RF64");
    EXPECT_EQ(Le(file, 20, 8), file.size() - 8);
    EXPECT_EQ(Le(file, 28, 8), 601u);
}

ssize_t FailingRead(int, void*, size_t)
{
    errno = EIO;
    return -1;
}

// Only the move reads the file back, so a failing read shows its failure path.
TEST_F(WavFileWriterTest, AFailureWhileMovingTheSamplesFailsTheWritesAndTheFinish)
{
    WavFileWriter writer(100000);
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.read = &FailingRead;
    win32::sys::ScopedOverride failing(calls);
    const HRESULT ioError = HresultFromErrno(EIO);
    EXPECT_TRUE(FAILED(ioError));
    EXPECT_EQ(WriteFile(writer, Samples(200000), 4096), ioError);
    EXPECT_EQ(writer.Write("ab", 2), ioError);
    EXPECT_EQ(writer.Finish(), ioError);
}

// Files appended between writes: every byte in its place, the sizes counted, and
// a file that carries the data past the limit turns it RF64 first.
TEST_F(WavFileWriterTest, AppendedFilesJoinTheWrittenSamplesInOrder)
{
    const std::string samples = Samples(90000);
    const std::filesystem::path piece = dir_ / "piece";
    std::ofstream(piece, std::ios::binary) << samples.substr(1000, 60000);
    win32::sys::UniqueFd source(win32::sys::Open(piece.c_str(), O_RDONLY));
    ASSERT_TRUE(source);

    WavFileWriter writer(80000);
    ASSERT_EQ(writer.Create(path_.string(), format_), S_OK);
    ASSERT_EQ(writer.Write(samples.data(), 1000), S_OK);  // still buffered when the file comes
    ASSERT_EQ(writer.AppendFile(source.get()), S_OK);
    ASSERT_EQ(writer.Write(samples.data() + 61000, 9000), S_OK);
    EXPECT_EQ(writer.DataBytes(), 70000u);
    ASSERT_EQ(writer.AppendFile(source.get()), S_OK);  // past 80000: RF64
    ASSERT_EQ(writer.Finish(), S_OK);

    const std::string file = ReadAll(path_);
    EXPECT_EQ(file.substr(0, 4), "RF64");
    EXPECT_EQ(Le(file, 28, 8), 130000u);
    EXPECT_TRUE(file.compare(80, 70000, samples, 0, 70000) == 0);
    EXPECT_TRUE(file.compare(80 + 70000, std::string::npos, samples.substr(1000, 60000)) == 0);
}

ssize_t NoSpaceToCopy(int, off_t*, int, off_t*, size_t, unsigned)
{
    errno = ENOSPC;
    return -1;
}

TEST_F(WavFileWriterTest, AFullDiskWhileAppendingFailsTheWriterForGood)
{
    const std::filesystem::path piece = dir_ / "piece";
    std::ofstream(piece, std::ios::binary) << Samples(5000);
    win32::sys::UniqueFd source(win32::sys::Open(piece.c_str(), O_RDONLY));
    WavFileWriter writer;
    ASSERT_EQ(writer.Create(path_.string(), format_), S_OK);
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.copyFileRange = &NoSpaceToCopy;
    win32::sys::ScopedOverride full(calls);
    const HRESULT diskFull = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    EXPECT_EQ(writer.AppendFile(source.get()), diskFull);
    EXPECT_EQ(writer.Write("ab", 2), diskFull);
    EXPECT_EQ(writer.Finish(), diskFull);
}

// The disk is asked to start on the samples as they go in, in order and never
// past what was written, so that the sync at the end finds little left to do; a
// file system that cannot take the hint changes nothing.
struct WritebackRange {
    off_t offset, size;
};
std::vector<WritebackRange> writebacks;

int RecordWriteback(int, off_t offset, off_t size, unsigned)
{
    writebacks.push_back({offset, size});
    errno = ENOSYS;  // as where the call does not exist
    return -1;
}

TEST_F(WavFileWriterTest, TheDiskStartsOnTheSamplesWhileTheyAreWritten)
{
    const std::string samples = Samples(9 * 1024 * 1024 + 5);
    const std::filesystem::path piece = dir_ / "piece";
    std::ofstream(piece, std::ios::binary) << samples.substr(6 * 1024 * 1024);
    win32::sys::UniqueFd source(win32::sys::Open(piece.c_str(), O_RDONLY));
    writebacks.clear();
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.syncFileRange = &RecordWriteback;
    win32::sys::ScopedOverride recording(calls);

    WavFileWriter writer;
    ASSERT_EQ(writer.Create(path_.string(), format_), S_OK);
    for (std::size_t at = 0; at < 6 * 1024 * 1024; at += 4096) ASSERT_EQ(writer.Write(samples.data() + at, 4096), S_OK);
    ASSERT_EQ(writer.AppendFile(source.get()), S_OK);
    ASSERT_EQ(writer.Finish(), S_OK);

    ASSERT_EQ(writebacks.size(), 2u);
    EXPECT_EQ(writebacks[0].offset, 44);
    EXPECT_GE(writebacks[0].size, 4 * 1024 * 1024);
    EXPECT_EQ(writebacks[1].offset, writebacks[0].offset + writebacks[0].size);
    EXPECT_EQ(writebacks[1].offset + writebacks[1].size, off_t{44} + off_t(samples.size())) << "up to the end";
    const std::string file = ReadAll(path_);
    ASSERT_EQ(file.size(), 44 + samples.size() + 1);  // with the pad byte
    EXPECT_TRUE(file.compare(44, samples.size(), samples) == 0) << "the samples in order";
}

// A long file is synced while it grows, so the sync at the end has little left;
// a sync that failed on the way fails the file, though a later sync would succeed
// (the kernel reports a write-back error to one sync only).
std::atomic<int> fsyncs;

int CountSync(int fd)
{
    ++fsyncs;
    return win32::sys::RealCalls().fsync(fd);
}

int FailFirstSync(int fd)
{
    if (fsyncs++ > 0) return win32::sys::RealCalls().fsync(fd);
    errno = EIO;
    return -1;
}

TEST_F(WavFileWriterTest, ALongFileIsSyncedWhileItGrowsAndASyncThatFailedFailsIt)
{
    const std::string samples = Samples(9 * 1024 * 1024);
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.fsync = &CountSync;
    {
        fsyncs = 0;
        win32::sys::ScopedOverride counting(calls);
        WavFileWriter writer;
        ASSERT_EQ(WriteFile(writer, samples, 64 * 1024), S_OK);
        EXPECT_GE(fsyncs, 2) << "one while the file grew, one at the end";
        EXPECT_TRUE(ReadAll(path_).compare(44, samples.size(), samples) == 0);
    }
    calls.fsync = &FailFirstSync;
    fsyncs = 0;
    win32::sys::ScopedOverride failing(calls);
    WavFileWriter writer;
    EXPECT_EQ(WriteFile(writer, samples, 64 * 1024), HresultFromErrno(EIO));
}

// Asked for, a sync starts however little the file holds.
TEST_F(WavFileWriterTest, ASyncAskedForStartsAtOnce)
{
    const std::string samples = Samples(256 * 1024);
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.fsync = &CountSync;
    fsyncs = 0;
    win32::sys::ScopedOverride counting(calls);
    WavFileWriter writer;
    ASSERT_EQ(writer.Create(path_.string(), format_), S_OK);
    ASSERT_EQ(writer.Write(samples.data(), samples.size()), S_OK);
    writer.StartSync();
    EXPECT_EQ(writer.Finish(), S_OK);
    EXPECT_EQ(fsyncs, 2) << "the one asked for, then the one at the end";
    EXPECT_TRUE(ReadAll(path_).compare(44, samples.size(), samples) == 0);
}

}  // namespace
}  // namespace speech
