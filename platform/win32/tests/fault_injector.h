// Test helper: swaps the file-call table for one that fails on demand.
#pragma once

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <limits>

#include <varnel/syscalls.h>

namespace win32_test {

// Only one injector lives at a time (the table holds plain function pointers,
// so the settings are static).
class FaultInjector {
public:
    FaultInjector() : override_((Reset(), MakeTable())) {}
    ~FaultInjector() { Reset(); }
    FaultInjector(const FaultInjector&) = delete;
    FaultInjector& operator=(const FaultInjector&) = delete;

    // Writes fail with `error` once `okWrites` writes have succeeded.
    void FailWrites(int error, int okWrites = 0) { writeError = error, writesLeft = okWrites; }
    void FailFsync(int error) { fsyncError = error; }
    void FailRename(int error) { renameError = error; }
    void FailOpen(int error) { openError = error; }
    void FailRead(int error) { readError = error; }
    void FailClose(int error) { closeError = error; }
    // The next `calls` reads, writes, opens and fsyncs first fail with EINTR.
    void Interrupt(int calls) { interrupts = calls; }
    // Each write (read) moves at most `bytes`.
    void LimitWrites(std::size_t bytes) { writeLimit = bytes; }
    void LimitReads(std::size_t bytes) { readLimit = bytes; }

    static int InterruptsDelivered() { return interruptsDelivered; }
    static int Writes() { return writes; }

private:
    static inline std::atomic<int> writeError, writesLeft, fsyncError, renameError, openError,
        readError, closeError, interrupts, interruptsDelivered, writes;
    static inline std::atomic<std::size_t> writeLimit, readLimit;

    static void Reset()
    {
        writeError = writesLeft = fsyncError = renameError = openError = readError = closeError = 0;
        interrupts = interruptsDelivered = writes = 0;
        writeLimit = readLimit = std::numeric_limits<std::size_t>::max();
    }

    static bool Interrupted()
    {
        if (interrupts <= 0) return false;
        --interrupts;
        ++interruptsDelivered;
        errno = EINTR;
        return true;
    }

    static bool Fails(const std::atomic<int>& error)
    {
        if (error == 0) return false;
        errno = error;
        return true;
    }

    static win32::sys::Table MakeTable()
    {
        win32::sys::Table table = win32::sys::RealCalls();
        table.open = [](const char* path, int flags, mode_t mode) {
            if (Interrupted() || Fails(openError)) return -1;
            return win32::sys::RealCalls().open(path, flags, mode);
        };
        table.read = [](int fd, void* buffer, std::size_t size) -> ssize_t {
            if (Interrupted() || Fails(readError)) return -1;
            return win32::sys::RealCalls().read(fd, buffer, std::min(size, readLimit.load()));
        };
        table.write = [](int fd, const void* buffer, std::size_t size) -> ssize_t {
            if (Interrupted()) return -1;
            if (writeError != 0 && writesLeft-- <= 0) {
                errno = writeError;
                return -1;
            }
            ++writes;
            return win32::sys::RealCalls().write(fd, buffer, std::min(size, writeLimit.load()));
        };
        table.fsync = [](int fd) {
            if (Interrupted() || Fails(fsyncError)) return -1;
            return win32::sys::RealCalls().fsync(fd);
        };
        table.rename = [](const char* from, const char* to) {
            if (Fails(renameError)) return -1;
            return win32::sys::RealCalls().rename(from, to);
        };
        table.close = [](int fd) {
            int result = win32::sys::RealCalls().close(fd);
            if (Fails(closeError)) return -1;
            return result;
        };
        return table;
    }

    win32::sys::ScopedOverride override_;
};

}  // namespace win32_test
