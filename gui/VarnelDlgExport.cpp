// The Narrate button: the text goes through "input.txt" to the converter, which
// writes the WAV file that the file browser then shows.
#include "VarnelDlg.h"

#include <afxdlgs.h>
#include <handleapi.h>
#include <processthreadsapi.h>
#include <synchapi.h>

#include <vector>

#include <failure_words.h>

#include "CommandLines.h"
#include "ConverterWindowSearch.h"
#include "InputFileText.h"
#include "ProgramPaths.h"
#include "WorkingFolder.h"
#include "WriteTextFile.h"
#include "res/resource.h"

namespace {

// How long an export waits for the converter.
constexpr DWORD kConverterWaitMilliseconds = 60000;
constexpr DWORD kSaveFlags = OFN_EXPLORER | OFN_CREATEPROMPT | OFN_ENABLEHOOK | OFN_OVERWRITEPROMPT;
// The formats the converter writes, one filter each: a name typed without an
// extension takes the chosen one's.
const char kAudioFilter[] =
    "wav File|*.wav|Opus audio|*.opus|MP3 audio|*.mp3|M4B audiobook|*.m4b|M4A audio|*.m4a|"
    "Ogg Vorbis audio|*.ogg|FLAC audio|*.flac||";

CString RepeatText(const CString& text, int count)
{
    CString repeated = text;
    for (int i = 1; i < count; ++i) repeated += " " + text;
    return repeated;
}

STARTUPINFOA StartupBlock(WORD showWindow)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showWindow;
    return startup;
}

// Starts a command line; the process handle (or null) goes to the caller.
bool Start(const CString& commandLine, WORD showWindow, PROCESS_INFORMATION& process)
{
    STARTUPINFOA startup = StartupBlock(showWindow);
    std::vector<char> line(commandLine.GetString(), commandLine.GetString() + commandLine.GetLength() + 1);
    process = PROCESS_INFORMATION{};
    return ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process) != FALSE;
}

void Close(PROCESS_INFORMATION& process)
{
    if (process.hThread) ::CloseHandle(process.hThread);
    if (process.hProcess) ::CloseHandle(process.hProcess);
    process = PROCESS_INFORMATION{};
}

void StartFileBrowser(const CString& commandLine)
{
    PROCESS_INFORMATION browser{};
    if (Start(commandLine, SW_SHOW, browser)) Close(browser);
}

bool FileExists(const CString& path) { return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// "WAV file" for a .wav, "audio file" for the other formats.
CString FileNoun(const CString& path)
{
    const int dot = path.ReverseFind('.');
    return dot >= 0 && path.Mid(dot + 1).CompareNoCase("wav") == 0 ? "WAV file" : "audio file";
}

}  // namespace

void CVarnelDlg::OnExportWav()
{
    CString currentDirectory = WorkingFolder();
    CString programFolder = ProgramFolder();

    CFileDialog saveDialog(FALSE, "wav", "*.wav", kSaveFlags, kAudioFilter, nullptr);
    CString startFolder = FileDialogStartFolder();
    saveDialog.m_ofn.lpstrInitialDir = startFolder;
    if (saveDialog.DoModal() != IDOK) return;
    CString outputPath = saveDialog.GetPathName();

    if (!UpdateData(TRUE)) return;

    InputFileText file;
    if (m_useInputFile) {
        file = LoadInputFileText(m_inputFilePath);
        if (!file.problem.IsEmpty()) {
            MessageBox(file.problem + ", so no " + FileNoun(outputPath) + " was made.", nullptr,
                       MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    const CString text = m_useInputFile ? file.text : m_inputText;
    if (text.IsEmpty()) {
        MessageBox("Text to speak is empty!", "Info", MB_OK);
        return;
    }

    int voiceNumber = static_cast<int>(::SendMessage(m_voiceCombo.GetSafeHwnd(), CB_GETCURSEL, 0, 0)) + 1;
    CString converterLine;
    if (file.document) {
        // The converter reads the document itself, so that its chapters reach the file.
        converterLine = DocumentConverterCommandLine(programFolder, m_inputFilePath, outputPath, voiceNumber, m_rate,
                                                     m_volume, m_loopCount);
    } else {
        CString scratchPath = currentDirectory + "/input.txt";
        if (currentDirectory.IsEmpty() || !WriteTextFile(RepeatText(text, m_loopCount), scratchPath)) {
            CString reason = currentDirectory.IsEmpty() ? "" : (": " + Win32FailureInWords(GetLastError())).c_str();
            MessageBox("The text could not be written to \"" + scratchPath + "\"" + reason + ", so no " +
                           FileNoun(outputPath) + " was made.",
                       nullptr, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        converterLine = ConverterCommandLine(programFolder, scratchPath, outputPath, voiceNumber, m_rate, m_volume);
    }
    PROCESS_INFORMATION converter{};
    if (programFolder.IsEmpty() || converterLine.IsEmpty() || !Start(converterLine, SW_HIDE, converter)) {
        MessageBox("The converter \"" + programFolder + "/narrate\" could not be started, so no " + FileNoun(outputPath) +
                       " was made.",
                   nullptr, MB_OK | MB_ICONEXCLAMATION);
        return;
    }

    DWORD waited = WAIT_FAILED;
    DWORD exitCode = 0;
    {
        CWaitCursor waitCursor;
        waited = ::WaitForSingleObject(converter.hProcess, kConverterWaitMilliseconds);
        if (waited == WAIT_OBJECT_0 && !::GetExitCodeProcess(converter.hProcess, &exitCode))
            waited = WAIT_FAILED;
    }
    DWORD converterId = converter.dwProcessId;
    Close(converter);

    if (waited == WAIT_TIMEOUT) {
        SearchConverterMainWindow(converterId);
        StartFileBrowser(ExplorerFolderCommandLine(FolderOf(outputPath)));
    } else if (waited != WAIT_OBJECT_0) {
        MessageBox("Waiting for the converter failed; the " + FileNoun(outputPath) + " may be missing.", nullptr,
                   MB_OK | MB_ICONEXCLAMATION);
    } else if (exitCode != 0 || !FileExists(outputPath)) {
        CString message;
        message.Format("The converter failed (exit code %lu): no %s was written to \"%s\".",
                       static_cast<unsigned long>(exitCode), FileNoun(outputPath).GetString(), outputPath.GetString());
        MessageBox(message, nullptr, MB_OK | MB_ICONEXCLAMATION);
    } else {
        StartFileBrowser(ExplorerSelectCommandLine(outputPath));
    }
    UpdateData(FALSE);
}
