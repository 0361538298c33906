// Watches the default audio output's PulseAudio calls (real calls underneath):
// how many connections and writes reached the server, and a gate that holds the
// writes back. Tests check with it what happened, not how long it took. Make it
// before the voices it watches, so that it outlives their speaking.
#pragma once

#include "pulse_calls.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace speech_test {

struct PulseCounts {
    int connects = 0;
    int writes = 0;  // writes that reached the server
    std::uint64_t bytes = 0;
};

class PulseCallLog {
public:
    PulseCallLog() : override_(Watching())
    {
        std::lock_guard lock(state().mutex);
        state().counts = {};
        state().writesBegun = 0;
        state().held = false;
    }
    ~PulseCallLog() { HoldWrites(false); }
    PulseCallLog(const PulseCallLog&) = delete;
    PulseCallLog& operator=(const PulseCallLog&) = delete;

    PulseCounts Counts()
    {
        std::lock_guard lock(state().mutex);
        return state().counts;
    }
    // While held, a write waits before it reaches the server.
    void HoldWrites(bool held)
    {
        {
            std::lock_guard lock(state().mutex);
            state().held = held;
        }
        state().changed.notify_all();
    }
    // Waits until `count` writes have begun (held or not).
    bool WaitForWritesBegun(int count)
    {
        std::unique_lock lock(state().mutex);
        return state().changed.wait_for(lock, std::chrono::seconds(10), [&] { return state().writesBegun >= count; });
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        PulseCounts counts;
        int writesBegun = 0;
        bool held = false;
    };
    // Function pointers carry no object: the one log in force keeps its state here.
    static State& state()
    {
        static State instance;
        return instance;
    }

    static speech::pulse::Table Watching()
    {
        speech::pulse::Table table = speech::pulse::RealCalls();
        table.connect = [](const pa_sample_spec* format, const pa_buffer_attr* attr, int* error) {
            Count([](PulseCounts& c) { ++c.connects; });
            return speech::pulse::RealCalls().connect(format, attr, error);
        };
        table.write = [](speech::pulse::PlaybackStream* stream, const void* data, std::size_t bytes, int* error) {
            {
                std::unique_lock lock(state().mutex);
                ++state().writesBegun;
                state().changed.notify_all();
                state().changed.wait(lock, [] { return !state().held; });
            }
            int result = speech::pulse::RealCalls().write(stream, data, bytes, error);
            Count([&](PulseCounts& c) {
                ++c.writes;
                c.bytes += bytes;
            });
            return result;
        };
        return table;
    }
    template <class Change>
    static void Count(Change change)
    {
        std::lock_guard lock(state().mutex);
        change(state().counts);
    }

    speech::pulse::ScopedOverride override_;
};

}  // namespace speech_test
