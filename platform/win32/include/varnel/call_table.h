// The slot that holds a table of OS calls in force (platform-internal, not a
// Windows header). Each indirection (files, processes, audio) keeps one slot;
// tests put a replacement table in force with ScopedCallOverride to inject
// failures, and production code reads the current table on every call.
#pragma once

#include <atomic>

namespace win32 {

template <class Table>
class CallSlot {
public:
    explicit CallSlot(const Table& real) : real_(&real), current_(&real) {}

    const Table& Real() const { return *real_; }
    // Atomic so engine and reaper threads may read it while a test swaps it.
    const Table& Current() const { return *current_.load(std::memory_order_acquire); }
    const Table* Exchange(const Table* table) { return current_.exchange(table, std::memory_order_acq_rel); }

private:
    const Table* real_;
    std::atomic<const Table*> current_;
};

// Puts `replacement` in force for the life of the object, then the previous
// table again, so overrides nest. Meant for tests, made and ended on one thread.
template <class Table, CallSlot<Table>& (*Slot)()>
class ScopedCallOverride {
public:
    explicit ScopedCallOverride(const Table& replacement) : table_(replacement), previous_(Slot().Exchange(&table_)) {}
    ~ScopedCallOverride() { Slot().Exchange(previous_); }
    ScopedCallOverride(const ScopedCallOverride&) = delete;
    ScopedCallOverride& operator=(const ScopedCallOverride&) = delete;

private:
    Table table_;
    const Table* previous_;
};

}  // namespace win32
