// Files of every compressed container, rendered by the real synthesizer in pieces
// on the workers and in one piece, and judged by FFmpeg: they decode, last as long
// as their samples, join without a gap or a click, and carry their tags and
// chapters, each chapter marked where its speech begins.
#include <decoded_media.h>
#include "join_measure.h"

#include "../speech_test_support.h"
#include "encoding/audio_container.h"
#include "parallel_render.h"
#include "voice_catalog.h"

#include <scratch_dir.h>

#include <fstream>

namespace speech {
namespace {

using namespace speech_test;
using namespace encoding_test;

struct Container {
    const char* extension;
    const char* format;  // as ffprobe names it
    const char* codec;
    int frame;           // samples at 22050 Hz a join may move the audio by
    bool lossless = false;  // decodes to the very samples it was made of
};

void PrintTo(const Container& container, std::ostream* out) { *out << container.extension; }

std::string Chapter(const char* title, const char* sentence, int sentences)
{
    std::string text = std::string(title) + "\n\n";
    for (int i = 0; i < sentences; ++i) text += sentence;
    return text;
}

// Three chapters, the first long enough to be cut into pieces of its own; with the
// punctuation a document keeps.
struct Book {
    std::string text;
    std::vector<std::size_t> starts;
    std::vector<std::u16string> titles = {u"The Keeper", u"The Storm", u"Morning"};
    Book()
    {
        const std::string chapters[] = {
            // Lines without full stops, as a text file gives them: its pieces are cut at
            // line ends, where the voice barely pauses.
            Chapter("The Keeper.", "The keeper climbed the stair at dusk and he lit the great lamp\n", 64),
            Chapter("The Storm.", "Waves rolled over the grey stones; the gulls cried over the bay. ", 6),
            Chapter("Morning.", "At dawn the sea was calm again, and the keeper slept. ", 6),
        };
        for (const std::string& chapter : chapters) {
            if (!text.empty()) text += "\n\n";
            starts.push_back(text.size());
            text += chapter;
        }
    }
};

// A chapter's mark is where its first sound is: within 30 ms, and what comes just
// before it much quieter than what follows (a lossy codec smears the previous
// chapter's last sound and this one's onset a little, so not silent).
void ExpectSpeechBeginsAt(const std::vector<std::int16_t>& decoded, const ProbedChapter& chapter)
{
    constexpr std::size_t kNear = 22050 * 30 / 1000, kSmear = 22050 * 5 / 1000;
    const auto mark = static_cast<std::size_t>(chapter.start * 22050);
    const auto loudest = [&](std::size_t from, std::size_t to) {
        int peak = 0;
        for (std::size_t i = from; i < std::min(to, decoded.size()); ++i) peak = std::max(peak, std::abs(int{decoded[i]}));
        return peak;
    };
    if (mark > kNear) {
        EXPECT_LT(loudest(mark - kNear, mark - kSmear) * 4, loudest(mark, mark + kNear))
            << chapter.title << ": the mark is inside speech";
    }
    EXPECT_LT(FirstSound(decoded, mark > kNear ? mark - kNear : 0), mark + kNear)
        << chapter.title << ": the speech begins later";
}

class EncodedFileTest : public ComTest, public ::testing::WithParamInterface<Container> {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        const VoiceInfo* voice = VoiceCatalog::Instance().FindByTokenId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\gmw/en");
        if (!voice) voice = VoiceCatalog::Instance().DefaultVoice();
        ASSERT_NE(voice, nullptr);
        settings_.voice = voice->identifier;
        settings_.rate = 6;  // half the audio of the normal speed: quicker to encode and compare
    }

