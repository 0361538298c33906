// A voice's events and its pause, against the real synthesizers: what GetEvents
// hands out for a text with markup, multi-byte words, numbers and bookmarks, where
// their offsets fall in the output, and how Pause and Resume hold and release a
// request without losing or repeating a sample.
#include "speech_test_support.h"

#include <scratch_dir.h>
#include <sphelper.h>

#include <filesystem>

#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace speech_test;

class VoiceEventsTest : public ComTest {};

constexpr ULONGLONG kTextEvents = SPFEI(SPEI_START_INPUT_STREAM) | SPFEI(SPEI_END_INPUT_STREAM)
                                  | SPFEI(SPEI_WORD_BOUNDARY) | SPFEI(SPEI_SENTENCE_BOUNDARY)
                                  | SPFEI(SPEI_TTS_BOOKMARK);

struct Fetched {
    SPEVENTENUM id;
    ULONG stream;
    ULONGLONG offset;
    std::u16string text;      // the request's text the event points at (words, sentences)
    WPARAM wParam;
    std::u16string bookmark;
};

// Every event waiting, taken one by one, their strings freed.
std::vector<Fetched> TakeEvents(ISpVoice* voice, std::u16string_view spoken)
{
    std::vector<Fetched> all;
    for (SPEVENT event{}; voice->GetEvents(1, &event, nullptr) == S_OK;) {
        Fetched f{event.eEventId, event.ulStreamNum, event.ullAudioStreamOffset, {}, event.wParam, {}};
        if (event.eEventId == SPEI_WORD_BOUNDARY || event.eEventId == SPEI_SENTENCE_BOUNDARY) {
            const auto position = static_cast<std::size_t>(event.lParam);
            EXPECT_LE(position + event.wParam, spoken.size());
            if (position + event.wParam <= spoken.size()) f.text = spoken.substr(position, event.wParam);
        }
        if (event.eEventId == SPEI_TTS_BOOKMARK) {
            EXPECT_EQ(event.elParamType, SPET_LPARAM_IS_STRING);
            f.bookmark = reinterpret_cast<const char16_t*>(event.lParam);
        }
        SpClearEvent(&event);
        all.push_back(std::move(f));
    }
    return all;
}

std::vector<std::u16string> Texts(const std::vector<Fetched>& events, SPEVENTENUM id)
{
    std::vector<std::u16string> texts;
    for (const Fetched& event : events)
        if (event.id == id) texts.push_back(event.text);
    return texts;
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// The words heard, with the several events espeak-ng gives one number folded into
// the token they were clamped to.
std::vector<std::u16string> WordsHeard(const std::vector<Fetched>& events, std::u16string_view number)
{
    std::vector<std::u16string> words;
    for (std::u16string word : Texts(events, SPEI_WORD_BOUNDARY)) {
        if (!word.empty() && number.find(word) != std::u16string_view::npos) word = number;
        if (words.empty() || words.back() != word || word != number) words.push_back(word);
    }
    return words;
}

// Speaks `text` into memory and returns its events; `bytes` gets the output's size.
std::vector<Fetched> SpeakForEvents(ISpVoice* voice, std::u16string_view text, DWORD flags, std::size_t& bytes,
                                    ULONG& stream)
{
    auto output = NewMemoryStream();
    EXPECT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(output), TRUE), S_OK);
    EXPECT_EQ(voice->SetInterest(kTextEvents, kTextEvents), S_OK);
    const std::u16string spoken(text);
    EXPECT_EQ(voice->Speak(spoken.c_str(), flags, &stream), S_OK);
    EXPECT_EQ(voice->SetOutput(nullptr, FALSE), S_OK);
    bytes = output->Bytes().size();
    return TakeEvents(voice, spoken);
}

