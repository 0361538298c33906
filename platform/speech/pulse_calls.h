// The one indirection for the PulseAudio calls of the default audio output, so
// tests can inject failures (no server, a server that goes away).
#pragma once

#include <varnel/call_table.h>

#include <pulse/simple.h>

namespace speech::pulse {

struct Table {
    // pa_simple_new for a playback stream of the engine on the default sink.
    pa_simple* (*connect)(const pa_sample_spec* sampleSpec, const pa_buffer_attr* attr, int* error);
    int (*write)(pa_simple* stream, const void* data, size_t bytes, int* error);
    int (*flush)(pa_simple* stream, int* error);
    int (*drain)(pa_simple* stream, int* error);
    pa_usec_t (*latency)(pa_simple* stream, int* error);
    void (*disconnect)(pa_simple* stream);
};

win32::CallSlot<Table>& Slot();
inline const Table& RealCalls() { return Slot().Real(); }
inline const Table& Calls() { return Slot().Current(); }
// Made and ended while no voice is speaking.
using ScopedOverride = win32::ScopedCallOverride<Table, Slot>;

}  // namespace speech::pulse
