#include "sp_mm_audio_out.h"

#include "wave_format.h"

#include <varnel/debug_channel.h>
#include <varnel/syscalls.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <string>
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

// A connection has no timeout of its own, so it is made on a thread of its own; a
// connection that comes too late is closed by that thread.
struct SpMMAudioOut::Attempt {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    Stream stream;
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
        Stream stream(calls.connect(&sampleSpec, &attr, &error), [disconnect = calls.disconnect](pulse::PlaybackStream* s) {
            if (s) disconnect(s);
        });
        std::lock_guard lock(attempt->mutex);
        if (attempt->abandoned) return;  // `stream` closes it
        if (stream.get()) attempt->stream = std::move(stream);
        attempt->finished = true;
        attempt->done.notify_all();
    }).detach();
    return attempt;
}

// The attempt's connection, or none when it failed or its time ran out.
SpMMAudioOut::Stream SpMMAudioOut::Await(Attempt& attempt)
{
    std::unique_lock lock(attempt.mutex);
    if (!attempt.done.wait_until(lock, attempt.deadline, [&] { return attempt.finished; })) {
        attempt.abandoned = true;
        return nullptr;
    }
    return std::move(attempt.stream);
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
    VARNEL_TRACE(Speech, "audio device open: %s", stream_ ? "connected" : "no sound server");
    if (!stream_) return SPERR_NO_DRIVER;
    int error = 0;
    if (paused_) pulse::Calls().cork(stream_.get(), 1, &error);  // a pause made before the connection
    return S_OK;
}

void SpMMAudioOut::CloseLocked()
{
    if (stream_) VARNEL_TRACE(Speech, "audio device closed");
    stream_.reset();
    if (attempt_) {
        std::lock_guard lock(attempt_->mutex);
        attempt_->stream.reset();
        attempt_->abandoned = true;  // a connection still on its way is closed by its thread
        attempt_.reset();
    }
}

SpMMAudioOut::Stream SpMMAudioOut::Current()
{
    std::lock_guard lock(mutex_);
    return stream_;
}

void SpMMAudioOut::Forget(const Stream& stream)
{
    std::lock_guard lock(mutex_);
    if (stream_ == stream) CloseLocked();
}

HRESULT SpMMAudioOut::Open()
try {
    std::lock_guard lock(mutex_);
    return OpenLocked();
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpMMAudioOut::Write(const void* data, ULONG bytes, ULONG* written)
try {
    if (written) *written = 0;
    if (!data && bytes) return E_POINTER;
    Stream stream;
    {
        std::lock_guard lock(mutex_);
        HRESULT hr = OpenLocked();
        if (FAILED(hr)) return hr;
        stream = stream_;
        written_ += bytes;  // counted as given: a write waits while the buffer is full
    }
    // Without the lock: a paused stream's write waits, and a purge must get through.
    int error = 0;
    if (bytes && pulse::Calls().write(stream.get(), data, bytes, &error) < 0) {
        Forget(stream);  // the server went away; the next request connects again
        return SPERR_AUDIO_STOPPED;
    }
    if (written) *written = bytes;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpMMAudioOut::GetFormat(GUID* formatId, WAVEFORMATEX** format)
try {
    if (!formatId || !format) return E_POINTER;
    *format = CoTaskMemFormat(NativeFormat());
    if (!*format) {
        *formatId = GUID_NULL;
        return E_OUTOFMEMORY;
    }
    *formatId = SPDFID_WaveFormatEx;
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpMMAudioOut::Discard()
try {
    Stream stream = Current();
    int error = 0;
    if (stream && pulse::Calls().flush(stream.get(), &error) < 0) Forget(stream);
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpMMAudioOut::Pause() { return SetPaused(true); }

HRESULT SpMMAudioOut::Resume() { return SetPaused(false); }

HRESULT SpMMAudioOut::SetPaused(bool paused)
{
    Stream stream;
    {
        std::lock_guard lock(mutex_);
        paused_ = paused;
        stream = stream_;
    }
    int error = 0;
    if (stream && pulse::Calls().cork(stream.get(), paused ? 1 : 0, &error) < 0) Forget(stream);
    return S_OK;
}

HRESULT SpMMAudioOut::GetPosition(ULONGLONG* written, ULONGLONG* heard)
try {
    if (!written || !heard) return E_POINTER;
    Stream stream;
    {
        std::lock_guard lock(mutex_);
        *written = *heard = written_;
        stream = stream_;
    }
    if (!stream) return S_OK;
    int error = 0;
    const pa_usec_t latency = pulse::Calls().latency(stream.get(), &error);
    if (latency == static_cast<pa_usec_t>(-1)) return S_OK;
    const WAVEFORMATEX format = NativeFormat();
    const std::uint64_t waiting = latency * format.nAvgBytesPerSec / 1000000 / format.nBlockAlign * format.nBlockAlign;
    *heard -= std::min<std::uint64_t>(waiting, *heard);
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT SpMMAudioOut::WaitUntilPlayed(CancelToken* cancel)
try {
    // Waits in short steps on the cancel signal, so a purge is never held up by a
    // drain; the final drain only covers the last few milliseconds.
    pa_usec_t previous = static_cast<pa_usec_t>(-1);
    for (;;) {
        if (cancel && cancel->IsCancelled()) return Discard();
        Stream stream;
        bool paused;
        {
            std::lock_guard lock(mutex_);
            stream = stream_;
            paused = paused_;
        }
        if (!stream) return S_OK;
        pa_usec_t latency = 0;
        if (!paused) {
            int error = 0;
            latency = pulse::Calls().latency(stream.get(), &error);
            if (latency == static_cast<pa_usec_t>(-1)) {
                Forget(stream);
                return SPERR_AUDIO_STOPPED;
            }
            // Done, or not moving (a stream below its start threshold plays only on a drain).
            if (latency <= static_cast<pa_usec_t>(kPlayedThreshold.count()) || latency == previous) break;
            previous = latency;
        }
        // Paused: nothing plays until the resume, which this step's end notices.
        auto step = paused ? kPollLimit : std::min(std::chrono::microseconds(latency / 2), kPollLimit);
        if (cancel) {
            if (cancel->WaitFor(step)) return Discard();
        } else {
            std::this_thread::sleep_for(step);
        }
    }
    Stream stream = Current();
    int error = 0;
    if (stream && pulse::Calls().drain(stream.get(), &error) < 0) {
        Forget(stream);
        return SPERR_AUDIO_STOPPED;
    }
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}

}  // namespace speech
