#include "LoadTextFile.h"

#include "text_memory.h"

#include <crtio.h>
#include <winbase.h>
#include <winnls.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

// A folder opens for reading here but not on Windows, where it is no text file.
msvcrt::FILE* OpenText(const char* path)
{
    if (!path) return nullptr;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
    return msvcrt::fopen(path, "r");
}

bool IsDropped(int byte) { return byte == '.' || byte == ',' || byte == '$'; }

// Appends every byte that passes the filter; false when memory ran out.
bool ReadKeptBytes(msvcrt::FILE* file, std::string& kept)
{
    for (int byte = msvcrt::fgetc(file); byte != EOF; byte = msvcrt::fgetc(file)) {
        if (IsDropped(byte)) continue;
        if (kept.size() == kept.capacity() && !textload::Memory().reserveKept(kept, kept.size() * 2 + 4096))
            return false;
        kept.push_back(static_cast<char>(byte));
    }
    return true;
}

// The kept text as UTF-16 in a new buffer of n + 1 units; nullptr when memory ran out.
WCHAR* ConvertKept(const std::string& kept)
{
    const std::size_t units = kept.size() + 1;
    WCHAR* buffer = textload::Memory().newWideBuffer(units);
    if (!buffer) return nullptr;
    buffer[0] = 0;
    // n bytes never give more than n units, so this cannot run short.
    if (MultiByteToWideChar(CP_ACP, 0, kept.c_str(), -1, buffer, static_cast<int>(units)) == 0) buffer[0] = 0;
    return buffer;
}

}  // namespace

BOOL LoadTextFile(const char* path, WCHAR** out)
{
    msvcrt::FILE* file = OpenText(path);
    if (!file) {
        std::printf("Open file %s failed!\n", path ? path : "");
        return FALSE;
    }
    std::string kept;
    const bool fits = ReadKeptBytes(file, kept) && kept.size() < INT_MAX;
    msvcrt::fclose(file);
    if (!fits) {
        std::fprintf(stderr, "The text of %s does not fit in memory.\n", path);
        return FALSE;
    }
    std::printf("%d char to be conerted......", static_cast<int>(kept.size()));
    std::fflush(stdout);  // no line end follows, and rendering can take a while
    if (kept.empty()) return TRUE;
    WCHAR* text = ConvertKept(kept);
    if (!text) {
        std::fprintf(stderr, "Not enough memory for the %zu characters of %s.\n", kept.size(), path);
        return FALSE;
    }
    if (out) *out = text;
    else delete[] text;
    return TRUE;
}
