// flite as one of the engine's synthesizers: its English voices beside espeak-ng's.
// flite draws the noise of its clustergen voices from the C library's rand(), so a
// synthesis holds RandomSequenceTurn and each utterance starts from the same seed:
// the same request gives the same samples.
#pragma once

#include "voice_engine.h"

namespace speech {

class FliteLibrary;

// True for the identifiers of flite's voices ("flite/cmu_us_slt").
bool IsFliteVoice(const std::string& identifier);

class FliteEngine final : public VoiceEngine {
public:
    // nullptr when flite or its voices are not installed.
    static std::unique_ptr<FliteEngine> Load();

    const std::vector<InstalledVoice>& Voices() const override { return voices_; }
    // English voices only: the clearest of them for English, none for other languages.
    std::string PreferredVoiceFor(const std::string& languageTag) override;
    std::unique_ptr<Session> Begin() override;

private:
    explicit FliteEngine(const FliteLibrary& library);

    const FliteLibrary& library_;
    std::vector<InstalledVoice> voices_;
};

}  // namespace speech
