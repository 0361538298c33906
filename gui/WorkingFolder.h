// Where the program keeps its working files (set.ini, input.txt) and where its
// file dialogs start.
#pragma once

#include <afx.h>

// A menu start keeps the working files in "varnel" under the config home (made
// when needed), whatever folder the launcher or a file dialog makes current.
// False, and the current directory stays the working folder, when it cannot be made.
bool KeepWorkingFilesInConfigFolder();
// Back to the current directory as the working folder (a terminal start).
void KeepWorkingFilesInCurrentDirectory();

// The working folder: the config folder of a menu start, else the current
// directory (empty when it cannot be read).
CString WorkingFolder();
// The settings file: "./set.ini", or in the config folder of a menu start.
CString SettingsFilePath();

// Where the file dialogs open: the program's folder when it can be written (a build
// or a copy of the programs' folder, as always); for an installed program the folder
// the user works in: the current directory of a terminal start when writable, else
// the home folder. Never a system folder such as /usr/bin.
CString FileDialogStartFolder();
