// The command lines the export starts: each argument quoted by the Windows rules,
// so that any path arrives at the child unchanged.
#pragma once

#include <afx.h>

// The argument in double quotes; a quote inside becomes \" and the backslashes
// before a quote (or before the closing quote) are doubled.
CString QuoteArgument(const CString& argument);

// The converter's command line: "<folder>/narrate" "<scratch>" "<output>" voice rate volume.
// The program's own path cannot carry a double quote on a Windows command line, so a
// folder holding one gives an empty line.
CString ConverterCommandLine(const CString& programFolder, const CString& scratchPath, const CString& outputPath,
                             int voiceNumber, int rate, int volume);

// The converter's command line for a document it reads itself (its chapters reach
// the file): "<folder>/narrate" [--loop <n>] "<document>" "<output>" voice rate volume.
CString DocumentConverterCommandLine(const CString& programFolder, const CString& documentPath,
                                     const CString& outputPath, int voiceNumber, int rate, int volume, int loops);

// The file browser showing the file selected in its folder.
CString ExplorerSelectCommandLine(const CString& filePath);
// The file browser showing a folder.
CString ExplorerFolderCommandLine(const CString& folder);
