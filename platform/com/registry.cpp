#include "registry_keys.h"

#include <cstring>
#include <functional>
#include <mutex>

#include <varnel/exception_boundary.h>

namespace {

using com::registry::Hive;
using com::registry::KeyRef;

// One registry change at a time in this process (the store's lock file does the same
// between processes): each reads the tree, changes it and writes it back whole.
std::mutex& StoreMutex()
{
    static std::mutex mutex;
    return mutex;
}

LSTATUS ReadTree(const KeyRef& key, Hive& hive)
{
    DWORD error = com::registry::LoadHive(key.hive, hive);
    if (error != ERROR_SUCCESS) return static_cast<LSTATUS>(error);
    return hive.HasKey(key.path) ? ERROR_SUCCESS : static_cast<LSTATUS>(ERROR_KEY_DELETED);
}

LSTATUS WriteTree(const KeyRef& key, const Hive& hive)
{
    return static_cast<LSTATUS>(com::registry::SaveHive(key.hive, hive));
}

LSTATUS Resolve(HKEY key, KeyRef& ref)
{
    auto found = com::registry::ResolveKey(key);
    if (!found) return ERROR_INVALID_HANDLE;
    ref = *found;
    return ERROR_SUCCESS;
}

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// What a query hands out: strings always end with a terminator.
std::string StoredBytes(const com::registry::Value& value)
{
    std::string bytes = value.data;
    if (IsString(value.type) && (bytes.empty() || bytes.back() != '\0')) bytes.push_back('\0');
    return bytes;
}

LSTATUS CopyOut(const std::string& bytes, BYTE* data, DWORD* size)
{
    DWORD needed = static_cast<DWORD>(bytes.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, bytes.data(), needed);
    }
    if (size) *size = needed;
    return ERROR_SUCCESS;
}

LSTATUS OpenOrCreate(HKEY key, LPCSTR subKey, REGSAM access, bool create, PHKEY result, DWORD* disposition)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyRef base;
    if (LSTATUS status = Resolve(key, base); status != ERROR_SUCCESS) return status;
    auto target = com::registry::SubKey(base, subKey ? subKey : "", access);
    if (!target) return ERROR_INVALID_PARAMETER;

    std::lock_guard lock(StoreMutex());
    com::registry::StoreWriteLock fileLock;
    if (create) {
        if (DWORD error = fileLock.Acquire(); error != ERROR_SUCCESS) return static_cast<LSTATUS>(error);
    }
    Hive hive;
    if (LSTATUS status = ReadTree(base, hive); status != ERROR_SUCCESS) return status;
    bool exists = false;
    {
        Hive targetHive;
        DWORD error = com::registry::LoadHive(target->hive, targetHive);
        if (error != ERROR_SUCCESS) return static_cast<LSTATUS>(error);
        exists = targetHive.HasKey(target->path);
        if (!exists) {
            if (!create) return ERROR_FILE_NOT_FOUND;
            if (!(base.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
            targetHive.CreateKey(target->path);
            if (LSTATUS status = WriteTree(*target, targetHive); status != ERROR_SUCCESS) return status;
        }
    }
    *result = com::registry::OpenHandle(*target);
    if (!*result) return ERROR_NOT_ENOUGH_MEMORY;
    if (disposition) *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return ERROR_SUCCESS;
}

// Runs change on the tree of key (which must still exist) and writes the tree back
// when change succeeds.
LSTATUS ChangeKey(HKEY key, REGSAM needed, const std::function<LSTATUS(Hive&, const KeyRef&)>& change)
{
    KeyRef ref;
    if (LSTATUS status = Resolve(key, ref); status != ERROR_SUCCESS) return status;
    if ((ref.access & needed) != needed) return ERROR_ACCESS_DENIED;
    std::lock_guard lock(StoreMutex());
    com::registry::StoreWriteLock fileLock;
    if (DWORD error = fileLock.Acquire(); error != ERROR_SUCCESS) return static_cast<LSTATUS>(error);
    Hive hive;
    if (LSTATUS status = ReadTree(ref, hive); status != ERROR_SUCCESS) return status;
    if (LSTATUS status = change(hive, ref); status != ERROR_SUCCESS) return status;
    return WriteTree(ref, hive);
}

}  // namespace

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR, DWORD, REGSAM access, LPSECURITY_ATTRIBUTES,
                        PHKEY result, DWORD* disposition)
try {
    if (reserved) return ERROR_INVALID_PARAMETER;
    return OpenOrCreate(key, subKey, access, true, result, disposition);
} catch (...) {
    return win32::ErrorFromCaughtException();
}

LSTATUS RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    return OpenOrCreate(key, subKey, KEY_ALL_ACCESS, true, result, nullptr);
}

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result)
try {
    return OpenOrCreate(key, subKey, access, false, result, nullptr);
} catch (...) {
    return win32::ErrorFromCaughtException();
}

