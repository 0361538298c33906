// The Pause button against the tests' voice: enabled only while reading, its
// caption and Alt letter following the pause, Stop and Read ending a pause, and
// the timer that follows the voice selecting the word it tells of.
#include "VarnelDlg.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "gui_fixture.h"
#include "res/resource.h"

using gui_test::ControlText;
using gui_test::FakeVoice;
using gui_test::IsEnabled;

namespace {

class PauseButton : public gui_test::DialogTest {
protected:
    // The voice reports itself busy until told otherwise.
    static void VoiceBusy(long stream, long position, long length)
    {
        FakeVoice().runningState = 2;
        FakeVoice().done = false;
        FakeVoice().currentStream = stream;
        FakeVoice().wordPosition = position;
        FakeVoice().wordLength = length;
    }
    static void VoiceDone()
    {
        FakeVoice().runningState = 1;
        FakeVoice().done = true;
        FakeVoice().currentStream = 0;
    }
    static void AwaitTicks(CWnd* dialog, int count)
    {
        const int target = afxtest::TimerTicks(dialog) + count;
        while (afxtest::TimerTicks(dialog) < target) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            afxtest::ProcessPostedMessages();
        }
    }
    static std::pair<int, int> Selected(CVarnelDlg& dialog)
    {
        int start = 0, end = 0;
        dialog.m_textEdit.GetSel(start, end);
        return {start, end};
    }
};

TEST_F(PauseButton, AltKeysPauseAndResumeOnlyWhileReading)
{
    Run([](CVarnelDlg& dialog) {
        EXPECT_FALSE(IsEnabled(&dialog, IDC_PAUSE));
        afxtest::PressAltKey(&dialog, 'P');
        EXPECT_EQ(FakeVoice().pauses, 0) << "nothing is being read";

        VoiceBusy(0, 0, 0);
        afxtest::Type(&dialog, IDC_INPUT_TEXT, "one two three");
        afxtest::Type(&dialog, IDC_LOOP, "2");
        afxtest::Click(&dialog, IDC_READ);
        EXPECT_TRUE(IsEnabled(&dialog, IDC_PAUSE));
        afxtest::PressAltKey(&dialog, 'R');
        EXPECT_EQ(FakeVoice().resumes, 0) << "not paused: Alt+R is nobody's letter";
        afxtest::PressAltKey(&dialog, 'P');
        EXPECT_EQ(FakeVoice().pauses, 1);
        EXPECT_EQ(ControlText(&dialog, IDC_PAUSE), "&Resume");
        afxtest::PressAltKey(&dialog, 'P');
        EXPECT_EQ(FakeVoice().pauses, 1) << "already paused";

        // Paused between two loops the voice is idle; the reading is not over.
        VoiceDone();
        FakeVoice().done = false;
        AwaitTicks(&dialog, 2);
        EXPECT_EQ(ControlText(&dialog, IDC_PAUSE), "&Resume");
        EXPECT_TRUE(IsEnabled(&dialog, IDC_PAUSE));

        afxtest::PressAltKey(&dialog, 'R');
        EXPECT_EQ(FakeVoice().resumes, 1);
        EXPECT_EQ(ControlText(&dialog, IDC_PAUSE), "&Pause");
        EXPECT_EQ(FakeVoice().spoken.size(), 2u) << "the remaining loop was neither dropped nor queued again";

        VoiceDone();
        AwaitTicks(&dialog, 1);
        EXPECT_FALSE(IsEnabled(&dialog, IDC_PAUSE)) << "the reading is over";
        afxtest::PressAltKey(&dialog, 'P');
        EXPECT_EQ(FakeVoice().pauses, 1);
    });
}

