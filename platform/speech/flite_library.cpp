#include "flite_library.h"

#include "module_calls.h"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>

namespace speech {
namespace {

constexpr const char* kLibraryName = "libflite.so.1";

template <class Function>
bool Find(void* handle, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    return function != nullptr;
}

bool FindAll(void* h, FliteLibrary& f)
{
    decltype(&flite_init) init = nullptr;
    bool found = Find(h, "flite_init", init) && Find(h, "new_utterance", f.NewUtterance)
              && Find(h, "delete_utterance", f.DeleteUtterance) && Find(h, "utt_set_input_text", f.SetInputText)
              && Find(h, "utt_synth", f.UttSynth) && Find(h, "flite_do_synth", f.DoSynth)
              && Find(h, "utt_wave", f.UttWave) && Find(h, "feat_set_float", f.SetFloat)
              && Find(h, "feat_set", f.SetValue) && Find(h, "get_param_float", f.GetFloat)
              && Find(h, "new_audio_streaming_info", f.NewStreamingInfo)
              && Find(h, "audio_streaming_info_val", f.StreamingInfoValue);
    if (found) init();
    return found;
}

// A voice library's voice, registered once per process (flite keeps it in a global).
cst_voice* RegisteredVoice(const std::string& name)
{
    static std::map<std::string, cst_voice*> registered;
    if (auto at = registered.find(name); at != registered.end()) return at->second;
    void* handle = modules::Calls().open(("libflite_" + name + ".so.1").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    using Register = cst_voice* (*)(const char* voxdir);
    Register registerVoice = nullptr;
    cst_voice* voice = Find(handle, ("register_" + name).c_str(), registerVoice) ? registerVoice(nullptr) : nullptr;
    if (!voice) {
        dlclose(handle);
        return nullptr;
    }
    registered[name] = voice;
    return voice;
}

}  // namespace

const std::vector<std::string>& FliteVoiceNames()
{
    static const std::vector<std::string> names = {"cmu_us_awb", "cmu_us_kal", "cmu_us_kal16", "cmu_us_rms",
                                                   "cmu_us_slt"};
    return names;
}

const FliteLibrary* FliteLibrary::Load()
{
    static std::mutex mutex;
    static std::unique_ptr<FliteLibrary> loaded;
    std::lock_guard lock(mutex);
    void* handle = modules::Calls().open(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    if (loaded) {
        dlclose(handle);  // the loaded copy's count stays
        return loaded.get();
    }
    std::unique_ptr<FliteLibrary> library(new FliteLibrary);
    if (!FindAll(handle, *library)) {
        dlclose(handle);
        return nullptr;
    }
    for (const std::string& name : FliteVoiceNames())
        if (cst_voice* voice = RegisteredVoice(name)) library->voices_.push_back({name, voice});
    if (library->voices_.empty()) return nullptr;  // libflite stays loaded: voices may come later
    loaded = std::move(library);
    return loaded.get();
}

}  // namespace speech
