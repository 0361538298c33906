#include "parallel_render.h"

#include "speech_test_support.h"
#include "text_pieces.h"
#include "voice_catalog.h"

#include <scratch_dir.h>
#include <varnel/syscalls.h>
#include <winbase.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace speech {
namespace {

using namespace speech_test;

std::string Repeat(std::string_view part, std::size_t bytes)
{
    std::string text;
    while (text.size() + part.size() <= bytes) text += part;
    return text;
}

// Three pieces or so, cut at clause ends; and as long a text with no clause end.
const std::string kClauses = Repeat("The keeper climbs the stair at dusk and lights the lamp! ", 8000);
const std::string kNoClauseEnd = Repeat("waves roll in over the grey stones and the gulls cry ", 8000);

class ParallelRenderTest : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        // espeak-ng's: flite's voices (English's first) take far longer to render,
        // and have a test of their own below.
        settings_.voice = "gmw/en";
        ASSERT_NE(VoiceCatalog::Instance().FindByTokenId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\gmw/en"),
                  nullptr);
    }

    CComPtr<ISpStream> BoundStream(const std::string& name)
    {
        CComPtr<ISpStream> wav;
        EXPECT_EQ(wav.CoCreateInstance(CLSID_SpStream), S_OK);
        std::string path = (dir_ / name).string();
        std::u16string wide(path.begin(), path.end());
        WAVEFORMATEX format = NativeFormat();
        EXPECT_EQ(wav->BindToFile(wide.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format, 0), S_OK);
        return wav;
    }

    // The sample bytes of a file written through RenderInParallel; S_FALSE when it
    // would not render in pieces.
    HRESULT RenderFile(const std::string& name, const std::string& text, std::string* samples = nullptr)
    {
        CComPtr<ISpStream> wav = BoundStream(name);
        CancelToken cancel;
        std::vector<ULONG> positions;
        HRESULT hr = RenderInParallel(PlainPieces(text), settings_, wav, NativeFormat(), cancel,
                                      [&](ULONG position) { positions.push_back(position); });
        HRESULT closed = wav->Close();
        if (hr == S_OK) {
            EXPECT_EQ(closed, S_OK);
            // Progress rises piece by piece to the whole text.
            EXPECT_EQ(positions.size(), CutIntoPieces(text).size());
            EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
            EXPECT_EQ(positions.empty() ? 0 : positions.back(), Utf16Length(text));
        }
        if (samples) *samples = FileBytes(name).substr(44);
        return hr;
    }

    // The bytes of one-piece rendering into memory.
    std::string RenderInOnePiece(const std::string& text)
    {
        auto memory = NewMemoryStream();
        CancelToken cancel;
        EXPECT_EQ(RenderRequest(PlainPieces(text), settings_, static_cast<ISpStreamFormat*>(memory), NativeFormat(),
                                cancel),
                  S_OK);
        auto bytes = memory->Bytes();
        return std::string(bytes.begin(), bytes.end());
    }

    static std::vector<SpeechPiece> PlainPieces(const std::string& text)
    {
        return PlainText(std::u16string(text.begin(), text.end()));  // ASCII texts
    }

    std::string FileBytes(const std::string& name)
    {
        std::ifstream in(dir_ / name, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    testing_support::ScratchDir dir_;
    VoiceSettings settings_;
};

TEST_F(ParallelRenderTest, ALongTextIsRenderedInPiecesAsLongAsInOneAndTheSameEachTime)
{
    for (const std::string* text : {&kClauses, &kNoClauseEnd}) {
        ASSERT_GT(CutIntoPieces(*text).size(), 2u);
        std::string first, second;
        ASSERT_EQ(RenderFile("a.wav", *text, &first), S_OK);
        ASSERT_EQ(RenderFile("b.wav", *text, &second), S_OK);
        EXPECT_EQ(first, second);
        double ratio = double(first.size()) / double(RenderInOnePiece(*text).size());
        EXPECT_GE(ratio, 0.99) << text->substr(0, 20);
        EXPECT_LE(ratio, 1.01) << text->substr(0, 20);
    }
}

TEST_F(ParallelRenderTest, AFliteVoiceIsRenderedInPiecesByTheWorkersToo)
{
    settings_.voice = "flite/cmu_us_slt";
    std::string text = kClauses.substr(0, kLongestPieceBytes + 500);
    ASSERT_GE(CutIntoPieces(text).size(), 2u);
    std::string first, second;
    ASSERT_EQ(RenderFile("a.wav", text, &first), S_OK);
    ASSERT_EQ(RenderFile("b.wav", text, &second), S_OK);
    EXPECT_EQ(first, second);
    double ratio = double(first.size()) / double(RenderInOnePiece(text).size());
    EXPECT_GE(ratio, 0.99);
    EXPECT_LE(ratio, 1.01);
}

TEST_F(ParallelRenderTest, ATextThatFitsOnePieceOrAnOutputInMemoryKeepTheOnePieceWay)
{
    EXPECT_EQ(RenderFile("short.wav", kClauses.substr(0, kLongestPieceBytes)), S_FALSE);
    auto memory = NewMemoryStream();
    CancelToken cancel;
    EXPECT_EQ(RenderInParallel(PlainPieces(kClauses), settings_, static_cast<ISpStreamFormat*>(memory),
                               NativeFormat(), cancel, nullptr),
              S_FALSE);
    EXPECT_TRUE(memory->Bytes().empty());
}

TEST_F(ParallelRenderTest, AShortTextInAFileIsExactlyWhatItWasBefore)
{
    // Through the voice: the file's samples are the one-piece rendering's, byte for byte.
    std::string text = kClauses.substr(0, kLongestPieceBytes);
    auto voice = NewQuickVoice();
    CComPtr<ISpStream> wav = BoundStream("short.wav");
    ASSERT_EQ(voice->SetOutput(wav, TRUE), S_OK);
    std::u16string wide(text.begin(), text.end());
    ASSERT_EQ(voice->Speak(wide.c_str(), SPF_IS_NOT_XML, nullptr), S_OK);
    ASSERT_EQ(voice->SetOutput(nullptr, FALSE), S_OK);
    ASSERT_EQ(wav->Close(), S_OK);
    auto samples = Render(voice, wide.c_str());
    std::string expected(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
    EXPECT_EQ(FileBytes("short.wav").substr(44), expected);
}

TEST_F(ParallelRenderTest, AWorkerWhoseEngineFailsFailsTheWholeFile)
{
    settings_.voice = "no-such-voice";
    EXPECT_EQ(RenderFile("failed.wav", kClauses), SPERR_ENGINE_FAILED);
}

ssize_t NoSpace(int, const void*, size_t)
{
    errno = ENOSPC;
    return -1;
}

ssize_t NoSpaceToCopy(int, off_t*, int, off_t*, size_t, unsigned)
{
    errno = ENOSPC;
    return -1;
}

TEST_F(ParallelRenderTest, AFullDiskFailsTheVoicesRequest)
{
    auto voice = NewVoice();
    CComPtr<ISpStream> wav = BoundStream("full.wav");
    ASSERT_EQ(voice->SetOutput(wav, TRUE), S_OK);
    win32::sys::Table table = win32::sys::RealCalls();
    table.write = NoSpace;  // the workers' scratch files are theirs: the disk fills as pieces join the file
    table.copyFileRange = NoSpaceToCopy;
    win32::sys::ScopedOverride full(table);
    std::u16string wide(kClauses.begin(), kClauses.end());
    ASSERT_EQ(voice->Speak(wide.c_str(), SPF_ASYNC | SPF_IS_NOT_XML, nullptr), S_OK);
    EXPECT_EQ(voice->WaitUntilDone(INFINITE), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    voice->SetOutput(nullptr, FALSE);
}

}  // namespace
}  // namespace speech
