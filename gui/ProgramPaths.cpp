#include "ProgramPaths.h"

#include <libloaderapi.h>
#include <processenv.h>

#include <vector>

CString CurrentDirectory()
{
    DWORD needed = ::GetCurrentDirectoryA(0, nullptr);
    while (needed != 0) {
        std::vector<char> buffer(needed);
        DWORD length = ::GetCurrentDirectoryA(needed, buffer.data());
        if (length < needed) return CString(buffer.data(), static_cast<int>(length));
        needed = length;  // it grew between the two calls
    }
    return CString();
}

CString ProgramFolder()
{
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::vector<char> buffer(size);
        DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) return CString();
        if (length < size) return FolderOf(CString(buffer.data(), static_cast<int>(length)));
    }
}

CString FolderOf(const CString& path)
{
    int slash = path.ReverseFind('/');
    if (slash < 0) return CString();
    if (slash == 0) return CString("/");
    return path.Left(slash);
}
