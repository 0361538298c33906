#include "pulse_playback.h"

#include "module_calls.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

namespace speech::pulse {
namespace {

using modules::FindSymbol;

struct Library {
    decltype(&pa_threaded_mainloop_new) mainloopNew = nullptr;
    decltype(&pa_threaded_mainloop_free) mainloopFree = nullptr;
    decltype(&pa_threaded_mainloop_start) mainloopStart = nullptr;
    decltype(&pa_threaded_mainloop_stop) mainloopStop = nullptr;
    decltype(&pa_threaded_mainloop_lock) lock = nullptr;
    decltype(&pa_threaded_mainloop_unlock) unlock = nullptr;
    decltype(&pa_threaded_mainloop_wait) wait = nullptr;
    decltype(&pa_threaded_mainloop_signal) signal = nullptr;
    decltype(&pa_threaded_mainloop_get_api) api = nullptr;
    decltype(&pa_context_new) contextNew = nullptr;
    decltype(&pa_context_set_state_callback) contextOnState = nullptr;
    decltype(&pa_context_connect) contextConnect = nullptr;
    decltype(&pa_context_get_state) contextState = nullptr;
    decltype(&pa_context_errno) contextErrno = nullptr;
    decltype(&pa_context_disconnect) contextDisconnect = nullptr;
    decltype(&pa_context_unref) contextUnref = nullptr;
    decltype(&pa_stream_new) streamNew = nullptr;
    decltype(&pa_stream_set_state_callback) streamOnState = nullptr;
    decltype(&pa_stream_set_write_callback) streamOnWrite = nullptr;
    decltype(&pa_stream_set_latency_update_callback) streamOnLatency = nullptr;
    decltype(&pa_stream_connect_playback) streamConnect = nullptr;
    decltype(&pa_stream_get_state) streamState = nullptr;
    decltype(&pa_stream_writable_size) writable = nullptr;
    decltype(&pa_stream_write) streamWrite = nullptr;
    decltype(&pa_stream_flush) streamFlush = nullptr;
    decltype(&pa_stream_drain) streamDrain = nullptr;
    decltype(&pa_stream_cork) streamCork = nullptr;
    decltype(&pa_stream_get_latency) streamLatency = nullptr;
    decltype(&pa_stream_disconnect) streamDisconnect = nullptr;
    decltype(&pa_stream_unref) streamUnref = nullptr;
    decltype(&pa_operation_get_state) operationState = nullptr;
    decltype(&pa_operation_unref) operationUnref = nullptr;
};

bool FindMainloop(void* h, Library& l)
{
    return FindSymbol(h, "pa_threaded_mainloop_new", l.mainloopNew)
        && FindSymbol(h, "pa_threaded_mainloop_free", l.mainloopFree)
        && FindSymbol(h, "pa_threaded_mainloop_start", l.mainloopStart)
        && FindSymbol(h, "pa_threaded_mainloop_stop", l.mainloopStop)
        && FindSymbol(h, "pa_threaded_mainloop_lock", l.lock) && FindSymbol(h, "pa_threaded_mainloop_unlock", l.unlock)
        && FindSymbol(h, "pa_threaded_mainloop_wait", l.wait) && FindSymbol(h, "pa_threaded_mainloop_signal", l.signal)
        && FindSymbol(h, "pa_threaded_mainloop_get_api", l.api);
}

bool FindContext(void* h, Library& l)
{
    return FindSymbol(h, "pa_context_new", l.contextNew)
        && FindSymbol(h, "pa_context_set_state_callback", l.contextOnState)
        && FindSymbol(h, "pa_context_connect", l.contextConnect)
        && FindSymbol(h, "pa_context_get_state", l.contextState) && FindSymbol(h, "pa_context_errno", l.contextErrno)
        && FindSymbol(h, "pa_context_disconnect", l.contextDisconnect)
        && FindSymbol(h, "pa_context_unref", l.contextUnref);
}

bool FindStream(void* h, Library& l)
{
    return FindSymbol(h, "pa_stream_new", l.streamNew) && FindSymbol(h, "pa_stream_set_state_callback", l.streamOnState)
        && FindSymbol(h, "pa_stream_set_write_callback", l.streamOnWrite)
        && FindSymbol(h, "pa_stream_set_latency_update_callback", l.streamOnLatency)
        && FindSymbol(h, "pa_stream_connect_playback", l.streamConnect)
        && FindSymbol(h, "pa_stream_get_state", l.streamState) && FindSymbol(h, "pa_stream_writable_size", l.writable)
        && FindSymbol(h, "pa_stream_write", l.streamWrite) && FindSymbol(h, "pa_stream_flush", l.streamFlush)
        && FindSymbol(h, "pa_stream_drain", l.streamDrain) && FindSymbol(h, "pa_stream_cork", l.streamCork)
        && FindSymbol(h, "pa_stream_get_latency", l.streamLatency)
        && FindSymbol(h, "pa_stream_disconnect", l.streamDisconnect) && FindSymbol(h, "pa_stream_unref", l.streamUnref)
        && FindSymbol(h, "pa_operation_get_state", l.operationState)
        && FindSymbol(h, "pa_operation_unref", l.operationUnref);
}

std::mutex loadMutex;
Library loaded;  // filled once, then never changed
bool isLoaded = false;

// The library, or nullptr when it cannot be loaded. Asked through the loading seam
// on every connection, so a library that goes missing is noticed as on first use.
const Library* Load()
{
    std::lock_guard lock(loadMutex);
    void* handle = modules::Calls().open("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    if (isLoaded) {
        dlclose(handle);  // the first handle's count keeps it loaded
        return &loaded;
    }
    Library candidate;
    if (!FindMainloop(handle, candidate) || !FindContext(handle, candidate) || !FindStream(handle, candidate)) {
        dlclose(handle);
        return nullptr;
    }
    loaded = candidate;  // stays loaded: streams made by it may outlive any caller
    isLoaded = true;
    return &loaded;
}

}  // namespace

// Everything below runs with the mainloop locked, as libpulse asks of a thread
// that is not the mainloop's; waits release the lock until a callback signals.
struct PlaybackStream {
    const Library& pa;
    pa_threaded_mainloop* mainloop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;

