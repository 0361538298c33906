#include "WriteTextFile.h"

#include <stdio.h>
#include <windows.h>

bool WriteTextFile(const CString& text, const char* path)
{
    const CString temporary = CString(path) + ".tmp";
    msvcrt::FILE* file = msvcrt::fopen(temporary, "w");
    if (!file) return false;
    std::size_t length = static_cast<std::size_t>(text.GetLength());
    bool written = msvcrt::fwrite(text.GetString(), 1, length, file) == length;
    bool closed = msvcrt::fclose(file) == 0;
    if (written && closed && MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING)) return true;
    DWORD error = GetLastError();
    DeleteFileA(temporary);
    SetLastError(error);
    return false;
}