TEST_F(PauseButton, StopAndReadEndAPause)
{
    Run([](CVarnelDlg& dialog) {
        VoiceBusy(0, 0, 0);
        afxtest::Type(&dialog, IDC_INPUT_TEXT, "one two three");
        afxtest::Click(&dialog, IDC_READ);
        afxtest::Click(&dialog, IDC_PAUSE);
        afxtest::Focus(&dialog, IDC_PAUSE);
        afxtest::Click(&dialog, IDC_STOP);
        EXPECT_EQ(FakeVoice().spoken.back().flags, SVSFPurgeBeforeSpeak);
        EXPECT_EQ(ControlText(&dialog, IDC_PAUSE), "&Pause");
        EXPECT_FALSE(IsEnabled(&dialog, IDC_PAUSE));
        EXPECT_EQ(FakeVoice().resumes, 0) << "the purge ended the voice's pause";

        afxtest::Click(&dialog, IDC_READ);
        afxtest::Click(&dialog, IDC_PAUSE);
        afxtest::Focus(&dialog, IDC_PAUSE);
        const std::size_t before = FakeVoice().spoken.size();
        afxtest::Click(&dialog, IDC_READ);
        ASSERT_EQ(FakeVoice().spoken.size(), before + 2);
        EXPECT_EQ(FakeVoice().spoken[before].flags, SVSFPurgeBeforeSpeak) << "Read while paused starts anew";
        EXPECT_EQ(FakeVoice().spoken[before + 1].text, "one two three");
        EXPECT_EQ(ControlText(&dialog, IDC_PAUSE), "&Pause");
        EXPECT_TRUE(IsEnabled(&dialog, IDC_PAUSE));

        VoiceDone();
        AwaitTicks(&dialog, 1);
        EXPECT_FALSE(IsEnabled(&dialog, IDC_PAUSE));
        EXPECT_EQ(afxtest::FocusedControlId(&dialog), IDC_READ) << "the focus left the button it disabled";
    });
}

TEST_F(PauseButton, TheWordTheVoiceTellsIsSelectedInTheTypedTextOnly)
{
    gui_test::WriteFile(env_.cwd() / "words.txt", "one two three");
    Run([&](CVarnelDlg& dialog) {
        afxtest::Type(&dialog, IDC_INPUT_TEXT, CString(u"Grüß\r\ndich, Welt"));
        VoiceBusy(0, 0, 0);
        afxtest::Click(&dialog, IDC_READ);
        const long stream = static_cast<long>(FakeVoice().spoken.size());
        FakeVoice().currentStream = stream - 1;  // an earlier request still speaking
        FakeVoice().wordPosition = 0;
        FakeVoice().wordLength = 4;
        AwaitTicks(&dialog, 2);
        EXPECT_EQ(Selected(dialog).first, Selected(dialog).second) << "not this Read's words";

        FakeVoice().currentStream = stream;
        FakeVoice().wordPosition = 6;  // "dich", after "Grüß" and CR LF
        AwaitTicks(&dialog, 2);
        auto [start, end] = Selected(dialog);
        CString shown = ControlText(&dialog, IDC_INPUT_TEXT);
        EXPECT_EQ(shown.Mid(start, end - start), "dich");
        EXPECT_EQ(shown, CString(u"Grüß\r\ndich, Welt"));

        VoiceDone();
        AwaitTicks(&dialog, 1);
        std::tie(start, end) = Selected(dialog);
        EXPECT_EQ(start, end) << "the highlight is gone with the reading";

        // A file's words are not in the box: its selection is left alone.
        afxtest::Click(&dialog, IDC_INPUT_FILE_CHECK);
        afxtest::Type(&dialog, IDC_INPUT_FILE, (env_.cwd() / "words.txt").c_str());
        VoiceBusy(0, 0, 3);
        afxtest::Click(&dialog, IDC_READ);
        FakeVoice().currentStream = static_cast<long>(FakeVoice().spoken.size());
        AwaitTicks(&dialog, 2);
        std::tie(start, end) = Selected(dialog);
        EXPECT_EQ(start, end);
        EXPECT_TRUE(IsEnabled(&dialog, IDC_PAUSE)) << "a file's reading can be paused too";
        VoiceDone();
        AwaitTicks(&dialog, 1);
    });
}

}  // namespace
