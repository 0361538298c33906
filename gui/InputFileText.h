// The text of the dialog's Input File: a text file by the loader's rules, or a
// document (EPUB, PDF, ...) read with its chapters.
#pragma once

#include <afx.h>

struct InputFileText {
    bool read = false;    // false: nothing to speak (the file did not open, or kept nothing)
    bool document = false;
    CString text;         // in the ANSI code page
    CString problem;      // why a document could not be read, for a message box
};

InputFileText LoadInputFileText(const CString& path);