LSTATUS RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    return OpenOrCreate(key, subKey, KEY_ALL_ACCESS, false, result, nullptr);
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
try {
    if (reserved || (!data && size)) return ERROR_INVALID_PARAMETER;
    if (type == REG_DWORD && size != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
    std::string name = valueName ? valueName : "";
    std::string bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    return ChangeKey(key, KEY_SET_VALUE, [&](Hive& hive, const KeyRef& ref) {
        hive.FindKey(ref.path)->values[com::registry::Fold(name)] = {name, type, bytes};
        return static_cast<LSTATUS>(ERROR_SUCCESS);
    });
} catch (...) {
    return win32::ErrorFromCaughtException();
}

LSTATUS RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD)
try {
    if (type != REG_SZ || !data) return ERROR_INVALID_PARAMETER;
    HKEY target = nullptr;
    LSTATUS status = RegCreateKeyExA(key, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &target, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(target, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                            static_cast<DWORD>(std::strlen(data) + 1));
    RegCloseKey(target);
    return status;
} catch (...) {
    return win32::ErrorFromCaughtException();
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size)
try {
    if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
    KeyRef ref;
    if (LSTATUS status = Resolve(key, ref); status != ERROR_SUCCESS) return status;
    if (!(ref.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    std::lock_guard lock(StoreMutex());
    Hive hive;
    if (LSTATUS status = ReadTree(ref, hive); status != ERROR_SUCCESS) return status;
    const auto& values = hive.FindKey(ref.path)->values;
    auto it = values.find(com::registry::Fold(valueName ? valueName : ""));
    if (it == values.end()) return ERROR_FILE_NOT_FOUND;
    if (type) *type = it->second.type;
    return CopyOut(StoredBytes(it->second), data, size);
} catch (...) {
    return win32::ErrorFromCaughtException();
}

LSTATUS RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LONG* size)
try {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    HKEY target = nullptr;
    LSTATUS status = RegOpenKeyExA(key, subKey, 0, KEY_QUERY_VALUE, &target);
    if (status != ERROR_SUCCESS) return status;
    DWORD bytes = size ? static_cast<DWORD>(*size) : 0;
    status = RegQueryValueExA(target, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data), size ? &bytes : nullptr);
    RegCloseKey(target);
    if (status == ERROR_FILE_NOT_FOUND) {
        // A key without a default value reads as the empty string, as on Windows.
        status = CopyOut(std::string(1, '\0'), reinterpret_cast<BYTE*>(data), size ? &bytes : nullptr);
    }
    if (size && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) *size = static_cast<LONG>(bytes);
    return status;
} catch (...) {
    return win32::ErrorFromCaughtException();
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName)
try {
    std::string folded = com::registry::Fold(valueName ? valueName : "");
    return ChangeKey(key, KEY_SET_VALUE, [&](Hive& hive, const KeyRef& ref) {
        return static_cast<LSTATUS>(hive.FindKey(ref.path)->values.erase(folded) ? ERROR_SUCCESS
                                                                                  : ERROR_FILE_NOT_FOUND);
    });
} catch (...) {
    return win32::ErrorFromCaughtException();
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey)
try {
    if (!subKey || !*subKey) return ERROR_INVALID_PARAMETER;
    KeyRef base;
    if (LSTATUS status = Resolve(key, base); status != ERROR_SUCCESS) return status;
    auto target = com::registry::SubKey(base, subKey, KEY_ALL_ACCESS);
    if (!target) return ERROR_INVALID_PARAMETER;
    if (target->path.empty()) return ERROR_ACCESS_DENIED;  // a tree's root stays
    std::lock_guard lock(StoreMutex());
    com::registry::StoreWriteLock fileLock;
    if (DWORD error = fileLock.Acquire(); error != ERROR_SUCCESS) return static_cast<LSTATUS>(error);
    Hive hive;
    DWORD error = com::registry::LoadHive(target->hive, hive);
    if (error != ERROR_SUCCESS) return static_cast<LSTATUS>(error);
    if (!hive.HasKey(target->path)) return ERROR_FILE_NOT_FOUND;
    if (hive.HasSubKeys(target->path)) return ERROR_ACCESS_DENIED;
    hive.RemoveTree(target->path);
    return WriteTree(*target, hive);
} catch (...) {
    return win32::ErrorFromCaughtException();
}

LSTATUS RegDeleteTreeA(HKEY key, LPCSTR subKey)
try {
    KeyRef base;
    if (LSTATUS status = Resolve(key, base); status != ERROR_SUCCESS) return status;
    auto target = com::registry::SubKey(base, subKey ? subKey : "", KEY_ALL_ACCESS);
    if (!target) return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(StoreMutex());
    com::registry::StoreWriteLock fileLock;
    if (DWORD error = fileLock.Acquire(); error != ERROR_SUCCESS) return static_cast<LSTATUS>(error);
    Hive hive;
    DWORD error = com::registry::LoadHive(target->hive, hive);
    if (error != ERROR_SUCCESS) return static_cast<LSTATUS>(error);
    if (!hive.HasKey(target->path)) return subKey ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    if (subKey && !target->path.empty()) hive.RemoveTree(target->path);
    else hive.ClearKey(target->path);
    return WriteTree(*target, hive);
} catch (...) {
    return win32::ErrorFromCaughtException();
}

LSTATUS RegCloseKey(HKEY key) { return com::registry::CloseHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }
