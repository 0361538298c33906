// Reading aloud through the real engine while the sound server dies and comes
// back: one message in words per Read, Stop and Exit still work, and Read speaks
// again once the server is back.
#include "VarnelDlg.h"

#include <atlbase.h>
#include <sapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include <private_pulse.h>

#include "gui_fixture.h"
#include "res/resource.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kLongText[] =
    "This text keeps the voice busy for many seconds, one sentence after another, so that the "
    "sound server can go away while it is being read aloud. It goes on and on with nothing "
    "much to say, and then it goes on a little more.";

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class SpeechEnd : public gui_test::GuiTest {
protected:
    // Every request queued so far has ended and its notice has been handled.
    static void SettleNotices(CVarnelDlg& dialog)
    {
        CComPtr<ISpVoice> voice;
        ASSERT_EQ(dialog.m_voice.m_lpDispatch->QueryInterface(IID_ISpVoice, reinterpret_cast<void**>(&voice)), S_OK);
        // Requests end in order and each posts before the next starts, so this
        // empty request's end comes after every earlier notice was posted.
        ASSERT_EQ(voice->Speak(u"", SPF_DEFAULT, nullptr), S_OK);
        MSG pending{};
        while (PeekMessageA(&pending, dialog.GetSafeHwnd(), WM_SPEECH_ENDED, WM_SPEECH_ENDED, PM_NOREMOVE))
            afxtest::ProcessPostedMessages();
    }

    static HRESULT LastResult(CVarnelDlg& dialog)
    {
        CComPtr<ISpVoice> voice;
        dialog.m_voice.m_lpDispatch->QueryInterface(IID_ISpVoice, reinterpret_cast<void**>(&voice));
        SPVOICESTATUS status{};
        if (!voice || FAILED(voice->GetStatus(&status, nullptr))) return E_FAIL;
        return status.hrLastResult;
    }

    // Runs the dialog's messages until a box has been shown (or a minute passed,
    // so that a missing box fails the test rather than hanging it).
    static bool AwaitBox(const afxtest::MessageBoxHook& boxes, std::size_t count)
    {
        auto giveUp = Clock::now() + std::chrono::minutes(1);
        while (boxes.Calls().size() < count && Clock::now() < giveUp) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
            afxtest::ProcessPostedMessages();
        }
        return boxes.Calls().size() >= count;
    }
};

TEST_F(SpeechEnd, AServerThatDiesWhileReadingGivesOneMessageAndReadWorksOnceItIsBack)
{
    testing_support::PrivatePulseServer server;
    ASSERT_TRUE(server.Start()) << server.Log();
    afxtest::MessageBoxHook boxes;
    double stopMs = -1, exitMs = -1;
    Clock::time_point exitStart;
    afxtest::ModalScript script;
    script.Then([&](CDialog& d) {
        auto& dialog = static_cast<CVarnelDlg&>(d);
        ASSERT_TRUE(afxtest::Type(&dialog, IDC_INPUT_TEXT, kLongText));
        ASSERT_TRUE(afxtest::Type(&dialog, IDC_LOOP, "3"));
        ASSERT_TRUE(afxtest::Click(&dialog, IDC_READ));  // connected when the click returns
        server.Kill();
        ASSERT_TRUE(AwaitBox(boxes, 1)) << "the failure was never told";
        SettleNotices(dialog);
        ASSERT_EQ(boxes.Calls().size(), 1u) << "one message for the Read, not one per repeat";
        // The box tells the voice's last result when the dialog gets to it: the
        // request that was playing, or (on a busy machine) the repeat after it
        // that found no server.
        const char* stopped = "Reading aloud stopped: The audio server stopped playing (0x80045011). "
                              "Press Read to start again once the sound works.";
        const char* gone = "Reading aloud stopped: No audio server answered, so nothing can be heard "
                           "(0x80045009). Press Read to start again once the sound works.";
        EXPECT_TRUE(boxes.Calls()[0].text == stopped || boxes.Calls()[0].text == gone) << boxes.Calls()[0].text;
        EXPECT_EQ(boxes.Calls()[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));

        auto stopStart = Clock::now();
        EXPECT_TRUE(afxtest::Click(&dialog, IDC_STOP));
        stopMs = MillisecondsSince(stopStart);

        // Without a server a Read fails at once: one message again, in words.
        EXPECT_TRUE(afxtest::Click(&dialog, IDC_READ));
        SettleNotices(dialog);
        ASSERT_EQ(boxes.Calls().size(), 2u);
        EXPECT_EQ(boxes.Calls()[1].text, "No audio server answered, so nothing can be heard (0x80045009).");

        ASSERT_TRUE(server.Start()) << server.Log();
        ASSERT_TRUE(afxtest::Type(&dialog, IDC_INPUT_TEXT, "Back again."));
        ASSERT_TRUE(afxtest::Type(&dialog, IDC_LOOP, "1"));
        EXPECT_TRUE(afxtest::Click(&dialog, IDC_READ));
        SettleNotices(dialog);
        EXPECT_EQ(LastResult(dialog), S_OK) << "the sentence was played on the server that came back";
        EXPECT_EQ(boxes.Calls().size(), 2u);

        // Exit while a long text is being read.
        ASSERT_TRUE(afxtest::Type(&dialog, IDC_INPUT_TEXT, kLongText));
        EXPECT_TRUE(afxtest::Click(&dialog, IDC_READ));
        exitStart = Clock::now();
        afxtest::Click(&dialog, IDCANCEL);
    });
    {
        CVarnelDlg dialog;
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
    exitMs = MillisecondsSince(exitStart);
    EXPECT_EQ(boxes.Calls().size(), 2u);
    std::printf("[ figures  ] Stop after the server died: %.1f ms; Exit while reading: %.1f ms\n", stopMs, exitMs);
    RecordProperty("stop_ms", std::to_string(stopMs));
    RecordProperty("exit_ms", std::to_string(exitMs));
}

}  // namespace
