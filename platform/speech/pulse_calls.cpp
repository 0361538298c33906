#include "pulse_calls.h"


namespace speech::pulse {
namespace {

pa_simple* RealConnect(const pa_sample_spec* sampleSpec, const pa_buffer_attr* attr, int* error)
{
    return pa_simple_new(nullptr, "Varnel speech", PA_STREAM_PLAYBACK, nullptr, "speech", sampleSpec, nullptr, attr,
                         error);
}

const Table kReal = {RealConnect, pa_simple_write, pa_simple_flush, pa_simple_drain, pa_simple_get_latency,
                     pa_simple_free};

}  // namespace

win32::CallSlot<Table>& Slot()
{
    static win32::CallSlot<Table> slot(kReal);
    return slot;
}

}  // namespace speech::pulse
