// pcaudiolib's calls that espeak-ng makes, with no device behind them. Built as a
// shared object with pcaudiolib's soname and compiled into the engine as bytes
// (espeak_library.cpp says why); the engine takes espeak-ng's samples itself and
// never lets it play.
#include <cstddef>
#include <cstdint>

struct audio_object;

extern "C" {

audio_object* create_audio_device_object(const char*, const char*, const char*) { return nullptr; }
int audio_object_open(audio_object*, int, std::uint32_t, std::uint8_t) { return -1; }
void audio_object_close(audio_object*) {}
void audio_object_destroy(audio_object*) {}
int audio_object_write(audio_object*, const void*, std::size_t) { return -1; }
int audio_object_drain(audio_object*) { return 0; }
int audio_object_flush(audio_object*) { return 0; }
const char* audio_object_strerror(audio_object*, int) { return "no audio device"; }

}