    explicit PlaybackStream(const Library& library) : pa(library) {}
    ~PlaybackStream()
    {
        if (mainloop) pa.mainloopStop(mainloop);
        if (stream) {
            pa.streamDisconnect(stream);
            pa.streamUnref(stream);
        }
        if (context) {
            pa.contextDisconnect(context);
            pa.contextUnref(context);
        }
        if (mainloop) pa.mainloopFree(mainloop);
    }

    class Locked {
    public:
        explicit Locked(const PlaybackStream& s) : s_(s) { s_.pa.lock(s_.mainloop); }
        ~Locked() { s_.pa.unlock(s_.mainloop); }
        Locked(const Locked&) = delete;
        Locked& operator=(const Locked&) = delete;

    private:
        const PlaybackStream& s_;
    };

    static void Signal(void* self) { auto* s = static_cast<PlaybackStream*>(self); s->pa.signal(s->mainloop, 0); }
    static void OnContext(pa_context*, void* self) { Signal(self); }
    static void OnStream(pa_stream*, void* self) { Signal(self); }
    static void OnWrite(pa_stream*, std::size_t, void* self) { Signal(self); }
    static void OnDone(pa_stream*, int, void* self) { Signal(self); }

    // Both the context and the stream are still there (else *error says why).
    bool Good(int* error) const
    {
        if (pa.contextState(context) != PA_CONTEXT_READY || pa.streamState(stream) != PA_STREAM_READY) {
            if (error) *error = pa.contextErrno(context) ? pa.contextErrno(context) : PA_ERR_BADSTATE;
            return false;
        }
        return true;
    }

    // Waits for an operation to finish; false when the stream failed meanwhile.
    bool Await(pa_operation* operation, int* error)
    {
        if (!operation) {
            if (error) *error = pa.contextErrno(context);
            return false;
        }
        bool good = true;
        while (pa.operationState(operation) == PA_OPERATION_RUNNING) {
            if (!(good = Good(error))) break;
            pa.wait(mainloop);
        }
        pa.operationUnref(operation);
        return good;
    }

