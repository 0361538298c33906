// flite, loaded at run time so that a machine without it keeps espeak-ng's voices.
// Its voices live in the voice libraries' globals once registered, so the library
// is loaded once and never unloaded.
#pragma once

#include <flite.h>

#include <string>
#include <vector>

namespace speech {

struct FliteVoice {
    std::string name;  // flite's name, e.g. "cmu_us_slt"
    cst_voice* voice;
};

class FliteLibrary {
public:
    // The process's flite with the voices that could be registered; nullptr when
    // libflite or every voice is missing (tried again on the next call).
    static const FliteLibrary* Load();

    const std::vector<FliteVoice>& voices() const { return voices_; }

    decltype(&new_utterance) NewUtterance = nullptr;
    decltype(&delete_utterance) DeleteUtterance = nullptr;
    decltype(&utt_set_input_text) SetInputText = nullptr;
    decltype(&utt_synth) UttSynth = nullptr;
    decltype(&flite_do_synth) DoSynth = nullptr;
    decltype(&utt_wave) UttWave = nullptr;
    decltype(&feat_set_float) SetFloat = nullptr;
    decltype(&feat_set) SetValue = nullptr;
    decltype(&get_param_float) GetFloat = nullptr;
    decltype(&new_audio_streaming_info) NewStreamingInfo = nullptr;
    decltype(&audio_streaming_info_val) StreamingInfoValue = nullptr;

private:
    FliteLibrary() = default;
    std::vector<FliteVoice> voices_;
};

// The voices flite can have, in the order they are listed.
const std::vector<std::string>& FliteVoiceNames();

}  // namespace speech
