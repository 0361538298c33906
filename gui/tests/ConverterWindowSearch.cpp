// The search for the converter's main window, among windows the test shows
// through the Win32 window functions.
#include "ConverterWindowSearch.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_windows.h"
#include "gui_fixture.h"

namespace {

using gui_test::FakeWindows;

class WindowSearch : public gui_test::GuiTest {};

TEST_F(WindowSearch, TheFirstTopLevelWindowOfTheConverterIsReportedAndTheWalkEnds)
{
    FakeWindows windows({{10, false, "other"}, {42, true, "child"}, {42, false, "main"}, {42, false, "second"}});
    afxtest::MessageBoxHook boxes;
    EXPECT_TRUE(SearchConverterMainWindow(42));
    EXPECT_EQ(windows.ProcessesRead(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(windows.TitlesRead(), (std::vector<int>{2}));
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, CString(u"进程主窗体标题"));
    EXPECT_EQ(boxes.Calls()[0].caption, CString(AfxGetAppName()));
}

TEST_F(WindowSearch, NoWindowOfTheConverterMeansNoMessage)
{
    FakeWindows windows({{10, false, "other"}, {42, true, "child"}});
    afxtest::MessageBoxHook boxes;
    EXPECT_FALSE(SearchConverterMainWindow(42));
    EXPECT_EQ(windows.ProcessesRead(), (std::vector<int>{0, 1}));
    EXPECT_TRUE(windows.TitlesRead().empty());
    EXPECT_TRUE(boxes.Calls().empty());
}

TEST_F(WindowSearch, AnEmptyDisplayEndsAtOnce)
{
    FakeWindows windows({});
    afxtest::MessageBoxHook boxes;
    EXPECT_FALSE(SearchConverterMainWindow(42));
    EXPECT_EQ(windows.Walks(), 1);
    EXPECT_TRUE(windows.ProcessesRead().empty());
    EXPECT_TRUE(boxes.Calls().empty());
}

}  // namespace