// What both synthesizers must tell of the same text with markup.
void ExpectEventsOfMarkedText(ISpVoice* voice, const char* which)
{
    const std::u16string text = u"<rate speed=\"1\">Hello w\u00f6rld, it is 1234 cats.</rate>"
                                u"<bookmark mark=\"42 start\"/> Goodbye na\u00efve caf\u00e9.";
    std::size_t bytes = 0;
    ULONG stream = 0;
    std::vector<Fetched> events = SpeakForEvents(voice, text, SPF_IS_XML, bytes, stream);
    ASSERT_GE(events.size(), 4u) << which;

    EXPECT_EQ(events.front().id, SPEI_START_INPUT_STREAM) << which;
    EXPECT_EQ(events.front().offset, 0u) << which;
    EXPECT_EQ(events.back().id, SPEI_END_INPUT_STREAM) << which;
    EXPECT_EQ(events.back().offset, bytes) << which;
    ULONGLONG previous = 0;
    for (const Fetched& event : events) {
        EXPECT_EQ(event.stream, stream) << which;
        EXPECT_GE(event.offset, previous) << which << ": events come in the order of their sound";
        EXPECT_EQ(event.offset % 2, 0u) << which << ": offsets fall on whole samples";
        previous = event.offset;
    }

    const std::vector<std::u16string> expected = {u"Hello", u"w\u00f6rld", u"it",      u"is",        u"1234",
                                                  u"cats",  u"Goodbye",     u"na\u00efve", u"caf\u00e9"};
    EXPECT_EQ(WordsHeard(events, u"1234"), expected) << which;
    const std::vector<std::u16string> sentences = Texts(events, SPEI_SENTENCE_BOUNDARY);
    EXPECT_EQ(sentences, (std::vector<std::u16string>{u"Hello w\u00f6rld, it is 1234 cats.",
                                                      u"Goodbye na\u00efve caf\u00e9."}))
        << which;

    // The bookmark sits between the sentences, its number read from its name.
    auto mark = std::find_if(events.begin(), events.end(), [](const Fetched& e) { return e.id == SPEI_TTS_BOOKMARK; });
    ASSERT_NE(mark, events.end()) << which;
    EXPECT_EQ(mark->bookmark, u"42 start") << which;
    EXPECT_EQ(mark->wParam, 42u) << which;
    auto goodbye = std::find_if(events.begin(), events.end(), [](const Fetched& e) { return e.text == u"Goodbye"; });
    ASSERT_NE(goodbye, events.end());
    EXPECT_LT(mark, goodbye) << which;
    EXPECT_LE(mark->offset, goodbye->offset) << which;

    // The status tells the last word and sentence reached.
    SPVOICESTATUS status{};
    ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
    EXPECT_EQ(text.substr(status.ulInputWordPos, status.ulInputWordLen), u"caf\u00e9") << which;
    EXPECT_EQ(text.substr(status.ulInputSentPos, status.ulInputSentLen), u"Goodbye na\u00efve caf\u00e9.") << which;

    // Fetched events have left the queue.
    SPEVENTSOURCEINFO info{};
    ASSERT_EQ(voice->GetInfo(&info), S_OK);
    EXPECT_EQ(info.ulCount, 0u);
    EXPECT_EQ(info.ullEventInterest, kTextEvents);
    SPEVENT none{};
    ULONG fetched = 7;
    EXPECT_EQ(voice->GetEvents(1, &none, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
}

TEST_F(VoiceEventsTest, EspeakAndFliteTellWordsSentencesAndBookmarksOfAMarkedUpText)
{
    ExpectEventsOfMarkedText(NewQuickVoice(), "espeak-ng");
    ExpectEventsOfMarkedText(NewVoiceWithId(u"\\flite/cmu_us_kal"), "flite");
}

// A word event's offset is where its sound begins: the samples before the second
// word's offset hold the first word, and a word follows the offset.
TEST_F(VoiceEventsTest, AWordsOffsetIsWhereItsSoundIsInTheOutput)
{
    auto voice = NewQuickVoice();
    auto output = NewMemoryStream();
    ASSERT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(output), TRUE), S_OK);
    ASSERT_EQ(voice->SetInterest(kTextEvents, kTextEvents), S_OK);
    const std::u16string text = u"Wait. Now.";
    ASSERT_EQ(voice->Speak(text.c_str(), SPF_IS_NOT_XML, nullptr), S_OK);
    std::vector<Fetched> events = TakeEvents(voice, text);
    std::vector<ULONGLONG> at;
    for (const Fetched& event : events)
        if (event.id == SPEI_WORD_BOUNDARY) at.push_back(event.offset / 2);
    ASSERT_EQ(at.size(), 2u);
    const std::vector<std::int16_t> samples = output->Samples();
    const std::size_t tail = 2205;  // 100 ms
    EXPECT_GT(Peak(samples, at[0], at[1]), 1000) << "the first word sounds before the second's offset";
    EXPECT_LT(Peak(samples, at[1] - tail, at[1]), 200) << "a sentence's pause comes before the second word";
    EXPECT_GT(Peak(samples, at[1], at[1] + 4 * tail), 1000) << "the second word sounds after its offset";
}

