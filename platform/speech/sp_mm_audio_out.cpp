#include "sp_mm_audio_out.h"

#include "wave_format.h"

#include <varnel/syscalls.h>

#include <condition_variable>
#include <string>
#include <memory>
#include <thread>

namespace speech {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::microseconds kPlayedThreshold = 5ms;
constexpr std::chrono::microseconds kPollLimit = 10ms;

pa_sample_spec NativeSpec()
{
    WAVEFORMATEX native = NativeFormat();
    pa_sample_spec sampleSpec{};
    sampleSpec.format = PA_SAMPLE_S16LE;
    sampleSpec.rate = native.nSamplesPerSec;
    sampleSpec.channels = static_cast<std::uint8_t>(native.nChannels);
    return sampleSpec;
}

// A short server buffer: little to discard on a purge, little to wait for at the end.
pa_buffer_attr SmallBuffer()
{
    const std::uint32_t bytesPerMs = NativeFormat().nAvgBytesPerSec / 1000;
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = 100 * bytesPerMs;
    attr.prebuf = 20 * bytesPerMs;
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    return attr;
}

}  // namespace

// pa_simple_new has no timeout of its own, so it runs on a thread of its own; a
// connection that comes too late is closed by that thread.
struct SpMMAudioOut::Attempt {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    pa_simple* stream = nullptr;
    std::chrono::steady_clock::time_point deadline;
};

std::shared_ptr<SpMMAudioOut::Attempt> SpMMAudioOut::StartAttempt()
{
    auto attempt = std::make_shared<Attempt>();
    attempt->deadline = std::chrono::steady_clock::now() + kConnectTimeout;
    pulse::Table calls = pulse::Calls();  // a copy: the thread may outlive a test's override
    std::thread([attempt, calls] {
        pa_sample_spec sampleSpec = NativeSpec();
        pa_buffer_attr attr = SmallBuffer();
        int error = 0;
        pa_simple* stream = calls.connect(&sampleSpec, &attr, &error);
        std::lock_guard lock(attempt->mutex);
        if (attempt->abandoned) {
            if (stream) calls.disconnect(stream);
            return;
        }
        attempt->stream = stream;
        attempt->finished = true;
        attempt->done.notify_all();
    }).detach();
    return attempt;
}

// The attempt's connection, or nullptr when it failed or its time ran out.
pa_simple* SpMMAudioOut::Await(Attempt& attempt)
{
    std::unique_lock lock(attempt.mutex);
    if (!attempt.done.wait_until(lock, attempt.deadline, [&] { return attempt.finished; })) {
        attempt.abandoned = true;
        return nullptr;
    }
    return attempt.stream;
}

SpMMAudioOut::~SpMMAudioOut()
{
    std::lock_guard lock(mutex_);
    CloseLocked();
}

HRESULT SpMMAudioOut::OpenLocked()
{
    if (stream_) return S_OK;
    if (!attempt_) attempt_ = StartAttempt();
    stream_ = Await(*attempt_);
    attempt_.reset();
    return stream_ ? S_OK : SPERR_NO_DRIVER;
}

void SpMMAudioOut::CloseLocked()
{
    if (stream_) pulse::Calls().disconnect(stream_);
    stream_ = nullptr;
    if (attempt_) {
        std::lock_guard lock(attempt_->mutex);
        if (attempt_->finished && attempt_->stream) pulse::Calls().disconnect(attempt_->stream);
        attempt_->abandoned = true;  // a connection still on its way is closed by its thread
        attempt_.reset();
    }
}

HRESULT SpMMAudioOut::Open()
{
    std::lock_guard lock(mutex_);
    return OpenLocked();
}

HRESULT SpMMAudioOut::Write(const void* data, ULONG bytes, ULONG* written)
{
    if (written) *written = 0;
    if (!data && bytes) return E_POINTER;
    std::lock_guard lock(mutex_);
    HRESULT hr = OpenLocked();
    if (FAILED(hr)) return hr;
    int error = 0;
    if (bytes && pulse::Calls().write(stream_, data, bytes, &error) < 0) {
        CloseLocked();  // the server went away; the next request connects again
        return SPERR_AUDIO_STOPPED;
    }
    if (written) *written = bytes;
    return S_OK;
}

HRESULT SpMMAudioOut::GetFormat(GUID* formatId, WAVEFORMATEX** format)
{
    if (!formatId || !format) return E_POINTER;
    *format = CoTaskMemFormat(NativeFormat());
    if (!*format) {
        *formatId = GUID_NULL;
        return E_OUTOFMEMORY;
    }
    *formatId = SPDFID_WaveFormatEx;
    return S_OK;
}

HRESULT SpMMAudioOut::Discard()
{
    std::lock_guard lock(mutex_);
    int error = 0;
    if (stream_ && pulse::Calls().flush(stream_, &error) < 0) CloseLocked();
    return S_OK;
}

HRESULT SpMMAudioOut::WaitUntilPlayed(CancelToken* cancel)
{
    // Waits in short steps on the cancel signal, so a purge is never held up by a
    // drain; the final drain only covers the last few milliseconds.
    pa_usec_t previous = static_cast<pa_usec_t>(-1);
    for (;;) {
        if (cancel && cancel->IsCancelled()) return Discard();
        pa_usec_t latency;
        {
            std::lock_guard lock(mutex_);
            if (!stream_) return S_OK;
            int error = 0;
            latency = pulse::Calls().latency(stream_, &error);
            if (latency == static_cast<pa_usec_t>(-1)) {
                CloseLocked();
                return SPERR_AUDIO_STOPPED;
            }
        }
        // Done, or not moving (a stream below its start threshold plays only on a drain).
        if (latency <= static_cast<pa_usec_t>(kPlayedThreshold.count()) || latency == previous) break;
        previous = latency;
        auto step = std::min(std::chrono::microseconds(latency / 2), kPollLimit);
        if (cancel) {
            if (cancel->WaitFor(step)) return Discard();
        } else {
            std::this_thread::sleep_for(step);
        }
    }
    std::lock_guard lock(mutex_);
    int error = 0;
    if (stream_ && pulse::Calls().drain(stream_, &error) < 0) {
        CloseLocked();
        return SPERR_AUDIO_STOPPED;
    }
    return S_OK;
}

}  // namespace speech
