#include "WriteTextFile.h"

#include <crtio.h>

bool WriteTextFile(const CString& text, const char* path)
{
    msvcrt::FILE* file = msvcrt::fopen(path, "w");
    if (!file) return false;
    std::size_t length = static_cast<std::size_t>(text.GetLength());
    bool written = msvcrt::fwrite(text.GetString(), 1, length, file) == length;
    bool closed = msvcrt::fclose(file) == 0;
    return written && closed;
}
