#include "CommandLines.h"

CString QuoteArgument(const CString& argument)
{
    CString quoted('"');
    int backslashes = 0;
    for (int i = 0; i < argument.GetLength(); ++i) {
        char ch = argument[i];
        if (ch == '\\') {
            ++backslashes;
            continue;
        }
        if (ch == '"') {
            quoted += CString('\\', backslashes * 2 + 1);
        } else if (backslashes > 0) {
            quoted += CString('\\', backslashes);
        }
        quoted += ch;
        backslashes = 0;
    }
    if (backslashes > 0) quoted += CString('\\', backslashes * 2);
    quoted += '"';
    return quoted;
}

CString ConverterCommandLine(const CString& programFolder, const CString& scratchPath, const CString& outputPath,
                             int voiceNumber, int rate, int volume)
{
    if (programFolder.Find('"') >= 0) return CString();
    CString numbers;
    numbers.Format(" %d %d %d", voiceNumber, rate, volume);
    return "\"" + programFolder + "/narrate\" " + QuoteArgument(scratchPath) + " " + QuoteArgument(outputPath) +
           numbers;
}

CString DocumentConverterCommandLine(const CString& programFolder, const CString& documentPath,
                                     const CString& outputPath, int voiceNumber, int rate, int volume, int loops)
{
    if (programFolder.Find('"') >= 0) return CString();
    CString options;
    if (loops > 1) options.Format("--loop %d ", loops);
    CString numbers;
    numbers.Format(" %d %d %d", voiceNumber, rate, volume);
    return "\"" + programFolder + "/narrate\" " + options + QuoteArgument(documentPath) + " " + QuoteArgument(outputPath) +
           numbers;
}

CString ExplorerSelectCommandLine(const CString& filePath)
{
    return "explorer.exe /Select,/e, " + QuoteArgument(filePath);
}

CString ExplorerFolderCommandLine(const CString& folder) { return "explorer.exe /e, " + QuoteArgument(folder); }