    // Renders `text` into `name`, in pieces on the workers or in one piece here.
    void Render(const std::string& name, const std::string& text, const std::vector<std::size_t>& starts,
                bool inPieces, const std::vector<std::u16string>& titles = {})
    {
        CComPtr<ISpStream> stream;
        ASSERT_EQ(stream.CoCreateInstance(CLSID_SpStream), S_OK);
        CComPtr<ISpAudioFile> audio;
        ASSERT_EQ(stream->QueryInterface(IID_ISpAudioFile, reinterpret_cast<void**>(&audio)), S_OK);
        for (std::size_t i = 0; i < titles.size(); ++i)
            ASSERT_EQ(audio->AddChapter(static_cast<ULONG>(starts[i]), titles[i].c_str()),
                      name.ends_with(".wav") ? S_FALSE : S_OK);
        audio->SetTag(u"title", u"The Lighthouse");
        audio->SetTag(u"artist", u"A. Keeper");
        const std::string path = (dir_ / name).string();
        WAVEFORMATEX format = NativeFormat();
        ASSERT_EQ(stream->BindToFile(std::u16string(path.begin(), path.end()).c_str(), SPFM_CREATE_ALWAYS,
                                     &SPDFID_WaveFormatEx, &format, 0),
                  S_OK);
        std::vector<SpeechPiece> pieces = PlainText(std::u16string(text.begin(), text.end()));
        CancelToken cancel;
        HRESULT rendered;
        if (inPieces) rendered = RenderInParallel(pieces, settings_, stream, format, cancel, nullptr, starts);
        else rendered = RenderRequest(pieces, settings_, stream, format, cancel, starts);
        ASSERT_EQ(rendered, S_OK) << "a machine of one core renders in one piece";
        ASSERT_EQ(stream->Close(), S_OK);
    }

    // Samples written into a file of `name` by the stream itself: one encoding throughout.
    void Encode(const std::string& name, const std::vector<std::int16_t>& samples)
    {
        CComPtr<ISpStream> stream;
        ASSERT_EQ(stream.CoCreateInstance(CLSID_SpStream), S_OK);
        const std::string path = (dir_ / name).string();
        WAVEFORMATEX format = NativeFormat();
        ASSERT_EQ(stream->BindToFile(std::u16string(path.begin(), path.end()).c_str(), SPFM_CREATE_ALWAYS,
                                     &SPDFID_WaveFormatEx, &format, 0),
                  S_OK);
        ASSERT_EQ(stream->Write(samples.data(), static_cast<ULONG>(samples.size() * 2), nullptr), S_OK);
        ASSERT_EQ(stream->Close(), S_OK);
    }

    std::vector<std::int16_t> RenderAlone(const std::string& text)
    {
        auto memory = NewMemoryStream();
        CancelToken cancel;
        EXPECT_EQ(RenderRequest(PlainText(std::u16string(text.begin(), text.end())), settings_,
                                static_cast<ISpStreamFormat*>(memory), NativeFormat(), cancel),
                  S_OK);
        return memory->Samples();
    }

    static std::string ReadAll(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    std::vector<std::int16_t> WavSamples(const std::string& name)
    {
        const std::string bytes = ReadAll(dir_ / name);
        std::vector<std::int16_t> samples((bytes.size() - 44) / 2);
        std::copy_n(reinterpret_cast<const std::int16_t*>(bytes.data() + 44), samples.size(), samples.data());
        return samples;
    }

    testing_support::ScratchDir dir_;
    VoiceSettings settings_;
};

TEST_P(EncodedFileTest, ABookInPiecesDecodesWholeWithItsChaptersWhereTheirSpeechBegins)
{
    const Container& container = GetParam();
    const Book book;
    const std::string name = std::string("book.") + container.extension;
    Render("book.wav", book.text, book.starts, true);  // the same pieces, as samples
    Render(name, book.text, book.starts, true, book.titles);

    std::optional<Probed> probed = Probe((dir_ / name).string());
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->format, container.format);
    EXPECT_EQ(probed->codec, container.codec);
    EXPECT_EQ(probed->tags["title"], "The Lighthouse");
    EXPECT_EQ(probed->tags["artist"], "A. Keeper");
    ASSERT_EQ(probed->chapters.size(), 3u);
    EXPECT_EQ(probed->chapters[0].title, "The Keeper");
    EXPECT_EQ(probed->chapters[1].title, "The Storm");
    EXPECT_EQ(probed->chapters[2].title, "Morning");

    const std::vector<std::int16_t> reference = WavSamples("book.wav");
    std::optional<std::vector<std::int16_t>> decoded = Decoded((dir_ / name).string());
    ASSERT_TRUE(decoded);
    EXPECT_NEAR(double(decoded->size()) / reference.size(), 1.0, 0.01);
    if (container.lossless) {
        EXPECT_TRUE(*decoded == reference) << "a lossless book differs from its samples";
    }
    EXPECT_NEAR(probed->duration * 22050 / reference.size(), 1.0, 0.01);

