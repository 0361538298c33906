// Shared pieces of the GUI tests: the offscreen application, the leaked-window
// check and a dialog template shaped like a real program's.
#pragma once

#include <afxwin.h>
#include <varnel/test_hooks.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <cstdlib>

namespace mfc_test {

// Template ids used by the tests.
enum : UINT { kMainDialog = 9102, kSmallDialog = 9100, kNoSysMenuDialog = 9103 };
enum : int {
    kRead = 1002, kHiddenOk = 1, kExit = 2, kText = 1001, kStop = 1003, kRate = 1008, kVolume = 1009,
    kVoices = 1010, kHiddenTest = 1000, kCheck = 1015, kPath = 1016, kLoop = 1019, kWantReturn = 1030
};

void RegisterTestResources();

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        afxtest::EnsureGuiApplication();
        RegisterTestResources();
    }
    void TearDown() override
    {
        QApplication::processEvents();
        EXPECT_EQ(QApplication::topLevelWidgets().size(), 0) << "a top-level window leaked";
        EXPECT_EQ(afxtest::TopLevelWindowCount(), 0);
    }

    CWinApp app_{"TestApp"};
};

}  // namespace mfc_test
