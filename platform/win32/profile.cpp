// Private-profile functions over Document, with whole-file atomic writes.
// A file name is used as given (relative names from the current directory).
#include <winbase.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <varnel/atomic_file.h>
#include <varnel/codepage.h>
#include <varnel/errno_map.h>
#include <varnel/exception_boundary.h>
#include <profile_document.h>
#include <varnel/syscalls.h>
#include <winnls.h>

namespace {

using win32::profile::Document;

// Writers of this process take turns, so no key written by one is lost to
// another's read-modify-write.
std::mutex writeMutex;

struct Loaded {
    Document document;
    std::string bytes;
    bool exists = false;
    int error = 0;  // errno of a read that failed for another reason than absence
};

Loaded Load(const char* fileName)
{
    Loaded loaded;
    if (!win32::sys::ReadWholeFile(fileName, loaded.bytes)) {
        if (errno != ENOENT) loaded.error = errno;
        loaded.bytes.clear();
        return loaded;
    }
    loaded.exists = true;
    loaded.document = Document::Parse(loaded.bytes);
    return loaded;
}

std::string WithoutTrailingBlanks(const char* text)
{
    std::string out = text ? text : "";
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    return out;
}

// Copies a string cut to size - 1 bytes, never inside a character of the ANSI
// code page. The count copied.
DWORD CopyString(const std::string& value, LPSTR buffer, DWORD size)
{
    std::size_t length = value.size();
    if (length > size - 1) length = win32::nls::CharacterBoundary(CP_ACP, value, size - 1);
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
    if (length < value.size()) SetLastError(ERROR_MORE_DATA);
    return static_cast<DWORD>(length);
}

// Copies names as zero-terminated strings followed by one more zero; when they
// do not fit, the last one is cut and two zeros end the buffer (size - 2).
DWORD CopyNames(const std::vector<std::string>& names, LPSTR buffer, DWORD size)
{
    std::string all;
    for (const auto& name : names) all.append(name).push_back('\0');
    if (all.size() + 1 <= size) {
        std::memcpy(buffer, all.data(), all.size());
        buffer[all.size()] = '\0';
        return static_cast<DWORD>(all.size());
    }
    SetLastError(ERROR_MORE_DATA);
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, all.data(), size - 2);
    buffer[size - 2] = buffer[size - 1] = '\0';
    return size - 2;
}

// The value of a key, with the last error telling why there is none.
std::optional<std::string> ReadValue(LPCSTR section, LPCSTR key, LPCSTR fileName)
{
    if (!fileName || !section || !key) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    Loaded loaded = Load(fileName);
    auto value = loaded.document.Get(section, key);
    if (value) SetLastError(ERROR_SUCCESS);
    else SetLastError(loaded.error ? win32::ErrorFromErrno(loaded.error, fileName) : ERROR_FILE_NOT_FOUND);
    return value;
}

// Leading digits with an optional sign, wrapping at 32 bits as Windows does.
UINT ParseLeadingInteger(const std::string& text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    UINT value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10u + UINT(text[i] - '0');
    return negative ? 0u - value : value;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// Replaces the file with the edited document, in one step, unless nothing changed.
BOOL Store(const char* fileName, const Loaded& loaded, bool removal)
{
    std::string bytes = loaded.document.Serialize();
    if ((loaded.exists && bytes == loaded.bytes) || (!loaded.exists && removal)) {
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    if (const win32::Status written = win32::sys::WriteFileAtomically(fileName, bytes); !written)
        return Fail(written.failure());
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName)
try {
    if (!buffer || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!section || !key) {
        Loaded loaded = fileName ? Load(fileName) : Loaded{};
        SetLastError(ERROR_SUCCESS);
        return CopyNames(section ? loaded.document.Keys(section) : loaded.document.Sections(), buffer, size);
    }
    auto value = ReadValue(section, key, fileName);
    DWORD error = GetLastError();
    DWORD copied = CopyString(value ? *value : WithoutTrailingBlanks(defaultValue), buffer, size);
    if (GetLastError() != ERROR_MORE_DATA) SetLastError(error);
    return copied;
} catch (...) {
    if (buffer && size) buffer[0] = 0;
    SetLastError(win32::ErrorFromCaughtException());
    return 0;
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName)
try {
    auto value = ReadValue(section, key, fileName);
    if (!value || value->empty()) return static_cast<UINT>(defaultValue);
    return ParseLeadingInteger(*value);
} catch (...) {
    SetLastError(win32::ErrorFromCaughtException());
    return static_cast<UINT>(defaultValue);
}

DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR fileName)
try {
    if (!section || !buffer || !size || !fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Loaded loaded = Load(fileName);
    SetLastError(loaded.error ? win32::ErrorFromErrno(loaded.error, fileName) : ERROR_SUCCESS);
    return CopyNames(loaded.document.SectionLines(section), buffer, size);
} catch (...) {
    if (buffer && size) buffer[0] = 0;
    SetLastError(win32::ErrorFromCaughtException());
    return 0;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName)
try {
    if (!section && !key && !value) return TRUE;  // a cache flush: nothing is cached
    if (!section || !fileName || !*fileName) return Fail(ERROR_INVALID_PARAMETER);

    std::lock_guard lock(writeMutex);
    Loaded loaded = Load(fileName);
    if (loaded.error) return Fail(win32::ErrorFromErrno(loaded.error, fileName));
    if (!key) loaded.document.RemoveSection(section);
    else if (!value) loaded.document.RemoveKey(section, key);
    else loaded.document.Set(section, key, value);
    return Store(fileName, loaded, !key || !value);
} catch (...) {
    return Fail(win32::ErrorFromCaughtException());
}

BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR keysAndValues, LPCSTR fileName)
try {
    if (!section || !fileName || !*fileName) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard lock(writeMutex);
    Loaded loaded = Load(fileName);
    if (loaded.error) return Fail(win32::ErrorFromErrno(loaded.error, fileName));
    if (!keysAndValues) {
        loaded.document.RemoveSection(section);
        return Store(fileName, loaded, true);
    }
    std::vector<std::string> lines;
    for (const char* line = keysAndValues; *line; line += std::strlen(line) + 1) lines.emplace_back(line);
    loaded.document.ReplaceSection(section, lines);
    return Store(fileName, loaded, false);
} catch (...) {
    return Fail(win32::ErrorFromCaughtException());
}
