// The registry entries of a class factory: the ProgID and the class with this
// program as its local server.
#include "object_factories.h"

#include <libloaderapi.h>
#include <winreg.h>

#include <optional>
#include <string>

namespace {

// The running program's full path, as a command line's program name: quoted when
// it holds a blank, so that the client's split finds the whole path. A quote
// cannot be written in a program name at all.
std::optional<std::string> ServerCommand()
{
    std::string path(256, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::nullopt;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);  // cut short: ask again with more room
    }
    if (path.find('"') != std::string::npos) return std::nullopt;
    if (path.find_first_of(" \t") != std::string::npos) return '"' + path + '"';
    return path;
}

bool SetDefaultValue(const std::string& subKey, const std::string& value)
{
    return RegSetValueA(HKEY_CLASSES_ROOT, subKey.c_str(), REG_SZ, value.c_str(), 0) == ERROR_SUCCESS;
}

bool DeleteTree(const std::string& subKey)
{
    const LSTATUS status = RegDeleteTreeA(HKEY_CLASSES_ROOT, subKey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

BOOL COleObjectFactory::UpdateRegistry(BOOL bRegister)
{
    const std::string progId = m_strProgID.GetString();
    const std::string classKey = "CLSID\\" + FormatGuid(m_clsid);
    if (!bRegister) {
        const bool classGone = DeleteTree(classKey);
        const bool progIdGone = progId.empty() || DeleteTree(progId);
        return classGone && progIdGone;
    }
    const std::optional<std::string> server = ServerCommand();
    if (!server) return FALSE;
    if (!progId.empty()) {
        if (!SetDefaultValue(progId, progId) || !SetDefaultValue(progId + "\\CLSID", FormatGuid(m_clsid))
            || !SetDefaultValue(classKey, progId) || !SetDefaultValue(classKey + "\\ProgID", progId))
            return FALSE;
    }
    return SetDefaultValue(classKey + "\\LocalServer32", *server);
}

BOOL COleObjectFactory::UpdateRegistryAll(BOOL bRegister)
{
    BOOL result = TRUE;
    for (COleObjectFactory* factory : afx_detail::ObjectFactories())
        if (!factory->UpdateRegistry(bRegister)) result = FALSE;
    return result;
}
