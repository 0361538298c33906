// The main dialog's state in ".\set.ini" of the current directory (of the
// program's config folder when the menu started it).
#include "VarnelDlg.h"

#include <failure_words.h>

#include <string>

#include "SettingsSection.h"
#include "SettingsText.h"
#include "WorkingFolder.h"
#include "res/resource.h"

namespace {

const char kSection[] = "Setting";
const char kPrompt[] = "Please Input Text to be Read by TTS.";

int ReadInt(const char* key, int defaultValue)
{
    return static_cast<int>(GetPrivateProfileIntA(kSection, key, defaultValue, SettingsFilePath()));
}

std::string Decimal(int value) { return std::to_string(value); }

std::string Text(const CString& value) { return SettingsTextValue(value).GetString(); }

}  // namespace

// All seven keys go into the file in one write, so a reader (or another Varnel
// saving at the same moment) never meets a file with only some of them new.
void CVarnelDlg::SaveSettings()
{
    UpdateData(TRUE);
    const SettingsValues values = {
        {"InputFileChk", Decimal(m_useInputFile)}, {"InputFileFile", Text(m_inputFilePath)},
        {"InputText", Text(m_inputText)},          {"Rate", Decimal(m_rate)},
        {"Volume", Decimal(m_volume)},             {"Voice", Decimal(m_voiceCombo.GetCurSel())},
        {"Loop", Decimal(m_loopCount)}};
    if (!SaveSettingsSection(kSection, values, SettingsFilePath())) {
        CString message = "The settings could not be saved to \"set.ini\": ";
        message += Win32FailureInWords(GetLastError()).c_str();
        message += ". The file keeps the settings it had.";
        MessageBox(message, nullptr, MB_OK | MB_ICONEXCLAMATION);
    }
    UpdateData(FALSE);
}

// A missing key keeps the start-up state: text input, the prompt, rate 0, volume
// 100, the start-up voice row and one repetition.
void CVarnelDlg::LoadSettings()
{
    // Any nonzero value means file input; stored as 1 so that box, member and the
    // enabled input box agree.
    m_useInputFile = ReadInt("InputFileChk", 0) != 0 ? 1 : 0;
    m_inputFilePath = ReadSettingsText(kSection, "InputFileFile", "", SettingsFilePath());
    m_inputText = ReadSettingsText(kSection, "InputText", kPrompt, SettingsFilePath());
    m_rate = ReadInt("Rate", 0);
    m_volume = ReadInt("Volume", 100);
    m_voiceCombo.SetCurSel(ReadInt("Voice", m_voiceCombo.GetCurSel()));
    m_loopCount = ReadInt("Loop", 1);
    EnableInputBox();
}
