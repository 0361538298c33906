#include "WorkingFolder.h"

#include <shlobj.h>
#include <winbase.h>

#include "ProgramPaths.h"

namespace {

const char kConfigFolderName[] = "varnel";

// The working folder of a menu start; empty for a terminal start.
CString& ConfigWorkingFolder()
{
    static CString folder;
    return folder;
}

CString SpecialFolder(int folder, BOOL create)
{
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, folder, create)) return CString();
    return CString(path);
}

// Proven by making (and removing) a file there: permissions alone do not tell
// (read-only mounts, access lists).
bool CanWriteIn(const CString& folder)
{
    if (folder.IsEmpty()) return false;
    char probe[MAX_PATH] = {};
    if (::GetTempFileNameA(folder, "vrn", 0, probe) == 0) return false;
    DeleteFileA(probe);
    return true;
}

}  // namespace

bool KeepWorkingFilesInConfigFolder()
{
    CString configHome = SpecialFolder(CSIDL_APPDATA, TRUE);
    if (configHome.IsEmpty()) return false;
    CString folder = configHome + "/" + kConfigFolderName;
    if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    DWORD attributes = ::GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    ConfigWorkingFolder() = folder;
    return true;
}

void KeepWorkingFilesInCurrentDirectory() { ConfigWorkingFolder() = CString(); }

CString WorkingFolder()
{
    return ConfigWorkingFolder().IsEmpty() ? CurrentDirectory() : ConfigWorkingFolder();
}

CString SettingsFilePath()
{
    return ConfigWorkingFolder().IsEmpty() ? CString("./set.ini") : ConfigWorkingFolder() + "/set.ini";
}

CString FileDialogStartFolder()
{
    const bool menuStart = !ConfigWorkingFolder().IsEmpty();
    if (!menuStart) {
        for (const CString& folder : {ProgramFolder(), CurrentDirectory()})
            if (CanWriteIn(folder)) return folder;
    }
    CString home = SpecialFolder(CSIDL_PROFILE, FALSE);
    return home.IsEmpty() ? ProgramFolder() : home;
}
