#include "sp_stream.h"

#include "speech_test_support.h"

#include <scratch_dir.h>
#include <varnel/syscalls.h>
#include <winbase.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace speech {
namespace {

using speech_test::ComTest;

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t U32(const std::string& s, std::size_t at)
{
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8
         | static_cast<unsigned char>(s[at + 2]) << 16 | std::uint32_t(static_cast<unsigned char>(s[at + 3])) << 24;
}

class SpStreamTest : public ComTest {
protected:
    CComPtr<ISpStream> NewStream()
    {
        CComPtr<ISpStream> stream;
        EXPECT_EQ(stream.CoCreateInstance(CLSID_SpStream), S_OK);
        return stream;
    }
    std::u16string WidePath(const char* name) { return Utf8ToUtf16Path((dir_ / name).string()); }
    static std::u16string Utf8ToUtf16Path(const std::string& s) { return std::u16string(s.begin(), s.end()); }

    testing_support::ScratchDir dir_;
    WAVEFORMATEX format_ = NativeFormat();
};

void ExpectWav(const std::string& file, const WAVEFORMATEX& format, std::size_t dataBytes)
{
    ASSERT_EQ(file.size(), 44 + dataBytes + (dataBytes & 1));
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(file, 4), 36 + dataBytes + (dataBytes & 1));
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(file, 16), 16u);
    EXPECT_EQ(U32(file, 20) & 0xFFFF, format.wFormatTag);
    EXPECT_EQ(U32(file, 20) >> 16, format.nChannels);
    EXPECT_EQ(U32(file, 24), format.nSamplesPerSec);
    EXPECT_EQ(U32(file, 28), format.nAvgBytesPerSec);
    EXPECT_EQ(U32(file, 32) & 0xFFFF, format.nBlockAlign);
    EXPECT_EQ(U32(file, 32) >> 16, format.wBitsPerSample);
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(U32(file, 40), dataBytes);
}

TEST_F(SpStreamTest, CloseWritesAFinishedWaveFile)
{
    auto stream = NewStream();
    auto path = WidePath("out.wav");
    ASSERT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format_, SPFEI_ALL_EVENTS),
              S_OK);
    std::vector<std::uint8_t> data(100000, 7);
    ULONG written = 0;
    EXPECT_EQ(stream->Write(data.data(), static_cast<ULONG>(data.size()), &written), S_OK);
    EXPECT_EQ(written, data.size());
    EXPECT_EQ(stream->Close(), S_OK);
    std::string file = ReadAll(dir_ / "out.wav");
    ExpectWav(file, format_, data.size());
    EXPECT_EQ(file.substr(44), std::string(data.size(), '\7'));
    EXPECT_EQ(stream->Write(data.data(), 2, nullptr), SPERR_STREAM_CLOSED);
    EXPECT_EQ(stream->Close(), SPERR_STREAM_CLOSED);
}

TEST_F(SpStreamTest, SeekTellsTheAudioBytesWrittenAndNothingElse)
{
    auto stream = NewStream();
    ULARGE_INTEGER position{99};
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &position), SPERR_UNINITIALIZED);
    auto path = WidePath("seek.wav");
    ASSERT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format_, 0), S_OK);
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 0u);
    ASSERT_EQ(stream->Write("abcdef", 6, nullptr), S_OK);
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 6u);
    // The file is written in order: no move anywhere.
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{-2}, STREAM_SEEK_CUR, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Close(), S_OK);
    ExpectWav(ReadAll(dir_ / "seek.wav"), format_, 6);
}

TEST_F(SpStreamTest, LastReleaseFinishesTheFileAndAnOddSizeIsPadded)
{
    WAVEFORMATEX eightBit = format_;
    eightBit.wBitsPerSample = 8;
    eightBit.nBlockAlign = 1;
    eightBit.nAvgBytesPerSec = 22050;
    {
        auto stream = NewStream();
        auto path = WidePath("odd.wav");
        ASSERT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &eightBit, 0), S_OK);
        ASSERT_EQ(stream->Write("abc", 3, nullptr), S_OK);
    }
    std::string file = ReadAll(dir_ / "odd.wav");
    ExpectWav(file, eightBit, 3);
    EXPECT_EQ(file.substr(44), std::string("abc\0", 4));
}

