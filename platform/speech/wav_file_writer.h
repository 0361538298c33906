// A RIFF/WAVE PCM file written through the platform's file-call table: a 44-byte
// header whose sizes are patched when the file is finished.
#pragma once

#include <mmreg.h>
#include <syscalls.h>
#include <winerror.h>

#include <cstdint>
#include <string>
#include <vector>

namespace speech {

class WavFileWriter {
public:
    WavFileWriter() = default;
    ~WavFileWriter() { Finish(); }
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates the file, or empties an existing one, and writes a provisional header.
    HRESULT Create(const std::string& path, const WAVEFORMATEX& format);
    // Appends sample bytes; after a failed write every later one fails the same way.
    HRESULT Write(const void* data, std::size_t bytes);
    // Writes what is buffered, patches the sizes, syncs and closes. The first error
    // met since Create, or S_OK; later calls return the same.
    HRESULT Finish();
    bool IsOpen() const { return static_cast<bool>(fd_); }
    // Sample bytes taken since Create.
    std::uint64_t DataBytes() const { return dataBytes_; }

private:
    HRESULT Flush();
    HRESULT WriteHeader();
    HRESULT Fail(HRESULT hr);

    win32::sys::UniqueFd fd_;
    WAVEFORMATEX format_{};
    std::vector<std::uint8_t> buffer_;
    std::uint64_t dataBytes_ = 0;
    HRESULT error_ = S_OK;
    bool finished_ = true;
};

// The HRESULT for a failed file call's errno (ENOSPC: disk full).
HRESULT HresultFromErrno(int error);

}  // namespace speech
