#include "spoken_events.h"

#include <algorithm>
#include <cstdlib>

namespace speech {
namespace {

constexpr int kLoud = 64;  // of 32767: quieter is silence

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsClosing(char c) { return c == '"' || c == '\'' || c == ')' || c == ']' || c == '}'; }

// The length of a full-width full stop, exclamation or question mark at `at`, else 0.
std::size_t FullWidthEnd(std::string_view text, std::size_t at)
{
    for (std::string_view mark : {"\u3002", "\uFF01", "\uFF1F"})
        if (text.compare(at, mark.size(), mark) == 0) return mark.size();
    return 0;
}

}  // namespace

SentenceSpan SentenceFrom(std::string_view text, std::size_t from)
{
    std::size_t start = from;
    while (start < text.size() && IsBlank(text[start])) ++start;
    std::size_t end = start;
    while (end < text.size() && text[end] != '\n') {
        if (std::size_t wide = FullWidthEnd(text, end)) {
            end += wide;
            break;
        }
        const char c = text[end++];
        if ((c == '.' || c == '!' || c == '?') && (end == text.size() || IsBlank(text[end]) || IsClosing(text[end]))) {
            while (end < text.size() && IsClosing(text[end])) ++end;
            break;
        }
    }
    while (end > start && IsBlank(text[end - 1])) --end;
    return {start, end - start};
}

SpokenEvents::SpokenEvents(std::string_view text, Sink sink) : text_(text), sink_(std::move(sink)) {}

void SpokenEvents::Word(const WordMark& word)
{
    if (!inSentence_ || word.position >= sentence_.start + sentence_.length) {
        if (inSentence_) {
            if (pending_) EndPending();  // its samples never came: it ends where they stopped
            pending_ = true;
            pendingSentence_ = sentence_;
            pendingBoundary_ = word.sample;
            pendingLoud_ = sentenceLoud_;
        }
        std::size_t from = inSentence_ ? sentence_.start + sentence_.length : 0;
        do {
            sentence_ = SentenceFrom(text_, from);
            from = sentence_.start + std::max<std::size_t>(sentence_.length, 1);
        } while (sentence_.start + sentence_.length <= word.position && from < text_.size());
        inSentence_ = true;
        sentenceStart_ = sentenceLoud_ = word.sample;
        Tell({SpokenEvent::Kind::Sentence, sentence_.start, sentence_.length, word.sample});
    }
    Tell({SpokenEvent::Kind::Word, word.position, word.length, word.sample});
}

void SpokenEvents::Tell(const SpokenEvent& event)
{
    // While the sentence before has not ended, its end (which comes earlier in the
    // sound) is told first.
    if (pending_)
        held_.push_back(event);
    else
        sink_(event);
}

void SpokenEvents::Samples(const std::int16_t* samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (std::abs(int{samples[i]}) < kLoud) continue;
        const std::uint64_t at = samples_ + i;
        if (pending_ && at < pendingBoundary_)
            pendingLoud_ = std::max(pendingLoud_, at + 1);
        else if (inSentence_ && at >= sentenceStart_)
            sentenceLoud_ = std::max(sentenceLoud_, at + 1);
    }
    samples_ += count;
    if (pending_ && samples_ >= pendingBoundary_) EndPending();
}

void SpokenEvents::EndPending()
{
    pending_ = false;
    sink_({SpokenEvent::Kind::SentenceEnd, pendingSentence_.start, pendingSentence_.length, pendingLoud_});
    for (const SpokenEvent& event : held_) sink_(event);
    held_.clear();
}

void SpokenEvents::Finish()
{
    if (pending_) EndPending();
    if (!inSentence_) return;
    inSentence_ = false;
    sink_({SpokenEvent::Kind::SentenceEnd, sentence_.start, sentence_.length, sentenceLoud_});
}

}  // namespace speech
