// A toolkit's windows in the one handle space: calls reach its driver.
#include <varnel/user32_driver.h>

#include <processthreadsapi.h>
#include <winbase.h>
#include <winuser.h>

#include <string>
#include <vector>

#include <poll.h>

#include <gtest/gtest.h>

namespace {

struct ToolkitWindow {
    std::string title;
    bool visible = false;
    HWND parent = nullptr;
    std::vector<UINT> messages;
    bool destroyed = false;
};

class ToolkitDriver final : public win32::user::WindowDriver {
public:
    LRESULT Send(void* window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        auto* w = static_cast<ToolkitWindow*>(window);
        w->messages.push_back(message);
        if (message != WM_GETTEXT) return 0;
        const std::string text = w->title.substr(0, static_cast<std::size_t>(wParam) - 1);
        text.copy(reinterpret_cast<char*>(lParam), text.size());
        reinterpret_cast<char*>(lParam)[text.size()] = '\0';
        return static_cast<LRESULT>(text.size());
    }
    bool IsVisible(void* window) override { return static_cast<ToolkitWindow*>(window)->visible; }
    bool Show(void* window, int command) override
    {
        auto* w = static_cast<ToolkitWindow*>(window);
        const bool was = w->visible;
        w->visible = command != SW_HIDE;
        return was;
    }
    HWND Parent(void* window) override { return static_cast<ToolkitWindow*>(window)->parent; }
    void Destroy(void* window) override { static_cast<ToolkitWindow*>(window)->destroyed = true; }
};

bool Readable(int descriptor)
{
    pollfd watched{descriptor, POLLIN, 0};
    return poll(&watched, 1, 0) == 1;
}

TEST(UserDriver, TheWindowFunctionsReachTheDriverOfAHandle)
{
    ToolkitDriver driver, other;
    ToolkitWindow dialog{"Dialog title", false, nullptr, {}, false};
    HWND handle = win32::user::AttachWindow(driver, &dialog);
    ToolkitWindow control{"", true, handle, {}, false};
    HWND controlHandle = win32::user::AttachWindow(driver, &control);

    EXPECT_EQ(win32::user::DriverWindow(handle, driver), &dialog);
    EXPECT_EQ(win32::user::DriverWindow(handle, other), nullptr) << "another driver's handle";
    EXPECT_TRUE(IsWindow(handle));
    EXPECT_FALSE(ShowWindow(handle, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(handle));
    EXPECT_EQ(GetParent(controlHandle), handle);
    char title[6];
    EXPECT_EQ(GetWindowTextA(handle, title, sizeof title), 5);
    EXPECT_STREQ(title, "Dialo");
    EXPECT_EQ(GetWindowThreadProcessId(handle, nullptr), GetCurrentThreadId());
    EXPECT_EQ(SendMessageA(handle, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(DestroyWindow(handle));
    EXPECT_TRUE(dialog.destroyed);

    PostMessageA(handle, WM_USER, 0, 0);
    EXPECT_TRUE(Readable(win32::user::QueueWaitDescriptor())) << "a posted message wakes the toolkit's loop";
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(Readable(win32::user::QueueWaitDescriptor())) << "the queue is empty again";
    DispatchMessageA(&msg);
    EXPECT_EQ(dialog.messages, (std::vector<UINT>{WM_GETTEXT, WM_CLOSE, WM_USER}));

    PostMessageA(controlHandle, WM_USER, 0, 0);
    win32::user::DetachWindow(controlHandle);
    win32::user::DetachWindow(handle);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(win32::user::DriverWindow(handle, driver), nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "a detached window's messages are dropped";
    EXPECT_FALSE(Readable(win32::user::QueueWaitDescriptor()));
}

TEST(UserDriver, MetricsComeFromTheDisplayDriver)
{
    struct Display final : win32::user::DisplayDriver {
        int SystemMetric(int index) override { return index == SM_CXICON ? 32 : 0; }
    } display;
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 0) << "no display driver: no metrics";
    win32::user::SetDisplayDriver(&display);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    win32::user::SetDisplayDriver(nullptr);
}

}  // namespace
