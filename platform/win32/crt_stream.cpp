#include <crt_stream.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include <varnel/errno_map.h>
#include <varnel/syscalls.h>

namespace msvcrt {
namespace {

constexpr int kCtrlZ = 0x1A;

struct OpenMode {
    int flags;
    bool writing;
    bool text;
};

std::optional<OpenMode> ParseMode(const char* mode)
{
    if (!mode) return std::nullopt;
    OpenMode parsed{};
    switch (mode[0]) {
    case 'r': parsed = {O_RDONLY, false, true}; break;
    case 'w': parsed = {O_WRONLY | O_CREAT | O_TRUNC, true, true}; break;
    case 'a': parsed = {O_WRONLY | O_CREAT | O_APPEND, true, true}; break;
    default: return std::nullopt;
    }
    bool typeGiven = false;
    for (const char* p = mode + 1; *p; ++p) {
        if ((*p != 'b' && *p != 't') || typeGiven) return std::nullopt;
        parsed.text = *p == 't';
        typeGiven = true;
    }
    return parsed;
}

}  // namespace

FILE* FILE::Open(const char* path, const char* mode)
{
    auto parsed = ParseMode(mode);
    if (!parsed || !path) {
        errno = EINVAL;
        return nullptr;
    }
    int fd = win32::sys::Open(path, parsed->flags, 0666);
    if (fd < 0) {
        win32::SetLastErrorFromErrno(errno, path);  // as the runtime's CreateFile leaves it
        return nullptr;
    }
    return new FILE(fd, parsed->writing, parsed->text);
}

FILE::FILE(int fd, bool forWriting, bool text)
    : fd_(fd), writing_(forWriting), text_(text), buffer_(new char[kStreamBufferSize])
{
}

FILE::~FILE()
{
    if (fd_ >= 0) Close();
}

int FILE::GetByte()
{
    if (!CanRead()) return EOF;
    if (stopped_) {
        eof_ = true;
        return EOF;
    }
    int byte = RawGet();
    if (byte == EOF || !text_) return byte;
    if (byte == kCtrlZ) {
        stopped_ = eof_ = true;
        return EOF;
    }
    if (byte == '\r' && RawPeek() == '\n') {
        ++position_;
        return '\n';
    }
    return byte;
}

std::size_t FILE::Read(char* out, std::size_t bytes)
{
    std::size_t done = 0;
    if (text_) {
        for (int byte; done < bytes && (byte = GetByte()) != EOF; ++done) out[done] = static_cast<char>(byte);
        return done;
    }
    if (!CanRead()) return 0;
    while (done < bytes) {
        if (position_ == length_ && bytes - done >= kStreamBufferSize && !endOfData_) {
            ssize_t got = win32::sys::Read(fd_, out + done, bytes - done);
            if (got <= 0) {
                (got < 0 ? error_ : eof_) = true;
                endOfData_ = true;
                break;
            }
            done += static_cast<std::size_t>(got);
            continue;
        }
        if (position_ == length_ && !Refill()) {
            if (!error_) eof_ = true;
            break;
        }
        std::size_t take = std::min(length_ - position_, bytes - done);
        std::memcpy(out + done, buffer_.get() + position_, take);
        position_ += take;
        done += take;
    }
    return done;
}

bool FILE::Write(const char* data, std::size_t bytes)
{
    if (!CanWrite()) return false;
    if (!text_ && bytes >= kStreamBufferSize) {
        if (!Flush()) return false;
        if (win32::sys::WriteAll(fd_, data, bytes) == 0) return true;
        error_ = true;
        win32::SetLastErrorFromErrno(errno);
        return false;
    }
    for (std::size_t i = 0; i < bytes; ++i) {
        if (text_ && data[i] == '\n' && !PutRaw('\r')) return false;
        if (!PutRaw(data[i])) return false;
    }
    return true;
}

bool FILE::Flush()
{
    if (!writing_ || length_ == 0) return true;
    std::size_t pending = length_;
    length_ = 0;  // written or lost: a failed write is not retried
    if (win32::sys::WriteAll(fd_, buffer_.get(), pending) == 0) return true;
    error_ = true;
    win32::SetLastErrorFromErrno(errno);  // as the runtime's WriteFile leaves it
    return false;
}

bool FILE::Close()
{
    bool ok = Flush();
    if (win32::sys::Close(fd_) != 0) {
        win32::SetLastErrorFromErrno(errno);
        ok = false;
    }
    fd_ = -1;
    return ok;
}

int FILE::RawGet()
{
    if (position_ == length_ && !Refill()) {
        if (!error_) eof_ = true;
        return EOF;
    }
    return static_cast<unsigned char>(buffer_[position_++]);
}

// The next byte without taking it; refills the buffer when it is used up, so
// a CR at the end of one read still meets the LF at the start of the next.
int FILE::RawPeek()
{
    if (position_ == length_ && !Refill()) return EOF;
    return static_cast<unsigned char>(buffer_[position_]);
}

bool FILE::Refill()
{
    if (endOfData_) return false;
    ssize_t got = win32::sys::Read(fd_, buffer_.get(), kStreamBufferSize);
    if (got <= 0) {
        if (got < 0) error_ = true;
        endOfData_ = true;
        return false;
    }
    position_ = 0;
    length_ = static_cast<std::size_t>(got);
    return true;
}

bool FILE::PutRaw(char byte)
{
    if (length_ == kStreamBufferSize && !Flush()) return false;
    buffer_[length_++] = byte;
    return true;
}

bool FILE::CanRead()
{
    if (!writing_) return true;
    error_ = true;
    errno = EBADF;
    return false;
}

bool FILE::CanWrite()
{
    if (writing_) return true;
    error_ = true;
    errno = EBADF;
    return false;
}

}  // namespace msvcrt
