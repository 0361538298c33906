#include "load_text_file.h"

#include "failure_report.h"

#include <stdio.h>
#include <libloaderapi.h>
#include <winbase.h>
#include <winnls.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
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

// One line on standard error, named by the program as its other failure lines are:
// "narrate: the text of ... ".
[[gnu::format(printf, 1, 2)]] void ReportProblem(const char* format, ...)
{
    char module[4096];
    DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    const char* name = length > 0 && length < sizeof module ? module : "";
    if (const char* slash = std::strrchr(name, '/')) name = slash + 1;
    va_list args;
    va_start(args, format);
    WriteFailureLineV(name, format, args);
    va_end(args);
}

// Room for `capacity` bytes of kept text; false when memory ran out. reserve()
// may take twice the old capacity instead, past the limit; a fresh string gets
// just what it asks for.
bool ReserveKept(std::string& kept, std::size_t capacity)
{
    try {
        std::string larger;
        larger.reserve(capacity);
        larger.append(kept);
        kept.swap(larger);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

bool IsDropped(int byte) { return byte == '.' || byte == ',' || byte == '$'; }

enum class Reading { Done, TooLong, NoMemory };

// Appends every byte that passes the filter, up to the most that is kept.
Reading ReadKeptBytes(msvcrt::FILE* file, std::string& kept)
{
    for (int byte = msvcrt::fgetc(file); byte != EOF; byte = msvcrt::fgetc(file)) {
        if (IsDropped(byte)) continue;
        if (kept.size() == kLargestKeptText) return Reading::TooLong;
        if (kept.size() == kept.capacity()) {
            const std::size_t grown = std::min(kept.size() * 2 + 4096, kLargestKeptText);
            if (!ReserveKept(kept, grown)) return Reading::NoMemory;
        }
        kept.push_back(static_cast<char>(byte));
    }
    return Reading::Done;
}

// The kept text as UTF-16 in a new buffer of n + 1 units; nullptr when memory ran out.
WCHAR* ConvertKept(const std::string& kept)
{
    const std::size_t units = kept.size() + 1;
    WCHAR* buffer = new (std::nothrow) WCHAR[units];
    if (!buffer) return nullptr;
    buffer[0] = 0;
    // n bytes never give more than n units, so this cannot run short.
    if (MultiByteToWideChar(CP_ACP, 0, kept.c_str(), -1, buffer, static_cast<int>(units)) == 0) buffer[0] = 0;
    return buffer;
}

}  // namespace

namespace {

BOOL Load(const char* path, WCHAR** out, bool countMessage, std::size_t* keptBytes)
{
    msvcrt::FILE* file = OpenText(path);
    if (!file) {
        std::printf("Open file %s failed!\n", path ? path : "");
        return FALSE;
    }
    std::string kept;
    const Reading reading = ReadKeptBytes(file, kept);
    msvcrt::fclose(file);
    if (reading == Reading::TooLong) {
        ReportProblem("the text of %s is longer than %zu MiB, the most that is read; nothing was converted", path,
                      kLargestKeptText >> 20);
        return FALSE;
    }
    if (reading == Reading::NoMemory) {
        ReportProblem("the text of %s does not fit in memory", path);
        return FALSE;
    }
    if (keptBytes) *keptBytes = kept.size();
    if (countMessage) {
        std::printf("%d char to be conerted......", static_cast<int>(kept.size()));
        std::fflush(stdout);  // no line end follows, and rendering can take a while
    }
    if (kept.empty()) return TRUE;
    WCHAR* text = ConvertKept(kept);
    if (!text) {
        ReportProblem("not enough memory for the %zu characters of %s", kept.size(), path);
        return FALSE;
    }
    if (out) *out = text;
    else delete[] text;
    return TRUE;
}

}  // namespace

BOOL LoadTextFile(const char* path, WCHAR** out) { return Load(path, out, true, nullptr); }

BOOL LoadTextFileWithoutCount(const char* path, WCHAR** out, std::size_t* keptBytes)
{
    return Load(path, out, false, keptBytes);
}
