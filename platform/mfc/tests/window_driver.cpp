// The framework's windows in the window system's handle space, and its loops
// pumping the thread's message queue.
#include "gui_fixture.h"
#include "test_dialog.h"

#include <processthreadsapi.h>
#include <winuser.h>

#include <QEventLoop>
#include <QTimer>

#include <thread>

namespace {

using namespace mfc_test;

class WindowDriverTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.lpszClassName = "WindowDriverTest";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "WindowDriverTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    void TearDown() override
    {
        onMessage = nullptr;  // its captures are gone with the test body
        DestroyWindow(window_);
        UnregisterClassA("WindowDriverTest", nullptr);
        GuiTest::TearDown();
    }
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<WindowDriverTest*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && self->onMessage) self->onMessage(message, wParam, lParam);
        return 0;
    }
    // Runs a nested loop until `done` quits it; a guard ends it with 1 should the
    // message never come, so a fault fails the test instead of hanging it.
    static int RunUntilQuit(QEventLoop& done)
    {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &done, [&done] { done.exit(1); });
        guard.start(10000);
        return done.exec();
    }

    HWND window_ = nullptr;
    std::function<void(UINT, WPARAM, LPARAM)> onMessage;
};

TEST_F(WindowDriverTest, AnotherThreadsPostRunsOnTheGuiThreadInsideTheRunningLoop)
{
    const DWORD guiThread = GetCurrentThreadId();
    DWORD ranOn = 0;
    int loopResult = -1;
    afxtest::ModalScript script;
    script.Then([&](CDialog& dialog) {
        QEventLoop loop;
        onMessage = [&](UINT message, WPARAM, LPARAM) {
            if (message != WM_USER + 1) return;
            ranOn = GetCurrentThreadId();
            loop.quit();
        };
        std::thread poster([this] { PostMessageA(window_, WM_USER + 1, 0, 0); });
        loopResult = RunUntilQuit(loop);
        poster.join();
        dialog.EndDialog(IDOK);
    });
    CTestDlg dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(loopResult, 0);
    EXPECT_EQ(ranOn, guiThread);
}

TEST_F(WindowDriverTest, AHandlerRunningANestedLoopLetsThatLoopTakeTheNextMessage)
{
    std::vector<UINT> order;
    int nestedResult = -1;
    QEventLoop outer, nested;
    onMessage = [&](UINT message, WPARAM, LPARAM) {
        order.push_back(message);
        if (message == WM_USER + 1) {
            nestedResult = RunUntilQuit(nested);  // as a message box or a modal dialog the handler opens
            outer.quit();
        } else {
            nested.quit();
        }
    };
    PostMessageA(window_, WM_USER + 1, 0, 0);
    PostMessageA(window_, WM_USER + 2, 0, 0);
    EXPECT_EQ(RunUntilQuit(outer), 0);
    EXPECT_EQ(nestedResult, 0);
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
}

TEST_F(WindowDriverTest, DialogsAndControlsAreWindowsOfTheOneHandleSpace)
{
    HWND dialogHandle = nullptr;
    afxtest::ModalScript script;
    script.Then([&](CDialog& dialog) {
        dialogHandle = dialog.m_hWnd;
        EXPECT_TRUE(IsWindow(dialogHandle));
        EXPECT_TRUE(IsWindowVisible(dialogHandle));
        HWND control = dialog.GetDlgItem(kRead)->m_hWnd;
        EXPECT_EQ(GetParent(control), dialogHandle);
        DWORD process = 0;
        EXPECT_EQ(GetWindowThreadProcessId(dialogHandle, &process), GetCurrentThreadId());
        EXPECT_EQ(process, GetCurrentProcessId());
        char caption[64] = {};
        EXPECT_GT(GetWindowTextA(dialogHandle, caption, sizeof caption), 0);
        CString expected;
        dialog.GetWindowText(expected);
        EXPECT_STREQ(caption, expected.GetString());
        EXPECT_TRUE(ShowWindow(dialogHandle, SW_HIDE));
        EXPECT_FALSE(dialog.IsWindowVisible());
        EXPECT_TRUE(PostMessageA(dialogHandle, WM_CLOSE, 0, 0));
        QApplication::processEvents();  // the posted close runs in a Qt loop
    });
    CTestDlg dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "close", "cancel"}));
    EXPECT_FALSE(IsWindow(dialogHandle)) << "the handle ends with the dialog";
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
}

}  // namespace
