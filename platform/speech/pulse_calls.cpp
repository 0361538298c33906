#include "pulse_calls.h"

#include "pulse_playback.h"

namespace speech::pulse {

win32::CallSlot<Table>& Slot()
{
    static const Table real = PlaybackCalls();  // the slot keeps a pointer to it
    static win32::CallSlot<Table> slot(real);
    return slot;
}

}  // namespace speech::pulse