TEST_F(SpStreamTest, AnExistingFileIsEmptiedAndAnEmptyStreamIsAValidFile)
{
    std::ofstream(dir_ / "old.wav") << std::string(5000, 'x');
    {
        auto stream = NewStream();
        auto path = WidePath("old.wav");
        ASSERT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format_, 0), S_OK);
    }
    ExpectWav(ReadAll(dir_ / "old.wav"), format_, 0);
}

TEST_F(SpStreamTest, GetFormatHandsOutATaskMemoryCopy)
{
    auto stream = NewStream();
    GUID id;
    WAVEFORMATEX* format = nullptr;
    EXPECT_EQ(stream->GetFormat(&id, &format), SPERR_UNINITIALIZED);
    EXPECT_EQ(format, nullptr);
    auto path = WidePath("f.wav");
    WAVEFORMATEX stereo = format_;
    stereo.nChannels = 2;
    stereo.nBlockAlign = 4;
    stereo.nAvgBytesPerSec = 22050 * 4;
    ASSERT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &stereo, 0), S_OK);
    ASSERT_EQ(stream->GetFormat(&id, &format), S_OK);
    EXPECT_EQ(id, SPDFID_WaveFormatEx);
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->nChannels, 2);
    EXPECT_EQ(format->nAvgBytesPerSec, 22050u * 4);
    CoTaskMemFree(format);
    EXPECT_EQ(stream->GetFormat(nullptr, &format), E_POINTER);
}

TEST_F(SpStreamTest, BadBindingsFailAndLeaveNoFile)
{
    auto stream = NewStream();
    auto path = WidePath("bad.wav");
    EXPECT_EQ(stream->Write("ab", 2, nullptr), SPERR_UNINITIALIZED);
    EXPECT_EQ(stream->Close(), SPERR_UNINITIALIZED);
    EXPECT_EQ(stream->BindToFile(nullptr, SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format_, 0), E_INVALIDARG);
    EXPECT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_Text, &format_, 0), E_INVALIDARG);
    EXPECT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, nullptr, 0), E_INVALIDARG);
    WAVEFORMATEX broken = format_;
    broken.nBlockAlign = 3;
    EXPECT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &broken, 0), E_INVALIDARG);
    EXPECT_EQ(stream->BindToFile(path.c_str(), SPFM_OPEN_READONLY, &SPDFID_WaveFormatEx, &format_, 0), E_NOTIMPL);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "bad.wav"));
    auto missing = WidePath("no/such/folder/x.wav");
    EXPECT_EQ(stream->BindToFile(missing.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format_, 0),
              HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    ASSERT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format_, 0), S_OK);
    EXPECT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format_, 0),
              SPERR_ALREADY_INITIALIZED);
}

// Writes fail with ENOSPC once `room` bytes have gone to the file.
std::size_t room;
ssize_t WriteUntilFull(int fd, const void* data, size_t size)
{
    if (size > room) {
        errno = ENOSPC;
        return -1;
    }
    room -= size;
    return win32::sys::RealCalls().write(fd, data, size);
}

TEST_F(SpStreamTest, DiskFullIsReportedByTheWritesAndByClose)
{
    auto stream = NewStream();
    auto path = WidePath("full.wav");
    win32::sys::Table table = win32::sys::RealCalls();
    table.write = WriteUntilFull;
    room = 44 + 70000;
    win32::sys::ScopedOverride full(table);
    ASSERT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format_, 0), S_OK);
    std::vector<std::uint8_t> chunk(40000);
    HRESULT first = stream->Write(chunk.data(), 40000, nullptr);
    HRESULT second = stream->Write(chunk.data(), 40000, nullptr);  // the buffer spills over here
    EXPECT_EQ(first, S_OK);
    EXPECT_EQ(second, HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_EQ(stream->Write(chunk.data(), 2, nullptr), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_EQ(stream->Close(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
}

TEST_F(SpStreamTest, DiskFullAtTheEndIsReportedByClose)
{
    auto stream = NewStream();
    auto path = WidePath("late.wav");
    win32::sys::Table table = win32::sys::RealCalls();
    table.write = WriteUntilFull;
    room = 44 + 100;
    win32::sys::ScopedOverride full(table);
    ASSERT_EQ(stream->BindToFile(path.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format_, 0), S_OK);
    std::vector<std::uint8_t> chunk(1000);
    EXPECT_EQ(stream->Write(chunk.data(), 1000, nullptr), S_OK);  // buffered
    EXPECT_EQ(stream->Close(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
}

}  // namespace
}  // namespace speech
