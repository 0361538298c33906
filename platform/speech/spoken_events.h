// The events of one synthesis of a text, in the order of their sounds (their
// samples never go back): each word
// (as the synthesizer tells it), each sentence where its first word begins, and
// where each sentence's sound ends. A sentence ends after . ! ? (or the full-width
// 。！？) and at a line end; both synthesizers are cut alike this way.
#pragma once

#include "voice_engine.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace speech {

struct SpokenEvent {
    enum class Kind { Word, Sentence, SentenceEnd };
    Kind kind = Kind::Word;
    std::size_t position = 0;  // bytes into the text; a sentence's end tells the sentence's
    std::size_t length = 0;
    std::uint64_t sample = 0;  // from the start of the synthesis
    bool operator==(const SpokenEvent&) const = default;
};

// The sentence that holds or follows byte `from` of `text`: its start and length
// (length 0 when only blanks follow).
struct SentenceSpan {
    std::size_t start = 0;
    std::size_t length = 0;
};
SentenceSpan SentenceFrom(std::string_view text, std::size_t from);

class SpokenEvents {
public:
    using Sink = std::function<void(const SpokenEvent&)>;
    SpokenEvents(std::string_view text, Sink sink);

    // From the synthesizer's WordSink: a word, before the samples of its sound.
    void Word(const WordMark& word);
    // The synthesis's samples, in order.
    void Samples(const std::int16_t* samples, std::size_t count);
    // The synthesis ended: the last sentence's sound ends with it.
    void Finish();

private:
    void Tell(const SpokenEvent& event);
    void EndPending();

    std::string_view text_;
    Sink sink_;
    std::uint64_t samples_ = 0;
    bool inSentence_ = false;
    SentenceSpan sentence_;
    std::uint64_t sentenceStart_ = 0, sentenceLoud_ = 0;  // its first sample, and past its last loud one
    // The sentence before, whose sound ends before `pendingBoundary_`.
    bool pending_ = false;
    SentenceSpan pendingSentence_;
    std::uint64_t pendingBoundary_ = 0, pendingLoud_ = 0;
    std::vector<SpokenEvent> held_;  // the next sentence's, until the pending one ends
};

}  // namespace speech
