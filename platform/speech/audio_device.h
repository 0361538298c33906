// What the voice needs from an output that plays in real time, beyond writing to
// it (platform-internal interface of the default audio output).
#pragma once

#include "cancel_token.h"

#include <unknwn.h>

struct IEngineAudioDevice : IUnknown {
    // Connects to the sound server if not connected; SPERR_NO_DRIVER when none answers
    // within a bounded time. Nothing else connects: a voice that only writes files
    // never contacts the server.
    STDMETHOD(Open)() = 0;
    // Drops what is buffered and not yet heard (a purge).
    STDMETHOD(Discard)() = 0;
    // Returns once everything written has been heard, or at once after discarding
    // when `cancel` fires. A paused device is waited for until it resumes.
    STDMETHOD(WaitUntilPlayed)(speech::CancelToken* cancel) = 0;
    // Silences the output at once, keeping what is buffered; Resume plays on from
    // the same sample. A write meanwhile waits while the buffer is full.
    STDMETHOD(Pause)() = 0;
    STDMETHOD(Resume)() = 0;
    // Bytes written since the device was made, and how many of them have been heard.
    STDMETHOD(GetPosition)(ULONGLONG* written, ULONGLONG* heard) = 0;

protected:
    ~IEngineAudioDevice() = default;
};
DECLARE_INTERFACE_IID(IEngineAudioDevice, "{5B0E2F6C-9D4A-4C71-8E3B-2A7D9C1F4E60}");