    bool Connect(const pa_sample_spec* sampleFormat, const pa_buffer_attr* attr, int* error)
    {
        mainloop = pa.mainloopNew();
        if (!mainloop) return false;
        context = pa.contextNew(pa.api(mainloop), "Varnel speech");
        if (!context) return false;
        pa.contextOnState(context, OnContext, this);
        if (pa.contextConnect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
            *error = pa.contextErrno(context);
            return false;
        }
        Locked lock(*this);
        if (pa.mainloopStart(mainloop) < 0) return false;
        for (pa_context_state_t state; (state = pa.contextState(context)) != PA_CONTEXT_READY; pa.wait(mainloop)) {
            if (!PA_CONTEXT_IS_GOOD(state)) {
                *error = pa.contextErrno(context);
                return false;
            }
        }
        stream = pa.streamNew(context, "speech", sampleFormat, nullptr);
        if (!stream) {
            *error = pa.contextErrno(context);
            return false;
        }
        pa.streamOnState(stream, OnStream, this);
        pa.streamOnWrite(stream, OnWrite, this);
        pa.streamOnLatency(stream, OnStream, this);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_ADJUST_LATENCY
                                                          | PA_STREAM_AUTO_TIMING_UPDATE);
        if (pa.streamConnect(stream, nullptr, attr, flags, nullptr, nullptr) < 0) {
            *error = pa.contextErrno(context);
            return false;
        }
        for (pa_stream_state_t state; (state = pa.streamState(stream)) != PA_STREAM_READY; pa.wait(mainloop)) {
            if (!PA_STREAM_IS_GOOD(state)) {
                *error = pa.contextErrno(context);
                return false;
            }
        }
        return true;
    }
};

namespace {

PlaybackStream* Connect(const pa_sample_spec* sampleFormat, const pa_buffer_attr* attr, int* error)
{
    int ignored = 0;
    if (!error) error = &ignored;
    const Library* library = Load();
    if (!library) {
        *error = PA_ERR_NOTSUPPORTED;
        return nullptr;
    }
    auto* stream = new PlaybackStream(*library);
    *error = PA_ERR_CONNECTIONREFUSED;
    if (stream->Connect(sampleFormat, attr, error)) return stream;
    delete stream;
    return nullptr;
}

int Write(PlaybackStream* s, const void* data, std::size_t bytes, int* error)
{
    PlaybackStream::Locked lock(*s);
    const auto* at = static_cast<const std::uint8_t*>(data);
    while (bytes > 0) {
        std::size_t room = 0;
        while (s->Good(error) && (room = s->pa.writable(s->stream)) == 0) s->pa.wait(s->mainloop);
        if (room == 0 || room == static_cast<std::size_t>(-1)) return -1;
        const std::size_t now = std::min(room, bytes);
        if (s->pa.streamWrite(s->stream, at, now, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            if (error) *error = s->pa.contextErrno(s->context);
            return -1;
        }
        at += now;
        bytes -= now;
    }
    return 0;
}

int Flush(PlaybackStream* s, int* error)
{
    PlaybackStream::Locked lock(*s);
    if (!s->Good(error)) return -1;
    return s->Await(s->pa.streamFlush(s->stream, PlaybackStream::OnDone, s), error) ? 0 : -1;
}

int Drain(PlaybackStream* s, int* error)
{
    PlaybackStream::Locked lock(*s);
    if (!s->Good(error)) return -1;
    return s->Await(s->pa.streamDrain(s->stream, PlaybackStream::OnDone, s), error) ? 0 : -1;
}

int Cork(PlaybackStream* s, int corked, int* error)
{
    PlaybackStream::Locked lock(*s);
    if (!s->Good(error)) return -1;
    return s->Await(s->pa.streamCork(s->stream, corked, PlaybackStream::OnDone, s), error) ? 0 : -1;
}

pa_usec_t Latency(PlaybackStream* s, int* error)
{
    PlaybackStream::Locked lock(*s);
    for (;;) {
        if (!s->Good(error)) return static_cast<pa_usec_t>(-1);
        pa_usec_t latency = 0;
        int negative = 0;
        if (s->pa.streamLatency(s->stream, &latency, &negative) >= 0) return negative ? 0 : latency;
        if (s->pa.contextErrno(s->context) != PA_ERR_NODATA) {
            if (error) *error = s->pa.contextErrno(s->context);
            return static_cast<pa_usec_t>(-1);
        }
        s->pa.wait(s->mainloop);  // no timing data yet: the next update signals
    }
}

void Disconnect(PlaybackStream* s) { delete s; }

}  // namespace

Table PlaybackCalls() { return {Connect, Write, Flush, Drain, Latency, Cork, Disconnect}; }

}  // namespace speech::pulse