TEST_F(VoiceEventsTest, InterestsNeedTheirCheckBitsAndQueuedMustBeInterestingToo)
{
    auto voice = NewQuickVoice();
    EXPECT_EQ(voice->SetInterest(1ull << SPEI_WORD_BOUNDARY, 0), E_INVALIDARG);
    EXPECT_EQ(voice->SetInterest(SPFEI(SPEI_WORD_BOUNDARY), SPFEI(SPEI_SENTENCE_BOUNDARY)), E_INVALIDARG);
    EXPECT_EQ(voice->SetInterest(SPFEI(SPEI_WORD_BOUNDARY), 0), S_OK);
    // Of interest but not queued: they only post the window's message.
    auto output = NewMemoryStream();
    ASSERT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(output), TRUE), S_OK);
    ASSERT_EQ(voice->Speak(u"Two words.", SPF_IS_NOT_XML, nullptr), S_OK);
    SPEVENTSOURCEINFO info{};
    ASSERT_EQ(voice->GetInfo(&info), S_OK);
    EXPECT_EQ(info.ulCount, 0u);
    EXPECT_EQ(info.ullEventInterest, SPFEI(SPEI_WORD_BOUNDARY));
    EXPECT_EQ(info.ullQueuedInterest, 0u);
}

// A long text into a file is rendered in pieces on several workers; a caller
// that listens gets the events one piece would give, positions counted in the whole
// text (multi-byte words and numbers included) and offsets where the samples are in
// the file.
TEST_F(VoiceEventsTest, ALongTextInPiecesTellsWhatOnePieceTells)
{
    std::u16string text;
    for (int i = 0; i < 300; ++i)
        text += u"Line " + std::u16string(1, u'a' + i % 26) + u" says caf\u00e9 and 42 more.\n";
    auto voice = NewQuickVoice();
    std::size_t bytes = 0;
    ULONG stream = 0;
    const std::vector<Fetched> whole = SpeakForEvents(voice, text, SPF_IS_NOT_XML, bytes, stream);

    testing_support::ScratchDir dir;
    const std::string path = (dir / "long.wav").string();
    ASSERT_EQ(voice->SetInterest(kTextEvents | SPFEI(SPEI_TTS_PRIVATE), kTextEvents | SPFEI(SPEI_TTS_PRIVATE)), S_OK);
    ASSERT_EQ(RenderToWav(voice, path, text.c_str()), S_OK);
    const std::vector<Fetched> pieces = TakeEvents(voice, text);

    ASSERT_EQ(Texts(pieces, SPEI_SENTENCE_BOUNDARY).size(), 300u);
    EXPECT_EQ(Narrow(Texts(pieces, SPEI_SENTENCE_BOUNDARY)[299]), "Line n says caf\xe9 and 42 more.");
    EXPECT_EQ(Texts(pieces, SPEI_WORD_BOUNDARY), Texts(whole, SPEI_WORD_BOUNDARY));
    EXPECT_EQ(Texts(pieces, SPEI_SENTENCE_BOUNDARY), Texts(whole, SPEI_SENTENCE_BOUNDARY));
    EXPECT_EQ(Texts(pieces, SPEI_TTS_PRIVATE).size(), 300u) << "where each sentence's sound ends";
    ASSERT_FALSE(pieces.empty());
    EXPECT_EQ(pieces.front().id, SPEI_START_INPUT_STREAM);
    EXPECT_EQ(pieces.back().id, SPEI_END_INPUT_STREAM);
    const std::uintmax_t fileBytes = std::filesystem::file_size(path);
    EXPECT_EQ(pieces.back().offset + 44, fileBytes) << "the end is the file's last sample";
    // The pieces' offsets run on from one another: the last sentence starts where it
    // does in one piece, give or take a percent of the whole.
    const auto lastSentence = [](const std::vector<Fetched>& events) {
        return std::find_if(events.rbegin(), events.rend(),
                            [](const Fetched& e) { return e.id == SPEI_SENTENCE_BOUNDARY; })
            ->offset;
    };
    EXPECT_NEAR(double(lastSentence(pieces)), double(lastSentence(whole)), 0.01 * double(bytes));
    ULONGLONG previous = 0;
    for (const Fetched& event : pieces) {
        EXPECT_GE(event.offset, previous);
        previous = event.offset;
    }
}

