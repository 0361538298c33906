#include "wav_file_writer.h"

#include <varnel/errno_map.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace speech {
namespace {

constexpr std::size_t kRiffHeaderBytes = 44;
constexpr std::size_t kDs64ChunkBytes = 8 + 28;  // id, size, three 64-bit sizes, table length
constexpr std::size_t kRf64HeaderBytes = kRiffHeaderBytes + kDs64ChunkBytes;
constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr std::size_t kMoveBytes = 1024 * 1024;
constexpr std::uint64_t kWritebackBytes = 4 * 1024 * 1024;
constexpr std::uint64_t kSyncBytes = 8 * 1024 * 1024;
constexpr std::uint32_t kSizeInDs64 = 0xFFFFFFFF;

void PutU16(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    PutU16(at, value & 0xFFFF);
    PutU16(at + 2, value >> 16);
}

void PutU64(std::uint8_t* at, std::uint64_t value)
{
    PutU32(at, static_cast<std::uint32_t>(value));
    PutU32(at + 4, static_cast<std::uint32_t>(value >> 32));
}

// The "fmt " chunk and the "data" chunk's header: 32 bytes.
void PutFormatAndDataHeader(std::uint8_t* at, const WAVEFORMATEX& format, std::uint32_t dataSize)
{
    std::memcpy(at, "fmt ", 4);
    PutU32(at + 4, 16);
    PutU16(at + 8, format.wFormatTag);
    PutU16(at + 10, format.nChannels);
    PutU32(at + 12, format.nSamplesPerSec);
    PutU32(at + 16, format.nAvgBytesPerSec);
    PutU16(at + 20, format.nBlockAlign);
    PutU16(at + 22, format.wBitsPerSample);
    std::memcpy(at + 24, "data", 4);
    PutU32(at + 28, dataSize);
}

}  // namespace

HRESULT HresultFromErrno(int error)
{
    if (error == EDQUOT) error = ENOSPC;
    return HRESULT_FROM_WIN32(win32::ErrorFromErrno(error));
}

HRESULT WavFileWriter::Fail(HRESULT hr)
{
    if (SUCCEEDED(error_)) error_ = hr;
    return error_;
}

HRESULT WavFileWriter::Create(const std::string& path, const WAVEFORMATEX& format)
{
    Finish();
    error_ = S_OK;
    dataBytes_ = 0;
    writebackStarted_ = syncStarted_ = 0;
    rf64_ = false;
    buffer_.clear();
    format_ = format;
    // Readable too: turning RF64 reads the samples back to move them.
    int fd = win32::sys::Open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return HRESULT_FROM_WIN32(win32::ErrorFromErrno(errno, path.c_str()));
    fd_ = win32::sys::UniqueFd(fd);
    finished_ = false;
    HRESULT hr = WriteHeader();
    if (FAILED(hr)) {
        finished_ = true;
        fd_.Reset();
    }
    return hr;
}

std::size_t WavFileWriter::HeaderBytes() const { return rf64_ ? kRf64HeaderBytes : kRiffHeaderBytes; }

// Writes the header for the sizes so far and leaves the file position at the end.
HRESULT WavFileWriter::WriteHeader()
{
    std::uint8_t header[kRf64HeaderBytes];
    const std::uint64_t pad = dataBytes_ & 1;
    std::uint8_t* format = header + 12;
    std::memcpy(header + 8, "WAVE", 4);
    if (rf64_) {
        std::memcpy(header, "RF64", 4);
        PutU32(header + 4, kSizeInDs64);
        std::memcpy(header + 12, "ds64", 4);
        PutU32(header + 16, 28);
        PutU64(header + 20, kRf64HeaderBytes - 8 + dataBytes_ + pad);  // the RIFF size
        PutU64(header + 28, dataBytes_);
        PutU64(header + 36, format_.nBlockAlign ? dataBytes_ / format_.nBlockAlign : 0);  // sample frames
        PutU32(header + 44, 0);  // no table of other chunk sizes
        format = header + 48;
    } else {
        std::memcpy(header, "RIFF", 4);
        PutU32(header + 4, static_cast<std::uint32_t>(kRiffHeaderBytes - 8 + dataBytes_ + pad));
    }
    PutFormatAndDataHeader(format, format_, rf64_ ? kSizeInDs64 : static_cast<std::uint32_t>(dataBytes_));
    const off_t end = static_cast<off_t>(HeaderBytes() + dataBytes_);
    if (win32::sys::Lseek(fd_.get(), 0, SEEK_SET) != 0) return Fail(HresultFromErrno(errno));
    if (win32::sys::WriteAll(fd_.get(), header, HeaderBytes()) != 0) return Fail(HresultFromErrno(errno));
    if (win32::sys::Lseek(fd_.get(), end, SEEK_SET) != end) return Fail(HresultFromErrno(errno));
    return S_OK;
}

