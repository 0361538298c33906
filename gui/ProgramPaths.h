// Paths the program works with, read whole whatever their length.
#pragma once

#include <afx.h>

// The process's current directory; empty when it cannot be read.
CString CurrentDirectory();
// The folder that holds the running program; empty when it cannot be read.
CString ProgramFolder();
// Everything before the last '/' ("" for a bare name, "/" for a name at the root).
CString FolderOf(const CString& path);
