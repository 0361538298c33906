#include "wav_file_writer.h"

#include <errno_map.h>

#include <cerrno>
#include <cstring>

namespace speech {
namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr DWORD kErrorFileTooLarge = 223;  // ERROR_FILE_TOO_LARGE
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36 - 1;  // RIFF sizes are 32-bit

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
    buffer_.clear();
    format_ = format;
    int fd = win32::sys::Open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
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

HRESULT WavFileWriter::WriteHeader()
{
    std::uint8_t header[kHeaderBytes];
    std::uint32_t data = static_cast<std::uint32_t>(dataBytes_);
    std::uint32_t pad = data & 1;
    std::memcpy(header, "RIFF", 4);
    PutU32(header + 4, 36 + data + pad);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutU32(header + 16, 16);
    PutU16(header + 20, format_.wFormatTag);
    PutU16(header + 22, format_.nChannels);
    PutU32(header + 24, format_.nSamplesPerSec);
    PutU32(header + 28, format_.nAvgBytesPerSec);
    PutU16(header + 32, format_.nBlockAlign);
    PutU16(header + 34, format_.wBitsPerSample);
    std::memcpy(header + 36, "data", 4);
    PutU32(header + 40, data);
    if (win32::sys::Lseek(fd_.get(), 0, SEEK_SET) != 0) return Fail(HresultFromErrno(errno));
    if (win32::sys::WriteAll(fd_.get(), header, sizeof header) != 0) return Fail(HresultFromErrno(errno));
    return S_OK;
}

HRESULT WavFileWriter::Flush()
{
    if (buffer_.empty()) return S_OK;
    int result = win32::sys::WriteAll(fd_.get(), buffer_.data(), buffer_.size());
    buffer_.clear();
    return result == 0 ? S_OK : Fail(HresultFromErrno(errno));
}

HRESULT WavFileWriter::Write(const void* data, std::size_t bytes)
{
    if (finished_) return E_UNEXPECTED;
    if (FAILED(error_)) return error_;
    if (dataBytes_ + bytes > kMaxDataBytes) return Fail(HRESULT_FROM_WIN32(kErrorFileTooLarge));
    const auto* from = static_cast<const std::uint8_t*>(data);
    buffer_.insert(buffer_.end(), from, from + bytes);
    dataBytes_ += bytes;
    return buffer_.size() >= kBufferBytes ? Flush() : S_OK;
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
    if (SUCCEEDED(error_)) WriteHeader();
    if (SUCCEEDED(error_) && win32::sys::Fsync(fd_.get()) != 0) Fail(HresultFromErrno(errno));
    if (fd_.Reset() != 0) Fail(HresultFromErrno(errno));
    buffer_.clear();
    buffer_.shrink_to_fit();
    return error_;
}

}  // namespace speech
