// The search for the converter's main window, on a display of the test's own.
#include "ConverterWindowSearch.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include <env_var.h>
#include <tests/fake_x_server.h>

#include "gui_fixture.h"

namespace {

using win32_test::FakeServer;
namespace x11 = win32::x11;

struct FakeWindow {
    DWORD processId;
    bool hasParent;
    const char* title;
};

// Window i of the list is X window kFirst + i; a parent is the first window.
constexpr x11::Window kFirst = 0x600001;

class WindowSearch : public gui_test::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        FakeServer::current = &server_;
        x11_.emplace(FakeServer::Calls());
    }
    void TearDown() override
    {
        x11_.reset();
        FakeServer::current = nullptr;
        EXPECT_EQ(server_.opens, server_.closes);
        EXPECT_EQ(server_.outstanding, 0);
        GuiTest::TearDown();
    }
    void Show(const std::vector<FakeWindow>& windows)
    {
        std::vector<unsigned long> list;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const x11::Window window = kFirst + i;
            list.push_back(window);
            server_.Longs(window, FakeServer::kPid, x11::kAtomCardinal, {windows[i].processId});
            if (windows[i].hasParent) server_.Longs(window, x11::kAtomWmTransientFor, x11::kAtomWindow, {kFirst});
            server_.Text(window, FakeServer::kNetWmName, FakeServer::kUtf8String, windows[i].title);
        }
        server_.Longs(FakeServer::kRoot, FakeServer::kClientList, x11::kAtomWindow, list);
    }
    // Positions in the list of the windows whose `property` was read.
    std::vector<int> Read(x11::Atom property) const
    {
        std::vector<int> positions;
        for (x11::Window window : server_.ReadersOf(property)) positions.push_back(static_cast<int>(window - kFirst));
        return positions;
    }
    std::vector<int> Visited() const { return Read(FakeServer::kPid); }
    std::vector<int> TitlesRead() const { return Read(FakeServer::kNetWmName); }

    FakeServer server_;
    testing_support::EnvVar display_{"DISPLAY", ":42"};
    std::optional<x11::ScopedOverride> x11_;
};

TEST_F(WindowSearch, TheFirstTopLevelWindowOfTheConverterIsReportedAndTheWalkEnds)
{
    Show({{10, false, "other"}, {42, true, "child"}, {42, false, "main"}, {42, false, "second"}});
    afxtest::MessageBoxHook boxes;
    EXPECT_TRUE(SearchConverterMainWindow(42));
    EXPECT_EQ(Visited(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(TitlesRead(), (std::vector<int>{2}));
    ASSERT_EQ(boxes.Calls().size(), 1u);
    EXPECT_EQ(boxes.Calls()[0].text, CString(u"进程主窗体标题"));
    EXPECT_EQ(boxes.Calls()[0].caption, CString(AfxGetAppName()));
}

TEST_F(WindowSearch, NoWindowOfTheConverterMeansNoMessage)
{
    Show({{10, false, "other"}, {42, true, "child"}});
    afxtest::MessageBoxHook boxes;
    EXPECT_FALSE(SearchConverterMainWindow(42));
    EXPECT_EQ(Visited(), (std::vector<int>{0, 1}));
    EXPECT_TRUE(TitlesRead().empty());
    EXPECT_TRUE(boxes.Calls().empty());
}

TEST_F(WindowSearch, AnEmptyDisplayEndsAtOnce)
{
    Show({});
    afxtest::MessageBoxHook boxes;
    EXPECT_FALSE(SearchConverterMainWindow(42));
    EXPECT_EQ(server_.ReadersOf(FakeServer::kClientList), (std::vector<x11::Window>{FakeServer::kRoot}));
    EXPECT_TRUE(Visited().empty());
    EXPECT_TRUE(boxes.Calls().empty());
}

}  // namespace
