#include <stdio.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include <crt_stream.h>

namespace msvcrt {
namespace {

bool Valid(FILE* stream)
{
    if (stream) return true;
    errno = EINVAL;
    return false;
}

}  // namespace

FILE* fopen(const char* path, const char* mode) { return FILE::Open(path, mode); }

int fgetc(FILE* stream) { return Valid(stream) ? stream->GetByte() : EOF; }

char* fgets(char* buffer, int size, FILE* stream)
{
    if (!Valid(stream) || !buffer || size <= 0) {
        errno = EINVAL;
        return nullptr;
    }
    int stored = 0;
    while (stored < size - 1) {
        int byte = stream->GetByte();
        if (byte == EOF) break;
        buffer[stored++] = static_cast<char>(byte);
        if (byte == '\n') break;
    }
    if (stored == 0 && size > 1) return nullptr;
    if (stream->error()) return nullptr;
    buffer[stored] = '\0';
    return buffer;
}

std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* stream)
{
    if (!Valid(stream) || size == 0 || count == 0) return 0;
    if (!buffer || count > std::numeric_limits<std::size_t>::max() / size) {
        errno = EINVAL;
        return 0;
    }
    return stream->Read(static_cast<char*>(buffer), size * count) / size;
}

std::size_t fwrite(const void* buffer, std::size_t size, std::size_t count, FILE* stream)
{
    if (!Valid(stream) || size == 0 || count == 0) return 0;
    if (!buffer || count > std::numeric_limits<std::size_t>::max() / size) {
        errno = EINVAL;
        return 0;
    }
    return stream->Write(static_cast<const char*>(buffer), size * count) ? count : 0;
}

int fputc(int byte, FILE* stream)
{
    if (!Valid(stream)) return EOF;
    char c = static_cast<char>(byte);
    return stream->Write(&c, 1) ? static_cast<unsigned char>(c) : EOF;
}

int fputs(const char* text, FILE* stream)
{
    if (!Valid(stream) || !text) {
        errno = EINVAL;
        return EOF;
    }
    return stream->Write(text, std::strlen(text)) ? 0 : EOF;
}

int fflush(FILE* stream)
{
    if (!Valid(stream)) return EOF;
    return stream->Flush() ? 0 : EOF;
}

int fclose(FILE* stream)
{
    if (!Valid(stream)) return EOF;
    bool ok = stream->Close();
    delete stream;
    return ok ? 0 : EOF;
}

int ferror(FILE* stream) { return Valid(stream) && stream->error() ? 1 : 0; }
int feof(FILE* stream) { return Valid(stream) && stream->eof() ? 1 : 0; }

void clearerr(FILE* stream)
{
    if (Valid(stream)) stream->ClearFlags();
}

}  // namespace msvcrt
