// The main dialog's state in ".\set.ini" of the current directory (of the
// program's config folder when the menu started it).
#include "VarnelDlg.h"

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

void WriteInt(const char* key, int value)
{
    CString text;
    text.Format("%d", value);
    WritePrivateProfileStringA(kSection, key, text, SettingsFilePath());
}

void WriteText(const char* key, const CString& value)
{
    WritePrivateProfileStringA(kSection, key, SettingsTextValue(value), SettingsFilePath());
}

}  // namespace

void CVarnelDlg::SaveSettings()
{
    UpdateData(TRUE);
    WriteInt("InputFileChk", m_useInputFile);
    WriteText("InputFileFile", m_inputFilePath);
    WriteText("InputText", m_inputText);
    WriteInt("Rate", m_rate);
    WriteInt("Volume", m_volume);
    WriteInt("Voice", m_voiceCombo.GetCurSel());
    WriteInt("Loop", m_loopCount);
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
