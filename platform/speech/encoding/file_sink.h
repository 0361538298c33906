// Buffered writes into a file through the platform's file calls, so a test can
// make them fail (a full disk). The first failure sticks: every later call
// returns it and writes nothing.
#pragma once

#include <winerror.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace speech {

class FileSink {
public:
    explicit FileSink(int fd = -1) : fd_(fd) {}
    void Reset(int fd);

    HRESULT Write(const void* data, std::size_t size);
    // Bytes that are already in the file, rewritten in place (a header patched at the end).
    HRESULT WriteAt(std::uint64_t offset, const void* data, std::size_t size);
    // Appends `size` bytes of the file `from`, read from `offset` on, inside the kernel.
    HRESULT Append(int from, std::uint64_t offset, std::uint64_t size);
    HRESULT Flush();
    // Flushes and waits until the file's bytes are on the disk.
    HRESULT Sync();

    // Bytes written so far, buffered ones included.
    std::uint64_t Position() const { return position_; }
    HRESULT error() const { return error_; }

private:
    HRESULT Fail(int error);

    int fd_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t position_ = 0;
    HRESULT error_ = S_OK;
};

}  // namespace speech