    // Each mark is where its chapter's first sound is: found by that sound itself,
    // the chapter's opening rendered alone (a piece begins with it, so it sounds
    // the same).
    for (std::size_t i = 0; i < probed->chapters.size(); ++i) {
        const std::size_t start = book.starts[i];
        const std::string opening = book.text.substr(start, book.text.find('.', start) + 1 - start);
        std::vector<std::int16_t> alone = RenderAlone(opening);
        const std::size_t sound = FirstSound(alone, 0);
        ASSERT_LT(sound + 4000, alone.size());
        const std::vector<std::int16_t> pattern(alone.begin() + sound, alone.begin() + sound + 4000);
        const auto mark = static_cast<long>(probed->chapters[i].start * 22050);
        EXPECT_NEAR(double(FindPattern(*decoded, pattern, mark, 22050 / 5)), double(mark), 22050 * 0.03)
            << probed->chapters[i].title;
    }
    // The last chapter ends with the audio. (Not ffprobe's duration: for MP3 it counts
    // the priming frames too, LAME's own files alike.)
    EXPECT_NEAR(probed->chapters.back().end, double(decoded->size()) / 22050, 0.05);

    // The same samples encoded in one go: the joins must cost nothing it does not.
    Encode(std::string("whole.") + container.extension, reference);
    std::optional<std::vector<std::int16_t>> whole = Decoded((dir_ / (std::string("whole.") + container.extension)).string());
    ASSERT_TRUE(whole);
    const JoinMeasure join = MeasureJoin(reference, *decoded, 22050 / 4, 2 * container.frame);
    const JoinMeasure once = MeasureJoin(reference, *whole, 22050 / 4, 2 * container.frame);
    EXPECT_GT(join.stretches, 60u);
    EXPECT_LE(join.largestJump, container.frame) << "a gap or a doubled stretch at a join";
    if (!container.lossless) {
        // Its pieces are made whole frames long, so the shift changes at its joins.
        EXPECT_GE(join.joins.size(), 4u) << "the book's joins were not found";
    }
    EXPECT_LT(LargestLossAtJoins(join, once), 0.1) << "a stretch, at a join, that sounds worse than the rest";
    EXPECT_LT(MeanLoss(join, once), 0.01) << "the pieces sound worse than one run";
}

TEST_P(EncodedFileTest, AShortTextInOnePieceMarksItsChaptersToo)
{
    const Container& container = GetParam();
    const std::string text = "Part one. A short first part of the text.\n\nPart two. And a second, shorter one.";
    const std::string name = std::string("short.") + container.extension;
    Render(name, text, {0, 42}, false, {u"One", u"Two"});
    // The same text gives the same file, byte for byte.
    Render("again." + std::string(container.extension), text, {0, 42}, false, {u"One", u"Two"});
    EXPECT_EQ(ReadAll(dir_ / name), ReadAll(dir_ / ("again." + std::string(container.extension))));
    std::optional<Probed> probed = Probe((dir_ / name).string());
    std::optional<std::vector<std::int16_t>> decoded = Decoded((dir_ / name).string());
    ASSERT_TRUE(probed && decoded);
    ASSERT_EQ(probed->chapters.size(), 2u);
    EXPECT_EQ(probed->chapters[1].title, "Two");
    for (const ProbedChapter& chapter : probed->chapters) ExpectSpeechBeginsAt(*decoded, chapter);
    EXPECT_GT(probed->chapters[1].start, 1.0);
}

TEST_P(EncodedFileTest, AnEmptyTextIsAValidFileOfAMoment)
{
    const Container& container = GetParam();
    const std::string name = std::string("empty.") + container.extension;
    Render(name, "", {}, false);
    std::optional<Probed> probed = Probe((dir_ / name).string());
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->codec, container.codec);
    EXPECT_LT(probed->duration, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Containers, EncodedFileTest,
                         ::testing::Values(Container{"opus", "ogg", "opus", 441}, Container{"ogg", "ogg", "vorbis", 512},
                                           Container{"m4a", "mov,mp4,m4a,3gp,3g2,mj2", "aac", 1024},
                                           Container{"m4b", "mov,mp4,m4a,3gp,3g2,mj2", "aac", 1024},
                                           Container{"mp3", "mp3", "mp3", 576}, Container{"flac", "flac", "flac", 16, true}),
                         [](const auto& info) { return std::string(info.param.extension); });

}  // namespace
}  // namespace speech
