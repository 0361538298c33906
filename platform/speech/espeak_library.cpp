#include "espeak_library.h"

#include "espeak_no_audio_device.h"
#include "module_calls.h"
#include "pcaudio_stand_in.h"

#include <varnel/syscalls.h>

#include <dlfcn.h>
#include <link.h>

#include <mutex>
#include <string>

namespace speech {
namespace {

using modules::FindSymbol;

constexpr const char* kLibraryName = "libespeak-ng.so.1";

// The libraries espeak-ng brought in (the sound libraries behind pcaudiolib
// mostly) keep no state of espeak-ng's, and loading them again takes twice as long
// as loading espeak-ng itself: they stay once loaded, and each copy of espeak-ng
// is fresh all the same.
void KeepDependenciesLoaded(void* handle)
{
    static std::once_flag once;
    std::call_once(once, [handle] {
        link_map* library = nullptr;
        if (dlinfo(handle, RTLD_DI_LINKMAP, &library) != 0 || !library) return;
        for (link_map* loaded = library->l_next; loaded; loaded = loaded->l_next)
            if (loaded->l_name && *loaded->l_name) dlopen(loaded->l_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    });
}

// espeak-ng needs pcaudiolib, and pcaudiolib brings in 27 sound, codec and X
// libraries: 8 to 10 ms in every process that loads espeak-ng, for a device the
// engine never lets it use. The dynamic linker takes a needed library from those
// already loaded when one of them has its soname, so pcaudiolib's stand-in,
// loaded first, keeps them all out. It is loaded from a memory file, as nothing
// has to be installed for it. Should that fail, espeak-ng gets pcaudiolib, and the
// programs' own create_audio_device_object still keeps it off the sound server.
void LoadPcaudioStandIn()
{
    static std::once_flag once;
    std::call_once(once, [] {
        win32::sys::UniqueFd image(win32::sys::MemoryFile("libpcaudio.so.0"));
        if (!image || win32::sys::WriteAll(image.get(), kPcaudioStandIn, kPcaudioStandInBytes) != 0) return;
        const std::string path = "/proc/self/fd/" + std::to_string(image.get());
        modules::Calls().open(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    });
}

// That fallback lives in an archive member of its own, which nothing else names:
// naming it here links it into every program that loads espeak-ng.
[[gnu::used]] constexpr auto kNoAudioDevice = &create_audio_device_object;

}  // namespace

std::unique_ptr<EspeakLibrary> EspeakLibrary::Load(int bufferMs)
{
    LoadPcaudioStandIn();
    std::unique_ptr<EspeakLibrary> library(new EspeakLibrary);
    library->handle_ = modules::Calls().open(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library->handle_) return nullptr;
    KeepDependenciesLoaded(library->handle_);
    decltype(&espeak_Initialize) initialize = nullptr;
    void* h = library->handle_;
    bool found = FindSymbol(h, "espeak_Initialize", initialize) && FindSymbol(h, "espeak_Terminate", library->terminate_)
              && FindSymbol(h, "espeak_SetSynthCallback", library->SetSynthCallback)
              && FindSymbol(h, "espeak_ListVoices", library->ListVoices)
              && FindSymbol(h, "espeak_SetVoiceByName", library->SetVoiceByName)
              && FindSymbol(h, "espeak_SetParameter", library->SetParameter) && FindSymbol(h, "espeak_Synth", library->Synth);
    if (!found) return nullptr;
    library->sampleRate_ = initialize(AUDIO_OUTPUT_SYNCHRONOUS, bufferMs, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (library->sampleRate_ <= 0) {
        library->terminate_ = nullptr;  // nothing to end
        return nullptr;
    }
    return library;
}

EspeakLibrary::~EspeakLibrary()
{
    if (terminate_) terminate_();
    if (handle_) dlclose(handle_);
}

}  // namespace speech
