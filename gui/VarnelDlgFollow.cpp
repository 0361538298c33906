// Following the voice while it reads: a short timer asks its status, selects the
// word being heard in Input Text, and sees when the reading is over.
#include "VarnelDlg.h"

#include "SpeechVoiceStatusDispatch.h"
#include "SpokenTextOffsets.h"
#include "res/resource.h"

namespace {

constexpr UINT_PTR kFollowTimer = 1;
constexpr UINT kFollowEveryMs = 50;  // a word lasts a few hundred

}  // namespace

void CVarnelDlg::StartFollowing(bool typedText, long firstStream)
{
    m_reading = true;
    // A file's text is not in the box: selecting would mark the typed text instead,
    // and showing its sentence would need a control of its own.
    m_highlighting = typedText;
    m_firstStream = firstStream;
    if (CWnd* pause = GetDlgItem(IDC_PAUSE)) pause->EnableWindow(TRUE);
    SetTimer(kFollowTimer, kFollowEveryMs, nullptr);
}

void CVarnelDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kFollowTimer) {
        CDialog::OnTimer(nIDEvent);
        return;
    }
    try {
        FollowVoice();
    } catch (CException* e) {
        // A voice that cannot tell where it is has failed; its notice says why.
        e->Delete();
        EndReading();
    }
}

void CVarnelDlg::FollowVoice()
{
    if (!m_reading || !HasVoice()) return;
    SpeechVoiceStatusDispatch status(m_voice.GetStatus());
    // A pause between two loops holds the next one: the reading is not over.
    if (!m_paused && status.GetRunningState() == SRSEDone && m_voice.WaitUntilDone(0)) {
        EndReading();
        return;
    }
    if (m_highlighting && status.GetCurrentStreamNumber() >= m_firstStream)
        ShowSpokenWord(status.GetInputWordPosition(), status.GetInputWordLength());
}

// Positions count UTF-16 units of the text spoken; the box selects by its own offsets.
void CVarnelDlg::ShowSpokenWord(long position, long length)
{
    if (length <= 0) return;  // nothing heard yet of this request
    CString shown;
    m_textEdit.GetWindowText(shown);
    if (shown != m_spokenText) return;  // edited since Read: the positions no longer fit
    int start = AnsiOffsetOfUtf16(m_spokenText, position);
    int end = AnsiOffsetOfUtf16(m_spokenText, position + length);
    int selectedStart = 0, selectedEnd = 0;
    m_textEdit.GetSel(selectedStart, selectedEnd);
    if (selectedStart != start || selectedEnd != end) m_textEdit.SetSel(start, end);  // scrolls it into view
}

void CVarnelDlg::EndReading()
{
    KillTimer(kFollowTimer);
    if (m_highlighting) {
        int start = 0, end = 0;
        m_textEdit.GetSel(start, end);
        m_textEdit.SetSel(start, start);
    }
    m_reading = false;
    m_highlighting = false;
    if (m_paused) ShowPaused(false);
    CWnd* pause = GetDlgItem(IDC_PAUSE);
    if (!pause) return;
    if (GetFocus() == pause) GotoDlgCtrl(GetDlgItem(IDC_READ));
    pause->EnableWindow(FALSE);
}
