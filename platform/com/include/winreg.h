// The registry: a per-user store of keys and string values, kept in files under
// $XDG_DATA_HOME (default ~/.local/share)/varnel/registry. Every change is written
// atomically. HKEY_CLASSES_ROOT and HKEY_CURRENT_USER\Software\Classes are one tree,
// as for a user's own class registrations on Windows.
#pragma once

#include <processthreadsapi.h>  // SECURITY_ATTRIBUTES
#include <winerror.h>           // ERROR_* results
#include <windef.h>

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

// Results are Win32 error codes: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (no such key or
// value), ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER, ERROR_ACCESS_DENIED (a key
// opened without the right), ERROR_MORE_DATA (buffer too small; *dataSize says how
// much is needed), ERROR_KEY_DELETED, ERROR_DISK_FULL and others when the store
// cannot be written (the store is then as it was before the call).
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                        LPSECURITY_ATTRIBUTES security, PHKEY result, DWORD* disposition);
LSTATUS RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
// Keeps the bytes with their type; reading a REG_SZ/REG_EXPAND_SZ value back always
// gives a terminated string. A null or empty value name is the key's default value.
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
// Sets the default value of subKey (created when missing) to a REG_SZ string.
LSTATUS RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD size);
// data may be null to ask for the size (terminator included) and type.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
// The default value of subKey; size in bytes, terminator included.
LSTATUS RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LONG* size);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED while it has some).
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
// Deletes a key and everything under it (subKey null: what is under key).
LSTATUS RegDeleteTreeA(HKEY key, LPCSTR subKey);
LSTATUS RegCloseKey(HKEY key);
