// The voice's notices: a request read aloud that failed (the sound server went
// away, say) is told in one message box per Read, in words.
#include "VarnelDlg.h"

#include <atlbase.h>
#include <sapi.h>

#include <failure_words.h>

void CVarnelDlg::ListenForSpeechEnds()
{
    CComPtr<ISpNotifySource> source;
    if (SUCCEEDED(m_voice.m_lpDispatch->QueryInterface(IID_ISpNotifySource, reinterpret_cast<void**>(&source))))
        source->SetNotifyWindowMessage(m_hWnd, WM_SPEECH_ENDED, 0, 0);
}

LRESULT CVarnelDlg::OnSpeechEnded(WPARAM, LPARAM)
{
    if (m_speechFailureShown || !HasVoice()) return 0;
    CComPtr<ISpVoice> voice;
    if (FAILED(m_voice.m_lpDispatch->QueryInterface(IID_ISpVoice, reinterpret_cast<void**>(&voice)))) return 0;
    SPVOICESTATUS status{};
    if (FAILED(voice->GetStatus(&status, nullptr)) || SUCCEEDED(status.hrLastResult)) return 0;
    m_speechFailureShown = true;
    // The repeats still queued would fail the same way, each with a box of its own.
    voice->Speak(u"", SPF_PURGEBEFORESPEAK | SPF_ASYNC, nullptr);
    CString message = "Reading aloud stopped: ";
    message += FailureInWords(status.hrLastResult).c_str();
    message += ". Press Read to start again once the sound works.";
    MessageBox(message, nullptr, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}
