// Reading typed text with the real engine: the word heard is selected in Input
// Text and moves on, stands still while paused, goes on after Resume, and is gone
// after Stop; the typed text never changes.
#include "VarnelDlg.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "SpeechVoiceStatusDispatch.h"
#include "gui_fixture.h"
#include "res/resource.h"

namespace {

const char kText[] =
    "Seven quiet rivers wander slowly through green valleys toward distant mountains, "
    "carrying small boats and old stories from village to village.";

class FollowingTheVoice : public gui_test::GuiTest {
protected:
    static CString SelectedText(CVarnelDlg& dialog)
    {
        int start = 0, end = 0;
        dialog.m_textEdit.GetSel(start, end);
        CString text;
        dialog.m_textEdit.GetWindowText(text);
        return text.Mid(start, end - start);
    }
    static long HeardWord(CVarnelDlg& dialog)
    {
        SpeechVoiceStatusDispatch status(dialog.m_voice.GetStatus());
        return status.GetInputWordPosition();
    }
    // Runs the dialog's loop until `done` holds or the voice has nothing left.
    template <typename Condition>
    static bool AwaitOrEnd(CVarnelDlg& dialog, Condition done)
    {
        while (!done()) {
            if (dialog.m_voice.WaitUntilDone(0)) return done();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            afxtest::ProcessPostedMessages();
        }
        return true;
    }
    static void AwaitTicks(CWnd* dialog, int count)
    {
        const int target = afxtest::TimerTicks(dialog) + count;
        while (afxtest::TimerTicks(dialog) < target) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            afxtest::ProcessPostedMessages();
        }
    }
};

TEST_F(FollowingTheVoice, TheHeardWordIsSelectedMovesStandsStillWhilePausedAndGoesWithStop)
{
    std::set<std::string> words;
    {
        std::string text = kText, word;
        for (char c : text) {
            if (std::isalpha(static_cast<unsigned char>(c))) word += c;
            else if (!word.empty()) words.insert(word), word.clear();
        }
    }
    afxtest::ModalScript script;
    script.Then([&](CDialog& d) {
        auto& dialog = static_cast<CVarnelDlg&>(d);
        ASSERT_TRUE(afxtest::Type(&dialog, IDC_INPUT_TEXT, kText));
        ASSERT_TRUE(afxtest::Type(&dialog, IDC_LOOP, "2"));
        ASSERT_TRUE(afxtest::Click(&dialog, IDC_READ));
        EXPECT_EQ(afxtest::FocusedControlId(&dialog), IDC_READ) << "the selection shows while Read has the focus";

        // Three different words selected in turn, each a word of the text.
        std::set<std::string> seen;
        CString last;
        ASSERT_TRUE(AwaitOrEnd(dialog, [&] {
            CString selected = SelectedText(dialog);
            if (!selected.IsEmpty() && selected != last) {
                EXPECT_EQ(words.count(selected.GetString()), 1u) << selected.GetString();
                seen.insert(selected.GetString());
                last = selected;
            }
            return seen.size() >= 3;
        })) << "the highlight never moved through three words";

        ASSERT_TRUE(afxtest::PressAltKey(&dialog, 'P'));
        EXPECT_EQ(gui_test::ControlText(&dialog, IDC_PAUSE), "&Resume");
        AwaitTicks(&dialog, 3);  // the pause takes hold at the next word at the latest
        const CString pausedAt = SelectedText(dialog);
        const long heardAt = HeardWord(dialog);
        AwaitTicks(&dialog, 10);
        EXPECT_EQ(SelectedText(dialog), pausedAt) << "the highlight stands still";
        EXPECT_EQ(HeardWord(dialog), heardAt) << "the voice stands still";
        EXPECT_FALSE(dialog.m_voice.WaitUntilDone(0));

        ASSERT_TRUE(afxtest::PressAltKey(&dialog, 'R'));
        EXPECT_EQ(gui_test::ControlText(&dialog, IDC_PAUSE), "&Pause");
        ASSERT_TRUE(AwaitOrEnd(dialog, [&] { return HeardWord(dialog) != heardAt; })) << "Resume went on";
        ASSERT_TRUE(AwaitOrEnd(dialog, [&] { return !SelectedText(dialog).IsEmpty() && SelectedText(dialog) != pausedAt; }));

        ASSERT_TRUE(afxtest::Click(&dialog, IDC_STOP));
        EXPECT_TRUE(SelectedText(dialog).IsEmpty()) << "Stop took the highlight away";
        EXPECT_FALSE(gui_test::IsEnabled(&dialog, IDC_PAUSE));
        EXPECT_EQ(gui_test::ControlText(&dialog, IDC_INPUT_TEXT), kText) << "the typed text is unchanged";
        EXPECT_TRUE(dialog.m_voice.WaitUntilDone(-1));
        afxtest::Click(&dialog, IDCANCEL);
    });
    CVarnelDlg dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(FollowingTheVoice, TheHighlightGoesWhenTheReadingEnds)
{
    afxtest::ModalScript script;
    script.Then([&](CDialog& d) {
        auto& dialog = static_cast<CVarnelDlg&>(d);
        ASSERT_TRUE(afxtest::Type(&dialog, IDC_INPUT_TEXT, "Short and sweet."));
        ASSERT_TRUE(afxtest::Click(&dialog, IDC_READ));
        // Over once the timer has seen the voice done: Pause is disabled again.
        while (gui_test::IsEnabled(&dialog, IDC_PAUSE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            afxtest::ProcessPostedMessages();
        }
        EXPECT_TRUE(SelectedText(dialog).IsEmpty());
        EXPECT_EQ(gui_test::ControlText(&dialog, IDC_INPUT_TEXT), "Short and sweet.");
        afxtest::Click(&dialog, IDCANCEL);
    });
    CVarnelDlg dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

}  // namespace
