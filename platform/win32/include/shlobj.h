// The shell's special folders, as the freedesktop base directories give them.
#pragma once

#include <windef.h>

inline constexpr int CSIDL_APPDATA = 0x001A;  // $XDG_CONFIG_HOME, else ~/.config
inline constexpr int CSIDL_PROFILE = 0x0028;  // the home folder
inline constexpr int CSIDL_FLAG_CREATE = 0x8000;
inline constexpr int CSIDL_FOLDER_MASK = 0x00FF;

// Copies the folder's full path (MAX_PATH bytes at most, terminator included) to
// `path`. With CSIDL_FLAG_CREATE a missing folder is made, parents included (0700,
// as the base directories ask). FALSE with GetLastError: ERROR_INVALID_PARAMETER
// for another folder or a null `path`, ERROR_FILE_NOT_FOUND when the folder is
// missing (or the home folder is unknown), ERROR_FILENAME_EXCED_RANGE when the
// path is too long, or the failure of making it.
BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int folder, BOOL create);
