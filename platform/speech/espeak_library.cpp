#include "espeak_library.h"

#include <dlfcn.h>

namespace speech {
namespace {

constexpr const char* kLibraryName = "libespeak-ng.so.1";

template <class Function>
bool Find(void* handle, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
}

}  // namespace

std::unique_ptr<EspeakLibrary> EspeakLibrary::Load(int bufferMs)
{
    std::unique_ptr<EspeakLibrary> library(new EspeakLibrary);
    library->handle_ = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library->handle_) return nullptr;
    decltype(&espeak_Initialize) initialize = nullptr;
    void* h = library->handle_;
    bool found = Find(h, "espeak_Initialize", initialize) && Find(h, "espeak_Terminate", library->terminate_)
              && Find(h, "espeak_SetSynthCallback", library->SetSynthCallback)
              && Find(h, "espeak_ListVoices", library->ListVoices)
              && Find(h, "espeak_SetVoiceByName", library->SetVoiceByName)
              && Find(h, "espeak_SetParameter", library->SetParameter) && Find(h, "espeak_Synth", library->Synth);
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
