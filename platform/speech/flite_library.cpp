#include "flite_library.h"

#include "module_calls.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace speech {
namespace {

using modules::FindSymbol;

constexpr const char* kLibraryName = "libflite.so.1";

bool FindAll(void* h, FliteLibrary& f)
{
    decltype(&flite_init) init = nullptr;
    bool found = FindSymbol(h, "flite_init", init) && FindSymbol(h, "new_utterance", f.NewUtterance)
              && FindSymbol(h, "delete_utterance", f.DeleteUtterance) && FindSymbol(h, "utt_set_input_text", f.SetInputText)
              && FindSymbol(h, "utt_synth", f.UttSynth) && FindSymbol(h, "flite_do_synth", f.DoSynth)
              && FindSymbol(h, "utt_wave", f.UttWave) && FindSymbol(h, "feat_set_float", f.SetFloat)
              && FindSymbol(h, "feat_set", f.SetValue) && FindSymbol(h, "get_param_float", f.GetFloat)
              && FindSymbol(h, "feat_val", f.FeatValue) && FindSymbol(h, "val_cg_db", f.ClustergenData)
              && FindSymbol(h, "new_audio_streaming_info", f.NewStreamingInfo)
              && FindSymbol(h, "audio_streaming_info_val", f.StreamingInfoValue)
              && FindSymbol(h, "utt_relation", f.Relation) && FindSymbol(h, "relation_head", f.RelationHead)
              && FindSymbol(h, "item_next", f.ItemNext) && FindSymbol(h, "item_daughter", f.ItemDaughter)
              && FindSymbol(h, "item_feat_string", f.ItemString) && FindSymbol(h, "ffeature_float", f.PathFloat);
    if (found) init();
    return found;
}

std::string VoiceLibraryName(const std::string& voice) { return "libflite_" + voice + ".so.1"; }

// A voice library's voice, registered once per process (flite keeps it in a global).
cst_voice* RegisteredVoice(const std::string& name)
{
    static std::mutex mutex;
    static std::map<std::string, cst_voice*> registered;
    std::lock_guard lock(mutex);
    if (auto at = registered.find(name); at != registered.end()) return at->second;
    void* handle = modules::Calls().open(VoiceLibraryName(name).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    using Register = cst_voice* (*)(const char* voxdir);
    Register registerVoice = nullptr;
    cst_voice* voice = FindSymbol(handle, ("register_" + name).c_str(), registerVoice) ? registerVoice(nullptr) : nullptr;
    if (!voice) {
        dlclose(handle);
        return nullptr;
    }
    registered[name] = voice;
    return voice;
}

// The voices whose libraries lie beside libflite, as the package installs them.
std::vector<std::string> InstalledVoices(void* flite)
{
    char folder[PATH_MAX] = {};
    if (dlinfo(flite, RTLD_DI_ORIGIN, folder) != 0) return {};
    std::vector<std::string> installed;
    for (const std::string& name : FliteVoiceNames())
        if (access((std::string(folder) + "/" + VoiceLibraryName(name)).c_str(), R_OK) == 0) installed.push_back(name);
    return installed;
}

}  // namespace

cst_voice* FliteLibrary::Voice(const std::string& name) const
{
    if (std::find(voices_.begin(), voices_.end(), name) == voices_.end()) return nullptr;
    return RegisteredVoice(name);
}

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
    library->voices_ = InstalledVoices(handle);
    if (library->voices_.empty()) return nullptr;  // libflite stays loaded: voices may come later
    loaded = std::move(library);
    return loaded.get();
}

}  // namespace speech
