// Records the test sink's monitor (what was really played) in 10 ms chunks, each
// stamped with the time it arrived.
#pragma once

#include <pulse/error.h>
#include <pulse/simple.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace speech_test {

class MonitorRecorder {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kChunkSamples = 220;  // 10 ms at 22050 Hz

    struct Chunk {
        Clock::time_point arrived;
        int peak;
    };

    // The test fails (it does not skip) when no server or no test sink answers.
    MonitorRecorder()
    {
        const char* device = std::getenv("VARNEL_TEST_MONITOR");
        pa_sample_spec sampleSpec{PA_SAMPLE_S16LE, 22050, 1};
        pa_buffer_attr attr{static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
                            static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1), kChunkSamples * 2};
        int error = 0;
        stream_ = pa_simple_new(nullptr, "speech tests", PA_STREAM_RECORD, device ? device : "varnel_null.monitor",
                                "monitor", &sampleSpec, nullptr, &attr, &error);
        if (!stream_) {
            ADD_FAILURE() << "cannot record the test sink's monitor (run under scripts/with-pulse.sh): "
                          << pa_strerror(error);
            return;
        }
        thread_ = std::thread([this] { Run(); });
        // Recording has begun only once the server delivers; sound before that is lost.
        if (!WaitUntil([](const std::vector<Chunk>& c) { return c.size() >= 5; }, std::chrono::milliseconds(5000)))
            ADD_FAILURE() << "the test sink's monitor delivers nothing";
    }
    ~MonitorRecorder()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (stream_) pa_simple_free(stream_);
    }

    bool ok() const { return stream_ != nullptr; }

    // Waits until `done(chunks)` holds or the deadline passes.
    template <class Predicate>
    bool WaitUntil(Predicate done, std::chrono::milliseconds deadline = std::chrono::milliseconds(10000))
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, deadline, [&] { return done(chunks_); });
    }
    // Waits until `done(samples)` holds for what has been recorded (or 10 s passed).
    template <class Predicate>
    bool WaitForSamples(Predicate done)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(10000), [&] { return done(samples_); });
    }
    // Waits until chunks that arrived after `time` have been recorded.
    void WaitPast(Clock::time_point time)
    {
        WaitUntil([&](const std::vector<Chunk>& c) { return !c.empty() && c.back().arrived > time; },
                  std::chrono::milliseconds(5000));
    }
    std::vector<Chunk> Chunks()
    {
        std::lock_guard lock(mutex_);
        return chunks_;
    }
    std::vector<std::int16_t> Samples()
    {
        std::lock_guard lock(mutex_);
        return samples_;
    }
    static bool Loud(const Chunk& chunk) { return chunk.peak > kSilenceLevel; }
    static constexpr int kSilenceLevel = 100;

private:
    void Run()
    {
        std::int16_t buffer[kChunkSamples];
        while (!stop_) {
            int error = 0;
            if (pa_simple_read(stream_, buffer, sizeof buffer, &error) < 0) break;
            int peak = 0;
            for (std::int16_t s : buffer) peak = std::max(peak, std::abs(int{s}));
            {
                std::lock_guard lock(mutex_);
                chunks_.push_back({Clock::now(), peak});
                samples_.insert(samples_.end(), buffer, buffer + kChunkSamples);
            }
            changed_.notify_all();
        }
    }

    pa_simple* stream_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Chunk> chunks_;
    std::vector<std::int16_t> samples_;
};

}  // namespace speech_test
