#include "control_release.h"
#include "input_watch.h"
#include "release_signal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 60'000ms;  // a bound against hangs only

TEST(ReleaseSignal, EndOfInputRaisesIt)
{
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    std::FILE* input = fdopen(fds[0], "r");
    ASSERT_NE(input, nullptr);
    hold::ReleaseSignal signal;
    hold::WatchInput(input, signal);

    const char lines[] = "typed\nlines\n";  // read and dropped; they release nothing
    ASSERT_EQ(write(fds[1], lines, sizeof lines - 1), static_cast<ssize_t>(sizeof lines - 1));
    EXPECT_FALSE(signal.WaitFor(0ms));
    close(fds[1]);
    EXPECT_TRUE(signal.WaitFor(kPatience));
    std::fclose(input);  // the watcher raised after its last read
}

TEST(ReleaseSignal, CtrlCRaisesItAndTheProcessRunsOn)
{
    hold::ReleaseSignal signal;
    hold::ScopedReleaseOnControl control(signal);
    ASSERT_TRUE(control.installed());
    std::raise(SIGINT);  // the default handler would end this process with exit code 1
    EXPECT_TRUE(signal.WaitFor(kPatience));
}

}  // namespace
