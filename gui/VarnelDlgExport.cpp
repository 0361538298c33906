// The Narrate button: the text goes through "input.txt" to the converter, which
// writes the WAV file that the file browser then shows.
#include "VarnelDlg.h"

#include <afxdlgs.h>
#include <handleapi.h>
#include <processthreadsapi.h>
#include <synchapi.h>

#include <vector>

#include <load_text_file.h>
#include <failure_words.h>

#include "CommandLines.h"
#include "ConverterWindowSearch.h"
#include "ProgramPaths.h"
#include "WorkingFolder.h"
#include "WriteTextFile.h"
#include "res/resource.h"

namespace {

// How long an export waits for the converter.
constexpr DWORD kConverterWaitMilliseconds = 60000;
constexpr DWORD kSaveFlags = OFN_EXPLORER | OFN_CREATEPROMPT | OFN_ENABLEHOOK | OFN_OVERWRITEPROMPT;

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

}  // namespace

void CVarnelDlg::OnExportWav()
{
    CString currentDirectory = WorkingFolder();
    CString programFolder = ProgramFolder();

    CFileDialog saveDialog(FALSE, nullptr, "*.wav", kSaveFlags, "wav File|*.wav", nullptr);
    CString startFolder = FileDialogStartFolder();
    saveDialog.m_ofn.lpstrInitialDir = startFolder;
    if (saveDialog.DoModal() != IDOK) return;
    CString outputPath = saveDialog.GetPathName();

    if (!UpdateData(TRUE)) return;

    CString text;
    if (m_useInputFile) {
        WCHAR* wide = nullptr;
        LoadTextFile(m_inputFilePath, &wide);
        text = CString(wide);
        delete[] wide;
    } else {
        text = m_inputText;
    }
    if (text.IsEmpty()) {
        MessageBox("Text to speak is empty!", "Info", MB_OK);
        return;
    }
    text = RepeatText(text, m_loopCount);

    CString scratchPath = currentDirectory + "/input.txt";
    if (currentDirectory.IsEmpty() || !WriteTextFile(text, scratchPath)) {
        CString reason = currentDirectory.IsEmpty() ? "" : (": " + Win32FailureInWords(GetLastError())).c_str();
        MessageBox("The text could not be written to \"" + scratchPath + "\"" + reason + ", so no WAV file was made.",
                   nullptr, MB_OK | MB_ICONEXCLAMATION);
        return;
    }

    int voiceNumber = static_cast<int>(::SendMessage(m_voiceCombo.GetSafeHwnd(), CB_GETCURSEL, 0, 0)) + 1;
    CString converterLine =
        ConverterCommandLine(programFolder, scratchPath, outputPath, voiceNumber, m_rate, m_volume);
    PROCESS_INFORMATION converter{};
    if (programFolder.IsEmpty() || converterLine.IsEmpty() || !Start(converterLine, SW_HIDE, converter)) {
        MessageBox("The converter \"" + programFolder + "/narrate\" could not be started, so no WAV file was made.",
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
        MessageBox("Waiting for the converter failed; the WAV file may be missing.", nullptr,
                   MB_OK | MB_ICONEXCLAMATION);
    } else if (exitCode != 0 || !FileExists(outputPath)) {
        CString message;
        message.Format("The converter failed (exit code %lu): no WAV file was written to \"%s\".",
                       static_cast<unsigned long>(exitCode), outputPath.GetString());
        MessageBox(message, nullptr, MB_OK | MB_ICONEXCLAMATION);
    } else {
        StartFileBrowser(ExplorerSelectCommandLine(outputPath));
    }
    UpdateData(FALSE);
}
