// The main dialog's commands: reading aloud, stopping, the steps, the voice list,
// the input mode, browsing, help and the hidden test buttons.
#include "VarnelDlg.h"

#include <afxdlgs.h>

#include "InputFileText.h"
#include "ProgramPaths.h"
#include "WorkingFolder.h"
#include "res/resource.h"

namespace {

const char kHelpText[] =
    "For Supporting Chinese/Japanese Speech, Please Download and \nInstall TTS Library of: \n\n"
    "Microsoft - speechsdk51.exe and speechsdk51LangPack.exe.\n\n"
    "NeoSpeech - Text-To-Speech.Tts.Chinese.Mandarin.China.-.Wang.16Khz.";

// What the Browse button offers: texts and the documents read aloud too.
const char kInputFilter[] =
    "Texts and books|*.txt;*.epub;*.pdf;*.html;*.htm;*.xhtml;*.docx;*.odt;*.fb2;*.md;*.markdown|"
    "txt File|*.txt|All files|*||";

}  // namespace

void CVarnelDlg::OnRead()
{
    if (!HasVoice()) return;
    if (!UpdateData(TRUE)) return;
    SaveSettings();
    m_speechFailureShown = false;
    m_voice.SetRate(m_rate);
    m_voice.SetVolume(m_volume);
    if (m_paused) EndPauseByPurge();  // a Read while paused starts anew
    long firstStream = 0;
    if (m_useInputFile) {
        firstStream = SpeakFile();
    } else {
        m_spokenText = m_inputText;  // spoken unchanged, so the voice's positions are the box's
        for (int i = 0; i < m_loopCount; ++i) {
            long stream = m_voice.Speak(m_spokenText, SVSFlagsAsync);
            if (i == 0) firstStream = stream;
        }
    }
    UpdateData(FALSE);
    if (firstStream > 0) StartFollowing(!m_useInputFile, firstStream);
}

// A text file is loaded each time it is said; a document, slower to read, once.
// Returns the stream number of the first request, 0 when nothing was queued.
long CVarnelDlg::SpeakFile()
{
    InputFileText file = LoadInputFileText(m_inputFilePath);
    if (!file.problem.IsEmpty()) {
        MessageBox(file.problem + ", so nothing was read aloud.", nullptr, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    long firstStream = 0;
    for (int i = 0; i < m_loopCount; ++i) {
        if (i > 0 && !file.document) file = LoadInputFileText(m_inputFilePath);
        long stream = m_voice.Speak(file.text, SVSFlagsAsync);
        if (i == 0) firstStream = stream;
    }
    return firstStream;
}

void CVarnelDlg::OnStop()
{
    if (!HasVoice()) return;
    m_voice.Speak("", SVSFPurgeBeforeSpeak);  // also ends a pause, in the voice
    if (m_paused) ShowPaused(false);
    EndReading();
}

void CVarnelDlg::OnRateUp()
{
    if (!HasVoice()) return;
    long rate = m_voice.GetRate();
    if (rate < 10) {
        m_voice.SetRate(rate + 1);
        m_rate = static_cast<int>(rate + 1);
    }
    UpdateData(FALSE);
}

void CVarnelDlg::OnRateDown()
{
    if (!HasVoice()) return;
    long rate = m_voice.GetRate();
    if (rate > -10) {
        m_voice.SetRate(rate - 1);
        m_rate = static_cast<int>(rate - 1);
    }
    UpdateData(FALSE);
}

// A volume restored off the steps of 10 (say 95) stops at 100 rather than leaving the range.
void CVarnelDlg::OnVolumeUp()
{
    if (!HasVoice()) return;
    long volume = m_voice.GetVolume();
    if (volume < 100) {
        long raised = volume + 10 > 100 ? 100 : volume + 10;
        m_voice.SetVolume(raised);
        m_volume = static_cast<int>(raised);
    }
    UpdateData(FALSE);
}

void CVarnelDlg::OnVolumeDown()
{
    if (!HasVoice()) return;
    long volume = m_voice.GetVolume();
    if (volume >= 10) {
        m_voice.SetVolume(volume - 10);
        m_volume = static_cast<int>(volume - 10);
    }
    UpdateData(FALSE);
}

void CVarnelDlg::OnSelchangeVoice()
{
    if (HasVoice()) ChooseVoice(m_voiceCombo.GetCurSel());
}

void CVarnelDlg::RunTestButton(const CString* text, int row, const CString* spoken)
{
    if (!HasVoice()) return;
    if (text) m_inputText = *text;
    ChooseVoice(row);
    m_voiceCombo.SetCurSel(row);
    UpdateData(FALSE);
    if (!spoken) return;
    m_speechFailureShown = false;
    m_voice.Speak(*spoken, SVSFlagsAsync);
}

void CVarnelDlg::OnSpeakEnglish()
{
    const CString spoken("Apple");
    RunTestButton(nullptr, 0, &spoken);
}

void CVarnelDlg::OnEnglish()
{
    const CString text("Fortune favors the brave.");
    RunTestButton(&text, 0, nullptr);
}

void CVarnelDlg::OnChinese()
{
    const CString text(u"白日依山尽，黄河入海流，欲穷千里目，更上一层楼。");
    RunTestButton(&text, 5, nullptr);
}

void CVarnelDlg::OnSpeakChinese()
{
    const CString spoken(u"苹果");
    RunTestButton(nullptr, 5, &spoken);
}

void CVarnelDlg::EnableInputBox()
{
    CWnd* pathBox = GetDlgItem(IDC_INPUT_FILE);
    CWnd* textBox = GetDlgItem(IDC_INPUT_TEXT);
    if (!pathBox || !textBox) return;
    pathBox->EnableWindow(m_useInputFile ? TRUE : FALSE);
    textBox->EnableWindow(m_useInputFile ? FALSE : TRUE);
    (m_useInputFile ? pathBox : textBox)->SetFocus();
}

void CVarnelDlg::OnInputFileCheck()
{
    UpdateData(TRUE);
    EnableInputBox();
    UpdateData(FALSE);
}

void CVarnelDlg::OnBrowse()
{
    CFileDialog dialog(TRUE, "*.txt", nullptr, OFN_HIDEREADONLY, kInputFilter, nullptr);
    CString startFolder = FileDialogStartFolder();
    dialog.m_ofn.lpstrInitialDir = startFolder;
    if (dialog.DoModal() != IDOK) return;
    UpdateData(TRUE);
    m_inputFilePath = dialog.GetPathName();
    UpdateData(FALSE);
}

void CVarnelDlg::OnHelp() { MessageBox(kHelpText, "Info", MB_OK); }
