// Makes the program's resources known to the framework. Safe to call more than once.
#pragma once

#include <varnel/resource_data.h>

#include <span>

void RegisterVarnelResources();

void RegisterAboutDialog();
void RegisterMainDialog();
void RegisterStringTable();
void RegisterProgramIcon();

// The program icon's images, largest first (the desktop's icon files are drawn from them).
std::span<const AFX_ICONIMAGE> ProgramIconImages();