// Moves the samples written so far behind a header with room for the ds64 chunk,
// last piece first so that nothing is overwritten before it has been copied.
HRESULT WavFileWriter::BecomeRf64()
{
    if (HRESULT hr = Flush(); FAILED(hr)) return hr;
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(kMoveBytes, dataBytes_)));
    for (std::uint64_t left = dataBytes_; left > 0;) {
        const std::size_t bytes = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), left));
        left -= bytes;
        const off_t from = static_cast<off_t>(kRiffHeaderBytes + left);
        const off_t to = static_cast<off_t>(kRf64HeaderBytes + left);
        if (win32::sys::Lseek(fd_.get(), from, SEEK_SET) != from) return Fail(HresultFromErrno(errno));
        ssize_t got = win32::sys::ReadFull(fd_.get(), piece.data(), bytes);
        if (got != static_cast<ssize_t>(bytes)) return Fail(got < 0 ? HresultFromErrno(errno) : E_UNEXPECTED);
        if (win32::sys::Lseek(fd_.get(), to, SEEK_SET) != to) return Fail(HresultFromErrno(errno));
        if (win32::sys::WriteAll(fd_.get(), piece.data(), bytes) != 0) return Fail(HresultFromErrno(errno));
    }
    rf64_ = true;
    return WriteHeader();
}

HRESULT WavFileWriter::Flush()
{
    if (buffer_.empty()) return S_OK;
    int result = win32::sys::WriteAll(fd_.get(), buffer_.data(), buffer_.size());
    buffer_.clear();
    if (result != 0) return Fail(HresultFromErrno(errno));
    StartWriteback();
    return S_OK;
}

void WavFileWriter::StartWriteback()
{
    const std::uint64_t written = BytesInFile();
    if (written - writebackStarted_ < kWritebackBytes) return;
    const auto from = static_cast<off_t>(HeaderBytes() + writebackStarted_);
    win32::sys::StartWriteback(fd_.get(), from, static_cast<off_t>(written - writebackStarted_));
    writebackStarted_ = written;  // a hint: its failure changes nothing
    if (written - syncStarted_ >= kSyncBytes) StartSync();
}

HRESULT WavFileWriter::Write(const void* data, std::size_t bytes)
{
    if (finished_) return E_UNEXPECTED;
    if (FAILED(error_)) return error_;
    if (!rf64_ && dataBytes_ + bytes > largestRiffData_)
        if (HRESULT hr = BecomeRf64(); FAILED(hr)) return hr;
    const auto* from = static_cast<const std::uint8_t*>(data);
    buffer_.insert(buffer_.end(), from, from + bytes);
    dataBytes_ += bytes;
    return buffer_.size() >= kBufferBytes ? Flush() : S_OK;
}

HRESULT WavFileWriter::AppendFile(int source)
{
    if (finished_) return E_UNEXPECTED;
    if (FAILED(error_)) return error_;
    struct stat info;
    if (win32::sys::Fstat(source, &info) != 0) return Fail(HresultFromErrno(errno));
    const auto bytes = static_cast<std::uint64_t>(info.st_size);
    if (!rf64_ && dataBytes_ + bytes > largestRiffData_)
        if (HRESULT hr = BecomeRf64(); FAILED(hr)) return hr;
    if (HRESULT hr = Flush(); FAILED(hr)) return hr;
    if (win32::sys::CopyAll(source, 0, fd_.get(), static_cast<std::size_t>(bytes)) != 0)
        return Fail(HresultFromErrno(errno));
    dataBytes_ += bytes;
    StartWriteback();
    return S_OK;
}

void WavFileWriter::StartSync()
{
    if (finished_ || FAILED(error_)) return;
    if (sync_.Start(fd_.get())) syncStarted_ = BytesInFile();
}

HRESULT WavFileWriter::Finish()
{
    if (finished_) return error_;
    finished_ = true;
    if (SUCCEEDED(error_)) Flush();
    if (SUCCEEDED(error_) && (dataBytes_ & 1)) {
        std::uint8_t pad = 0;  // chunks are padded to an even size
        if (win32::sys::WriteAll(fd_.get(), &pad, 1) != 0) Fail(HresultFromErrno(errno));
    }
    if (int error = sync_.Wait(); error != 0) Fail(HresultFromErrno(error));
    if (SUCCEEDED(error_)) WriteHeader();
    if (SUCCEEDED(error_) && win32::sys::Fsync(fd_.get()) != 0) Fail(HresultFromErrno(errno));
    if (fd_.Reset() != 0) Fail(HresultFromErrno(errno));
    buffer_.clear();
    buffer_.shrink_to_fit();
    return error_;
}

}  // namespace speech
