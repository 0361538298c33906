// Base services: last-error value, system message texts, local memory, file
// functions, console control handlers and the private-profile (INI file)
// functions. The error codes are winerror.h's, included as the SDK does.
#pragma once

#include <windef.h>
#include <winerror.h>

#include <cstdarg>

// The calling thread's last-error value.
DWORD GetLastError();
void SetLastError(DWORD error);

// Local memory: the blocks FormatMessageA allocates for its caller.
using HLOCAL = HANDLE;
// Frees a block (null does nothing). Returns null.
HLOCAL LocalFree(HLOCAL block);

// System message texts.
inline constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x100;
inline constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x200;
inline constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x400;
inline constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x800;
inline constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
inline constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x2000;
inline constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0xFF;

inline constexpr WORD LANG_NEUTRAL = 0x00;
inline constexpr WORD LANG_ENGLISH = 0x09;
inline constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr DWORD MAKELANGID(WORD primary, WORD sub) { return static_cast<DWORD>((sub << 10) | primary); }

// The system's text for a Win32 error code or an HRESULT (FORMAT_MESSAGE_FROM_SYSTEM),
// in English as Windows words it, ending with CR LF. An HRESULT of facility 7 gives its
// Win32 code's text. The text goes into `buffer` (`size` bytes, terminator included),
// or with FORMAT_MESSAGE_ALLOCATE_BUFFER into a new block of at least `size` bytes
// whose address is stored at `buffer` (free it with LocalFree). Returns the
// text's length without the terminator, or 0 with GetLastError:
// - ERROR_MR_MID_NOT_FOUND: no text for that code;
// - ERROR_INSUFFICIENT_BUFFER: `size` cannot hold the text (the buffer is untouched);
// - ERROR_RESOURCE_LANG_NOT_FOUND: a language other than neutral or English;
// - ERROR_INVALID_PARAMETER: no source flag, a null buffer, or a text with inserts
//   (%1) without FORMAT_MESSAGE_IGNORE_INSERTS;
// - ERROR_NOT_ENOUGH_MEMORY: the block cannot be allocated or `buffer` is null;
// - ERROR_CALL_NOT_IMPLEMENTED: texts from a string or a module, line widths, and
//   filling inserts from `arguments`.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, va_list* arguments);

// Files.
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

// Renames `from` to `to`. Without MOVEFILE_REPLACE_EXISTING an existing `to`
// fails with ERROR_ALREADY_EXISTS; with it the replacement is atomic. `to` null
// (delete on reboot) is not supported: ERROR_INVALID_PARAMETER.
BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
BOOL MoveFileA(LPCSTR from, LPCSTR to);
BOOL DeleteFileA(LPCSTR path);
DWORD GetFileAttributesA(LPCSTR path);
// Makes one folder (the umask applies); its parent must exist. An existing
// `path` fails with ERROR_ALREADY_EXISTS. Security attributes are not supported
// and must be null.
BOOL CreateDirectoryA(LPCSTR path, struct SECURITY_ATTRIBUTES* security);
// "<path>/<up to 3 bytes of prefix><hex number>.TMP" into `tempFileName` (MAX_PATH
// bytes). With `unique` 0 a number whose file does not exist yet is found and the
// file is created empty, so a successful call also proves the folder writable;
// otherwise only the name is formed. Returns the number, or 0 with GetLastError
// (ERROR_ACCESS_DENIED for a folder that cannot be written, ERROR_PATH_NOT_FOUND
// for a missing one, ERROR_FILENAME_EXCED_RANGE for a name that is too long).
UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR tempFileName);

inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;  // here: a symbolic link

struct FILETIME {
    DWORD dwLowDateTime;  // 100-ns intervals since 1601-01-01 (UTC)
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// Lists the entries of a folder whose names match the last part of `fileName`
// ("folder/prefix*.tmp"; '*' any run of characters, '?' one; names compare
// exactly, as the file system does). "." and ".." are listed where they match.
// A symbolic link is listed as itself, with FILE_ATTRIBUTE_REPARSE_POINT; names
// of MAX_PATH bytes or more are left out. INVALID_HANDLE_VALUE with
// ERROR_FILE_NOT_FOUND when nothing matches, ERROR_PATH_NOT_FOUND when the folder
// does not exist; FindNextFileA ends with ERROR_NO_MORE_FILES. FindClose ends the
// search (ERROR_INVALID_HANDLE for a handle that is no search).
HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData);
BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData);
BOOL FindClose(HANDLE findFile);

DWORD GetCurrentProcessId();

// Console control events.
inline constexpr DWORD CTRL_C_EVENT = 0;
inline constexpr DWORD CTRL_BREAK_EVENT = 1;
inline constexpr DWORD CTRL_CLOSE_EVENT = 2;
inline constexpr DWORD CTRL_LOGOFF_EVENT = 5;
inline constexpr DWORD CTRL_SHUTDOWN_EVENT = 6;

using PHANDLER_ROUTINE = BOOL (*)(DWORD ctrlType);

// Adds or removes a handler for console control events. The signals map to
// events: SIGINT -> CTRL_C_EVENT, SIGQUIT -> CTRL_BREAK_EVENT, SIGHUP and
// SIGTERM -> CTRL_CLOSE_EVENT. As on Windows each event is handled on a thread
// of its own, the handlers called last-added first until one returns TRUE.
// - CTRL_C_EVENT / CTRL_BREAK_EVENT: a handler returning TRUE ends the
//   handling and the process runs on; when every handler returns FALSE (or
//   none is left) the default ends the process with exit code 1.
// - CTRL_CLOSE_EVENT: the handlers run, then the process ends with exit code 1
//   whatever they return (Windows ends a closed console's process too).
// Ending flushes the C runtime's streams and skips static destructors, since
// other threads are still running. SetConsoleCtrlHandler(nullptr, TRUE) makes
// the process ignore CTRL_C_EVENT (not inherited by child processes here);
// (nullptr, FALSE) undoes that. Removing a handler that was never added fails
// with ERROR_INVALID_PARAMETER.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);

// Private-profile (INI file) functions. Sections and keys are found without
// regard to ASCII case; values are read with blanks around them removed and a
// pair of enclosing quotes dropped. Writes replace the file atomically.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);
// The section's lines that are not blank ("Key=Value", comments too), each
// ending with a zero, a second zero after the last; cut as GetPrivateProfileStringA
// cuts a list of names (size - 2 returned).
DWORD GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR fileName);
// Replaces the section's lines with `keysAndValues` ("Key=Value" strings, each
// ending with a zero, a second zero after the last) in one write of the file, so
// a reader never sees some of the keys new and others old; a null list removes
// the section.
BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR keysAndValues, LPCSTR fileName);
