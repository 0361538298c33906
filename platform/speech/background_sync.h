// Syncs a growing file to its disk on a thread of its own, so that the sync
// that ends the file finds little left to do. On a virtual disk the first sync
// of freshly written data costs in proportion to all of it (the host flushes
// its own cache): tens of milliseconds for a long recording, paid at the end
// with every core idle, unless the file was synced while it grew.
#pragma once

#include <atomic>
#include <thread>

namespace speech {

class BackgroundSync {
public:
    BackgroundSync() = default;
    ~BackgroundSync() { Wait(); }
    BackgroundSync(const BackgroundSync&) = delete;
    BackgroundSync& operator=(const BackgroundSync&) = delete;

    // Starts syncing `fd` unless a sync is still running; whether it started.
    // The caller keeps `fd` open until Wait.
    bool Start(int fd);
    // Waits for the sync under way. The errno of the first sync that failed
    // since the last Wait, or 0: a failed sync's error is reported to one sync
    // of the file only, so the one at the end may not see it again.
    int Wait();

private:
    std::thread thread_;
    std::atomic<bool> done_ = false;
    int error_ = 0;  // written by the thread, read after joining it
};

}  // namespace speech
