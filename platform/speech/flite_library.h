// flite, loaded at run time so that a machine without it keeps espeak-ng's voices.
// Its voices live in the voice libraries' globals once registered, so the library
// is loaded once and never unloaded. A voice's library is loaded when the voice
// first speaks: loading all five costs more than the rest of start-up.
#pragma once

#include <flite.h>
#include <cst_cg.h>

#include <string>
#include <vector>

namespace speech {


class FliteLibrary {
public:
    // The process's flite with the voices installed beside it; nullptr when
    // libflite or every voice is missing (tried again on the next call).
    static const FliteLibrary* Load();

    // flite's names ("cmu_us_slt") of the installed voices.
    const std::vector<std::string>& voices() const { return voices_; }
    // The voice, registered on first use; nullptr when it cannot be loaded.
    cst_voice* Voice(const std::string& name) const;

    decltype(&new_utterance) NewUtterance = nullptr;
    decltype(&delete_utterance) DeleteUtterance = nullptr;
    decltype(&utt_set_input_text) SetInputText = nullptr;
    decltype(&utt_synth) UttSynth = nullptr;
    decltype(&flite_do_synth) DoSynth = nullptr;
    decltype(&utt_wave) UttWave = nullptr;
    decltype(&feat_set_float) SetFloat = nullptr;
    decltype(&feat_set) SetValue = nullptr;
    decltype(&get_param_float) GetFloat = nullptr;
    decltype(&feat_val) FeatValue = nullptr;
    decltype(&val_cg_db) ClustergenData = nullptr;
    decltype(&new_audio_streaming_info) NewStreamingInfo = nullptr;
    decltype(&audio_streaming_info_val) StreamingInfoValue = nullptr;
    // An utterance's relations and items, for the words' places and times.
    decltype(&utt_relation) Relation = nullptr;
    decltype(&relation_head) RelationHead = nullptr;
    decltype(&item_next) ItemNext = nullptr;
    decltype(&item_daughter) ItemDaughter = nullptr;
    decltype(&item_feat_string) ItemString = nullptr;
    decltype(&ffeature_float) PathFloat = nullptr;

private:
    FliteLibrary() = default;
    std::vector<std::string> voices_;
};

// The voices flite can have, in the order they are listed.
const std::vector<std::string>& FliteVoiceNames();

}  // namespace speech
