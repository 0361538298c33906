#include "file_sink.h"

#include "../wav_file_writer.h"

#include <varnel/syscalls.h>

#include <cerrno>
#include <cstring>

namespace speech {
namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

}  // namespace

void FileSink::Reset(int fd)
{
    fd_ = fd;
    buffer_.clear();
    position_ = 0;
    error_ = S_OK;
}

HRESULT FileSink::Fail(int error)
{
    if (SUCCEEDED(error_)) error_ = HresultFromErrno(error);
    buffer_.clear();
    return error_;
}

HRESULT FileSink::Write(const void* data, std::size_t size)
{
    if (FAILED(error_)) return error_;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    position_ += size;
    return buffer_.size() >= kBufferBytes ? Flush() : S_OK;
}

HRESULT FileSink::Flush()
{
    if (FAILED(error_)) return error_;
    if (buffer_.empty()) return S_OK;
    if (win32::sys::WriteAll(fd_, buffer_.data(), buffer_.size()) != 0) return Fail(errno);
    buffer_.clear();
    return S_OK;
}

HRESULT FileSink::WriteAt(std::uint64_t offset, const void* data, std::size_t size)
{
    if (HRESULT hr = Flush(); FAILED(hr)) return hr;
    const auto at = static_cast<off_t>(offset);
    if (win32::sys::Lseek(fd_, at, SEEK_SET) != at || win32::sys::WriteAll(fd_, data, size) != 0
        || win32::sys::Lseek(fd_, 0, SEEK_END) < 0)
        return Fail(errno);
    return S_OK;
}

HRESULT FileSink::Append(int from, std::uint64_t offset, std::uint64_t size)
{
    if (HRESULT hr = Flush(); FAILED(hr)) return hr;
    if (win32::sys::CopyAll(from, static_cast<off_t>(offset), fd_, static_cast<std::size_t>(size)) != 0)
        return Fail(errno);
    position_ += size;
    return S_OK;
}

HRESULT FileSink::Sync()
{
    if (HRESULT hr = Flush(); FAILED(hr)) return hr;
    if (win32::sys::Fsync(fd_) != 0) return Fail(errno);
    return S_OK;
}

}  // namespace speech
