// The one indirection for the PulseAudio calls of the default audio output, so
// tests can inject failures (no server, a server that goes away).
#pragma once

#include <pulse/simple.h>

namespace speech::pulse {

struct Table {
    // pa_simple_new for a playback stream of the engine on the default sink.
    pa_simple* (*connect)(const pa_sample_spec* spec, const pa_buffer_attr* attr, int* error);
    int (*write)(pa_simple* stream, const void* data, size_t bytes, int* error);
    int (*flush)(pa_simple* stream, int* error);
    int (*drain)(pa_simple* stream, int* error);
    pa_usec_t (*latency)(pa_simple* stream, int* error);
    void (*disconnect)(pa_simple* stream);
};

const Table& RealCalls();
const Table& Calls();

// Puts `replacement` in force for the life of the object (tests only; made and
// ended while no voice is speaking).
class ScopedOverride {
public:
    explicit ScopedOverride(const Table& replacement);
    ~ScopedOverride();
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    Table table_;
    const Table* previous_;
};

}  // namespace speech::pulse
