// The stream object behind msvcrt::FILE (<stdio.h>) (platform-internal).
#pragma once

#include <cstddef>
#include <memory>

namespace msvcrt {

inline constexpr std::size_t kStreamBufferSize = 4096;

struct FILE {
public:
    // nullptr with errno set when the mode is unknown or the open fails.
    static FILE* Open(const char* path, const char* mode);
    ~FILE();
    FILE(const FILE&) = delete;
    FILE& operator=(const FILE&) = delete;

    int GetByte();
    std::size_t Read(char* out, std::size_t bytes);
    // False (error flag set) when the data could not be written.
    bool Write(const char* data, std::size_t bytes);
    bool Flush();
    // Flushes and closes the descriptor; false when either failed.
    bool Close();

    bool error() const { return error_; }
    bool eof() const { return eof_; }
    void ClearFlags() { error_ = eof_ = false; }

private:
    FILE(int fd, bool forWriting, bool text);

    int RawGet();
    int RawPeek();
    bool Refill();
    bool PutRaw(char byte);
    bool CanRead();
    bool CanWrite();

    int fd_;
    bool writing_;
    bool text_;
    bool error_ = false;
    bool eof_ = false;
    bool endOfData_ = false;  // the descriptor has no more data (or failed)
    bool stopped_ = false;    // text mode met a Ctrl-Z
    std::unique_ptr<char[]> buffer_;
    std::size_t position_ = 0;
    std::size_t length_ = 0;
};

}  // namespace msvcrt
