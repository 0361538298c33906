// A RIFF/WAVE PCM file written through the platform's file-call table: a 44-byte
// header whose sizes are patched when the file is finished. Sample data that
// passes what a RIFF header can count (4 GiB) makes the file RF64 (EBU Tech 3306):
// the data moves 36 bytes on to make room for a ds64 chunk after the WAVE id,
// which holds the 64-bit sizes; "RF64" replaces "RIFF" and the 32-bit sizes
// read 0xFFFFFFFF. A file that never passes the limit is the plain RIFF file.
#pragma once

#include "background_sync.h"

#include <mmreg.h>
#include <varnel/syscalls.h>
#include <winerror.h>

#include <cstdint>
#include <string>
#include <vector>

namespace speech {

class WavFileWriter {
public:
    // The most sample bytes a RIFF header can count (with its pad byte).
    static constexpr std::uint64_t kLargestRiffData = 0xFFFFFFFFull - 36 - 1;

    // `largestRiffData`: where the file turns RF64 (tests make it small).
    explicit WavFileWriter(std::uint64_t largestRiffData = kLargestRiffData) : largestRiffData_(largestRiffData) {}
    ~WavFileWriter() { Finish(); }
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates the file, or empties an existing one, and writes a provisional header.
    HRESULT Create(const std::string& path, const WAVEFORMATEX& format);
    // Appends sample bytes; after a failed write every later one fails the same way.
    HRESULT Write(const void* data, std::size_t bytes);
    // Appends the whole of the file `source` as sample bytes, copied inside the
    // kernel where the file systems allow it. Its failures fail the writer as Write's do.
    HRESULT AppendFile(int source);
    // Starts syncing what is in the file so far on the background thread, unless a
    // sync is under way; its failure fails Finish. Nothing once finished or failed.
    void StartSync();
    // Writes what is buffered, patches the sizes, syncs and closes. The first error
    // met since Create, or S_OK; later calls return the same.
    HRESULT Finish();
    bool IsOpen() const { return static_cast<bool>(fd_); }
    // Sample bytes taken since Create.
    std::uint64_t DataBytes() const { return dataBytes_; }

private:
    HRESULT Flush();
    // Has the disk start on what was written since the last start, once that is
    // enough to be worth it, and syncs a long file in the background as it grows:
    // the fsync at the end then has little left to wait for.
    void StartWriteback();
    // The sample bytes in the file: what is still buffered is not there yet.
    std::uint64_t BytesInFile() const { return dataBytes_ - buffer_.size(); }
    HRESULT WriteHeader();
    HRESULT BecomeRf64();
    HRESULT Fail(HRESULT hr);
    std::size_t HeaderBytes() const;

    const std::uint64_t largestRiffData_;
    win32::sys::UniqueFd fd_;
    WAVEFORMATEX format_{};
    std::vector<std::uint8_t> buffer_;
    std::uint64_t dataBytes_ = 0;
    std::uint64_t writebackStarted_ = 0;  // sample bytes the disk was asked to take
    std::uint64_t syncStarted_ = 0;       // sample bytes a background sync was started for
    BackgroundSync sync_;
    HRESULT error_ = S_OK;
    bool finished_ = true;
    bool rf64_ = false;
};

// The HRESULT for a failed file call's errno (ENOSPC: disk full).
HRESULT HresultFromErrno(int error);

}  // namespace speech
