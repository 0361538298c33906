// A test on a private X display of its own (Xvfb), in fresh folders, with Qt
// programs it starts drawing there and a client that plays the user (XTEST).
#pragma once

#include "x11_desktop.h"

#include <env_var.h>
#include <scratch_dir.h>
#include <virtual_display.h>

#include <gtest/gtest.h>

#include <optional>

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (display_.name().empty()) GTEST_SKIP() << "Xvfb could not be started (scripts/install-deps.sh installs it)";
        display_env_.emplace("DISPLAY", display_.name());
        platform_env_.emplace("QT_QPA_PLATFORM", "xcb");
        desktop_.emplace(display_.name());
        ASSERT_TRUE(desktop_->connected());
    }

    testing_support::VirtualDisplay display_;
    testing_support::IsolatedEnvironment isolated_{true};
    std::optional<testing_support::EnvVar> display_env_, platform_env_;
    std::optional<desktop_test::X11Desktop> desktop_;
};
