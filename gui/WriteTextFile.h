// Writes a text into a file in text mode (each line feed becomes CR LF), creating
// or truncating it. False when the file cannot be opened, or when writing or
// closing it fails (a partial file is no success).
#pragma once

#include <afx.h>

bool WriteTextFile(const CString& text, const char* path);
