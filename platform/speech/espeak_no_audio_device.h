// The programs' own audio-device function for espeak-ng (espeak_no_audio_device.cpp
// says why).
#pragma once

struct audio_object;

extern "C" audio_object* create_audio_device_object(const char* device, const char* applicationName,
                                                    const char* description);
