#include "guid_text.h"

#include <class_table.h>
#include <winreg.h>

#include <optional>
#include <string>

namespace {

// The default value of a key below HKEY_CLASSES_ROOT, when the key has one.
std::optional<std::string> ClassesDefaultValue(const std::string& subKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> value;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        std::string text(size, '\0');
        if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size)
            == ERROR_SUCCESS) {
            text.resize(text.find('\0') == std::string::npos ? size : text.find('\0'));
            value = std::move(text);
        }
    }
    RegCloseKey(key);
    return value;
}

}  // namespace

HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid)
{
    if (!progId || !clsid) return E_INVALIDARG;
    auto ascii = com::AsciiFromWide(progId);
    if (!ascii || ascii->empty() || ascii->find('\\') != std::string::npos) return CO_E_CLASSSTRING;
    if (auto inproc = com::FindInprocClassByProgId(*ascii)) {
        *clsid = inproc->clsid;
        return S_OK;
    }
    auto text = ClassesDefaultValue(*ascii + "\\CLSID");
    if (!text) return CO_E_CLASSSTRING;
    auto parsed = ParseGuid(*text);
    if (!parsed || text->front() != '{') return CO_E_CLASSSTRING;
    *clsid = *parsed;
    return S_OK;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId)
{
    if (!progId) return E_INVALIDARG;
    *progId = nullptr;
    std::optional<std::string> found;
    if (auto inproc = com::FindInprocClass(clsid); inproc && !inproc->progId.empty()) found = inproc->progId;
    if (!found) found = ClassesDefaultValue("CLSID\\" + FormatGuid(clsid) + "\\ProgID");
    if (!found || found->empty()) return REGDB_E_CLASSNOTREG;
    *progId = com::TaskMemWideFromAscii(*found);
    return *progId ? S_OK : E_OUTOFMEMORY;
}
