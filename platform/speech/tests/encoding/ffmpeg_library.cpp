// Without FFmpeg, made to look missing through the engine's loading seam
// (module_calls.h): an .m4a or .m4b is refused when it is bound, with words that
// say a module is missing, and no file is made; the other containers still
// write, and once the libraries are back the next AAC file finds them.
#include "engine_file.h"

#include "../speech_test_support.h"
#include "encoding/container_writer.h"
#include "encoding/piece_encoder.h"
#include "module_calls.h"

#include <scratch_dir.h>
#include <winbase.h>

#include <cstring>
#include <filesystem>

namespace speech {
namespace {

using namespace encoding_test;

void* OpenAllButFfmpeg(const char* name, int flags)
{
    if (std::strncmp(name, "libav", 5) == 0) return nullptr;
    return modules::RealCalls().open(name, flags);
}

// A partial installation: libavcodec and libavutil are there, libavformat is not.
void* OpenAllButLibavformat(const char* name, int flags)
{
    if (std::strncmp(name, "libavformat", 11) == 0) return nullptr;
    return modules::RealCalls().open(name, flags);
}

class WithoutFfmpeg : public speech_test::ComTest {
protected:
    // A partial load unloads what it opened, and with it FFmpeg's dependencies,
    // whose initialisers keep allocations (cairo, mbedtls) that would then be
    // unreachable. Pinning the real libraries keeps them loaded like a normal run.
    void SetUp() override
    {
        ComTest::SetUp();
        for (const char* name : {"libavutil.so.57", "libavcodec.so.59", "libavformat.so.59"})
            modules::RealCalls().open(name, RTLD_NOW | RTLD_NODELETE);
    }

    HRESULT Bind(const std::string& name)
    {
        CComPtr<ISpStream> stream;
        EXPECT_EQ(stream.CoCreateInstance(CLSID_SpStream), S_OK);
        const std::string path = (dir_ / name).string();
        WAVEFORMATEX format = NativeFormat();
        HRESULT hr = stream->BindToFile(std::u16string(path.begin(), path.end()).c_str(), SPFM_CREATE_ALWAYS,
                                        &SPDFID_WaveFormatEx, &format, 0);
        if (SUCCEEDED(hr)) {
            std::vector<std::int16_t> tone = PaddedTo(std::vector<std::int16_t>(4000, 3000), 8000);
            EXPECT_EQ(stream->Write(tone.data(), static_cast<ULONG>(tone.size() * 2), nullptr), S_OK);
            EXPECT_EQ(stream->Close(), S_OK);
        }
        return hr;
    }

    void ExpectAacRefused(const char* why)
    {
        const HRESULT missing = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        for (const char* name : {"refused.m4a", "refused.m4b"}) {
            EXPECT_EQ(Bind(name), missing) << why << ": " << name;
            EXPECT_FALSE(std::filesystem::exists(dir_ / name)) << why << ": " << name;
        }
        // The parts that load FFmpeg on their own: a worker's encoder and the writer.
        HRESULT hr = S_OK;
        PieceFormat format;
        format.container = AudioContainer::M4a;
        EXPECT_EQ(CreatePieceEncoder(format, [](const std::uint8_t*, std::size_t, std::uint32_t) { return S_OK; }, &hr),
                  nullptr);
        EXPECT_EQ(hr, missing) << why;
        FileSink sink;
        EXPECT_EQ(CreateContainerWriter(AudioContainer::M4b, sink, &hr), nullptr);
        EXPECT_EQ(hr, missing) << why;
    }

    testing_support::ScratchDir dir_;
};

TEST_F(WithoutFfmpeg, AnAacFileIsRefusedWhenBoundAndTheOthersStillWrite)
{
    {
        modules::ScopedOverride hidden(modules::Table{OpenAllButFfmpeg});
        ExpectAacRefused("no FFmpeg");
        EXPECT_EQ(Bind("still.ogg"), S_OK);
        EXPECT_EQ(Bind("still.opus"), S_OK);
    }
    {
        modules::ScopedOverride partial(modules::Table{OpenAllButLibavformat});
        ExpectAacRefused("no libavformat");
    }
    std::optional<Probed> ogg = Probe((dir_ / "still.ogg").string());
    ASSERT_TRUE(ogg);
    EXPECT_EQ(ogg->codec, "vorbis");

    // What narrate says of it: the system's words for a module that is missing.
    char words[256] = {};
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)), 0, words, sizeof words, nullptr),
              0u);
    EXPECT_EQ(std::string(words).rfind("The specified module could not be found.", 0), 0u) << words;

    // The libraries are back: the next file finds them.
    ASSERT_EQ(Bind("found.m4a"), S_OK);
    std::optional<Probed> found = Probe((dir_ / "found.m4a").string());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->codec, "aac");
}

}  // namespace
}  // namespace speech
