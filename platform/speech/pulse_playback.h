// The real PulseAudio calls behind pulse_calls.h: a playback stream on libpulse's
// threaded mainloop, which (unlike the simple API) can be corked, so a pause keeps
// every buffered sample for the resume. libpulse is loaded on the first connection,
// not at start-up: it brings some twenty libraries along, and a voice that only
// renders files never plays.
#pragma once

#include "pulse_calls.h"

namespace speech::pulse {

Table PlaybackCalls();

}  // namespace speech::pulse
