// Makes the program's resources known to the framework. Safe to call more than once.
#pragma once

void RegisterVarnelResources();

void RegisterAboutDialog();
void RegisterMainDialog();
void RegisterStringTable();
void RegisterProgramIcon();