// The samples of a text spoken without a pause, for comparing with a paused one.
std::vector<std::uint8_t> Unpaused(const char16_t* text)
{
    auto voice = NewQuickVoice();
    auto output = NewMemoryStream();
    EXPECT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(output), TRUE), S_OK);
    EXPECT_EQ(voice->Speak(text, SPF_IS_NOT_XML, nullptr), S_OK);
    return output->Bytes();
}

TEST_F(VoiceEventsTest, PauseHoldsTheRequestAndResumeGoesOnFromTheSameSample)
{
    const char16_t* text = u"One sentence, then another one to pause in the middle of.";
    const std::vector<std::uint8_t> whole = Unpaused(text);
    auto voice = NewQuickVoice();
    auto output = NewMemoryStream();
    ASSERT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(output), TRUE), S_OK);

    output->Hold(true);
    ASSERT_EQ(voice->Speak(text, SPF_ASYNC | SPF_IS_NOT_XML, nullptr), S_OK);
    ASSERT_TRUE(output->WaitForWrites(1));
    // Paused twice: one Resume is not enough.
    ASSERT_EQ(voice->Pause(), S_OK);
    ASSERT_EQ(voice->Pause(), S_OK);
    output->Hold(false);  // the write under way ends; no other begins
    EXPECT_EQ(voice->WaitUntilDone(200), S_FALSE);
    ASSERT_EQ(voice->Resume(), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(200), S_FALSE);
    EXPECT_EQ(output->Writes(), 1u);
    SPVOICESTATUS status{};
    ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
    EXPECT_EQ(status.dwRunningState, static_cast<DWORD>(SPRS_IS_SPEAKING));

    ASSERT_EQ(voice->Resume(), S_OK);
    ASSERT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    EXPECT_EQ(output->Bytes(), whole) << "nothing lost or repeated across the pause";
    EXPECT_EQ(voice->Resume(), S_OK) << "a Resume too many is harmless";
}

TEST_F(VoiceEventsTest, APauseWhileIdleHoldsTheNextRequestAndAPurgeEndsIt)
{
    auto voice = NewQuickVoice();
    auto output = NewMemoryStream();
    ASSERT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(output), TRUE), S_OK);
    ASSERT_EQ(voice->Pause(), S_OK);
    ASSERT_EQ(voice->Speak(u"Held back.", SPF_ASYNC | SPF_IS_NOT_XML, nullptr), S_OK);
    ASSERT_EQ(voice->Speak(u"And this.", SPF_ASYNC | SPF_IS_NOT_XML, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(200), S_FALSE);
    EXPECT_EQ(output->Writes(), 0u);

    // Stop: the queue and the pause end together, nothing of them is written.
    ASSERT_EQ(voice->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr), S_OK);
    ASSERT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    EXPECT_EQ(output->Writes(), 0u);
    // The next request speaks without a Resume.
    ASSERT_EQ(voice->Speak(u"Spoken.", SPF_IS_NOT_XML, nullptr), S_OK);
    EXPECT_GT(output->Writes(), 0u);
    EXPECT_EQ(voice->Resume(), S_OK);
}

// Through the sound server: a pause in the middle of a sentence, then the rest is
// heard and the request ends as usual.
TEST_F(VoiceEventsTest, APausedPlaybackResumesAndFinishes)
{
    auto voice = NewQuickVoice();
    ASSERT_EQ(voice->SetInterest(kTextEvents, kTextEvents), S_OK);
    const std::u16string text = u"Played, paused, and played again to the end.";
    ASSERT_EQ(voice->Speak(text.c_str(), SPF_ASYNC | SPF_IS_NOT_XML, nullptr), S_OK);
    ASSERT_EQ(voice->Pause(), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(300), S_FALSE);
    ASSERT_EQ(voice->Resume(), S_OK);
    ASSERT_EQ(voice->WaitUntilDone(INFINITE), S_OK);
    std::vector<Fetched> events = TakeEvents(voice, text);
    EXPECT_EQ(WordsHeard(events, u""), (std::vector<std::u16string>{u"Played", u"paused", u"and", u"played",
                                                                     u"again", u"to", u"the", u"end"}));
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().id, SPEI_END_INPUT_STREAM);
}

}  // namespace
