// The search for the converter's main window, on a display of the test's own.
#include "ConverterWindowSearch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "SystemCalls.h"
#include "gui_fixture.h"

namespace {

struct FakeWindow {
    DWORD processId;
    bool hasParent;
    const char* title;
};
std::vector<FakeWindow> windows;
std::vector<int> visited;
std::vector<int> titlesRead;

HWND Handle(std::size_t index) { return reinterpret_cast<HWND>(index + 1); }
std::size_t Index(HWND window) { return reinterpret_cast<std::size_t>(window) - 1; }

BOOL FakeEnumWindows(WNDENUMPROC callback, LPARAM data)
{
    for (std::size_t i = 0; i < windows.size(); ++i) {
        visited.push_back(static_cast<int>(i));
        if (!callback(Handle(i), data)) return FALSE;
    }
    return TRUE;
}
DWORD FakeProcessId(HWND window, DWORD* processId)
{
    *processId = windows[Index(window)].processId;
    return *processId;
}
HWND FakeParent(HWND window) { return windows[Index(window)].hasParent ? Handle(0) : nullptr; }
int FakeTitle(HWND window, LPSTR text, int maxCount)
{
    titlesRead.push_back(static_cast<int>(Index(window)));
    EXPECT_EQ(maxCount, 100);
    int length = static_cast<int>(std::strlen(windows[Index(window)].title));
    std::memcpy(text, windows[Index(window)].title, static_cast<std::size_t>(length) + 1);
    return length;
}

class WindowSearch : public gui_test::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        VarnelSystemCalls calls = RealSystemCalls();
        calls.EnumWindows = &FakeEnumWindows;
        calls.GetWindowThreadProcessId = &FakeProcessId;
        calls.GetParent = &FakeParent;
        calls.GetWindowTextA = &FakeTitle;
        seam_.emplace(calls);
        visited.clear();
        titlesRead.clear();
    }
    std::optional<ScopedSystemCalls> seam_;
};

TEST_F(WindowSearch, TheFirstTopLevelWindowOfTheConverterIsReportedAndTheWalkEnds)
{
    windows = {{10, false, "other"}, {42, true, "child"}, {42, false, "main"}, {42, false, "second"}};
    afxtest::MessageBoxHook boxes;
    EXPECT_TRUE(SearchConverterMainWindow(42));
    EXPECT_EQ(visited, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(titlesRead, (std::vector<int>{2}));
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, CString(u"进程主窗体标题"));
    EXPECT_EQ(boxes.Calls()[0].caption, CString(AfxGetAppName()));
}

TEST_F(WindowSearch, NoWindowOfTheConverterMeansNoMessage)
{
    windows = {{10, false, "other"}, {42, true, "child"}};
    afxtest::MessageBoxHook boxes;
    EXPECT_FALSE(SearchConverterMainWindow(42));
    EXPECT_EQ(visited.size(), 2u);
    EXPECT_TRUE(boxes.Calls().empty());
}

TEST_F(WindowSearch, AnEmptyDisplayEndsAtOnce)
{
    windows.clear();
    afxtest::MessageBoxHook boxes;
    EXPECT_FALSE(SearchConverterMainWindow(42));
    EXPECT_TRUE(boxes.Calls().empty());
}

}  // namespace
