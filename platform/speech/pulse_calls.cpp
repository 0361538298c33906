#include "pulse_calls.h"

#include "module_calls.h"

#include <dlfcn.h>

#include <mutex>

namespace speech::pulse {
namespace {

using modules::FindSymbol;

// libpulse-simple is loaded on the first connection, not at start-up: it brings
// some twenty libraries along, and a voice that only renders files never plays.
struct Library {
    decltype(&pa_simple_new) open = nullptr;
    decltype(&pa_simple_write) write = nullptr;
    decltype(&pa_simple_flush) flush = nullptr;
    decltype(&pa_simple_drain) drain = nullptr;
    decltype(&pa_simple_get_latency) latency = nullptr;
    decltype(&pa_simple_free) free = nullptr;
};

std::mutex loadMutex;
Library loaded;  // filled once, then never changed
bool isLoaded = false;

// The library, or nullptr when it cannot be loaded. Asked through the loading seam
// on every connection, so a library that goes missing is noticed as on first use.
const Library* Load()
{
    std::lock_guard lock(loadMutex);
    void* handle = modules::Calls().open("libpulse-simple.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    if (isLoaded) {
        dlclose(handle);  // the first handle's count keeps it loaded
        return &loaded;
    }
    Library candidate;
    if (!(FindSymbol(handle, "pa_simple_new", candidate.open) && FindSymbol(handle, "pa_simple_write", candidate.write)
          && FindSymbol(handle, "pa_simple_flush", candidate.flush) && FindSymbol(handle, "pa_simple_drain", candidate.drain)
          && FindSymbol(handle, "pa_simple_get_latency", candidate.latency) && FindSymbol(handle, "pa_simple_free", candidate.free))) {
        dlclose(handle);
        return nullptr;
    }
    loaded = candidate;  // stays loaded: streams made by it may outlive any caller
    isLoaded = true;
    return &loaded;
}

// What a stream's calls go through: a stream only exists once Load succeeded.
const Library& Loaded()
{
    std::lock_guard lock(loadMutex);
    return loaded;
}

pa_simple* RealConnect(const pa_sample_spec* sampleSpec, const pa_buffer_attr* attr, int* error)
{
    const Library* library = Load();
    if (!library) {
        if (error) *error = PA_ERR_NOTSUPPORTED;
        return nullptr;
    }
    return library->open(nullptr, "Varnel speech", PA_STREAM_PLAYBACK, nullptr, "speech", sampleSpec, nullptr, attr,
                         error);
}

int RealWrite(pa_simple* stream, const void* data, size_t bytes, int* error)
{
    return Loaded().write(stream, data, bytes, error);
}
int RealFlush(pa_simple* stream, int* error) { return Loaded().flush(stream, error); }
int RealDrain(pa_simple* stream, int* error) { return Loaded().drain(stream, error); }
pa_usec_t RealLatency(pa_simple* stream, int* error) { return Loaded().latency(stream, error); }
void RealDisconnect(pa_simple* stream) { Loaded().free(stream); }

const Table kReal = {RealConnect, RealWrite, RealFlush, RealDrain, RealLatency, RealDisconnect};

}  // namespace

win32::CallSlot<Table>& Slot()
{
    static win32::CallSlot<Table> slot(kReal);
    return slot;
}

}  // namespace speech::pulse
