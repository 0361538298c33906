// Writes a text into a file in text mode (each line feed becomes CR LF), creating
// or replacing it. The text goes to "<path>.tmp" first and replaces the file only
// when all of it was written, so a failure (a full disk) leaves the old file as
// it was. False with the last error set when opening, writing, closing or the
// replacement fails.
#pragma once

#include <afx.h>

bool WriteTextFile(const CString& text, const char* path);
