#include "pulse_calls.h"

#include <atomic>

namespace speech::pulse {
namespace {

pa_simple* RealConnect(const pa_sample_spec* spec, const pa_buffer_attr* attr, int* error)
{
    return pa_simple_new(nullptr, "Varnel speech", PA_STREAM_PLAYBACK, nullptr, "speech", spec, nullptr, attr,
                         error);
}

const Table kReal = {RealConnect, pa_simple_write, pa_simple_flush, pa_simple_drain, pa_simple_get_latency,
                     pa_simple_free};

std::atomic<const Table*> current{&kReal};

}  // namespace

const Table& RealCalls() { return kReal; }
const Table& Calls() { return *current.load(std::memory_order_acquire); }

ScopedOverride::ScopedOverride(const Table& replacement)
    : table_(replacement), previous_(current.load(std::memory_order_acquire))
{
    current.store(&table_, std::memory_order_release);
}

ScopedOverride::~ScopedOverride() { current.store(previous_, std::memory_order_release); }

}  // namespace speech::pulse
