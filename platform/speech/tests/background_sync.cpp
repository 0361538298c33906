#include "background_sync.h"

#include <varnel/syscalls.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <semaphore>

namespace speech {
namespace {

// A sync that waits, inside the call, until the test lets it go.
std::atomic<int> syncs, syncError;
std::binary_semaphore inSync{0}, letGo{0};

int HeldSync(int)
{
    ++syncs;
    inSync.release();
    letGo.acquire();
    if (syncError == 0) return 0;
    errno = syncError;
    return -1;
}

win32::sys::Table HeldSyncCalls()
{
    syncs = syncError = 0;
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.fsync = &HeldSync;
    return calls;
}

class BackgroundSyncTest : public ::testing::Test {
protected:
    win32::sys::ScopedOverride override_{HeldSyncCalls()};
};

TEST_F(BackgroundSyncTest, OneSyncRunsAtATimeAndAnotherMayStartOnceItEnded)
{
    BackgroundSync sync;
    ASSERT_TRUE(sync.Start(7));
    inSync.acquire();
    EXPECT_FALSE(sync.Start(7)) << "a sync is still running";
    letGo.release();
    EXPECT_EQ(sync.Wait(), 0);
    ASSERT_TRUE(sync.Start(7));
    letGo.release();
    EXPECT_EQ(sync.Wait(), 0);
    EXPECT_EQ(syncs, 2);
}

TEST_F(BackgroundSyncTest, AFailedSyncIsReportedToTheNextWaitOnly)
{
    BackgroundSync sync;
    syncError = EIO;
    ASSERT_TRUE(sync.Start(7));
    letGo.release();
    EXPECT_EQ(sync.Wait(), EIO);
    EXPECT_EQ(sync.Wait(), 0);
}

}  // namespace
}  // namespace speech
