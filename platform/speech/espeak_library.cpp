#include "espeak_library.h"

#include "module_calls.h"

#include <dlfcn.h>
#include <link.h>

#include <mutex>

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

}  // namespace

std::unique_ptr<EspeakLibrary> EspeakLibrary::Load(int bufferMs)
{
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
