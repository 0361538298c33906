// The one indirection for the PulseAudio calls of the default audio output, so
// tests can inject failures (no server, a server that goes away).
#pragma once

#include <varnel/call_table.h>

#include <pulse/def.h>
#include <pulse/sample.h>

#include <cstddef>

namespace speech::pulse {

// A playback stream on the default sink, on a mainloop thread of its own
// (pulse_playback.cpp). Its calls may come from any thread.
struct PlaybackStream;

struct Table {
    // nullptr with *error set when no server answers or the stream is refused.
    PlaybackStream* (*connect)(const pa_sample_spec* sampleSpec, const pa_buffer_attr* attr, int* error);
    // Blocks while the server's buffer is full (also while the stream is corked).
    int (*write)(PlaybackStream* stream, const void* data, std::size_t bytes, int* error);
    // Drops what is buffered; a write waiting for room goes on.
    int (*flush)(PlaybackStream* stream, int* error);
    int (*drain)(PlaybackStream* stream, int* error);
    // How long until a sample written now is heard; (pa_usec_t)-1 on failure.
    pa_usec_t (*latency)(PlaybackStream* stream, int* error);
    // Stops (1) or resumes (0) playing at once; what is buffered stays.
    int (*cork)(PlaybackStream* stream, int corked, int* error);
    void (*disconnect)(PlaybackStream* stream);
};

win32::CallSlot<Table>& Slot();
inline const Table& RealCalls() { return Slot().Real(); }
inline const Table& Calls() { return Slot().Current(); }
// Made and ended while no voice is speaking.
using ScopedOverride = win32::ScopedCallOverride<Table, Slot>;

}  // namespace speech::pulse
