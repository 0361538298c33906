// The main dialog's Pause button: it pauses the voice mid-word and, reading
// "&Resume", lets it go on from the same place; the loops still queued follow.
#include "VarnelDlg.h"

#include "res/resource.h"

void CVarnelDlg::OnPause()
{
    if (!HasVoice() || !m_reading) return;
    if (m_paused) m_voice.Resume();
    else m_voice.Pause();
    ShowPaused(!m_paused);
}

void CVarnelDlg::ShowPaused(bool paused)
{
    m_paused = paused;
    SetDlgItemText(IDC_PAUSE, paused ? "&Resume" : "&Pause");
}

// A purge ends the voice's pause and its queue together; the button follows.
void CVarnelDlg::EndPauseByPurge()
{
    m_voice.Speak("", SVSFPurgeBeforeSpeak);
    ShowPaused(false);
}
