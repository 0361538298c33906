// Text values of the settings file: kept to one line, read back whole and cut to
// what the dialog takes without splitting a character.
#pragma once

#include <afx.h>

// The longest text value the dialog takes from the file, in bytes.
inline constexpr int kSettingsTextLimit = 259;

// The text with each line break (CR LF, lone CR, lone LF) turned into one blank,
// in double quotes so that blanks and quotes at its ends survive the file.
CString SettingsTextValue(const CString& text);

// At most maxBytes bytes of the text, never ending inside a character of the
// ANSI code page.
CString CutOnCharacterBoundary(const CString& text, int maxBytes);

// The whole stored value of a key (the default when missing), cut to the limit.
CString ReadSettingsText(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPCSTR fileName);
