// FLAC files joined from many pieces: each piece's encoder numbers its frames from
// zero, and the file renumbers them as one variable-blocksize stream. Judged by the
// reference tools (flac --test, flac -d, metaflac), FFmpeg and libFLAC's decoder.
#include "written_file.h"

#include "encoding/flac_frame.h"
#include "encoding/flac_piece_encoder.h"
#include "wave_format.h"

#include <scratch_dir.h>

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <filesystem>

namespace speech {
namespace {

using namespace encoding_test;

WAVEFORMATEX Format(std::uint32_t rate, std::uint16_t channels)
{
    WAVEFORMATEX format = NativeFormat();
    format.nSamplesPerSec = rate;
    format.nChannels = channels;
    format.nBlockAlign = static_cast<WORD>(2 * channels);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

// A piece of `frames` frames: silence for `quiet` of them, then noise that begins loud.
std::vector<std::int16_t> Piece(std::size_t frames, std::size_t quiet, std::uint16_t channels, std::uint32_t seed)
{
    std::vector<std::int16_t> samples = Noise(frames * channels, seed);
    std::fill_n(samples.begin(), std::min(quiet, frames) * channels, 0);
    if (quiet < frames) samples[quiet * channels] = 12000;
    return samples;
}

std::string Command(const std::string& command) { return CommandOutput(command + " 2>&1").value_or("(failed)"); }

class FlacWriterTest : public ::testing::Test {
protected:
    testing_support::ScratchDir dir_;
};

// Lengths around the block of 4096: a few samples past whole blocks (which would
// leave a frame under 16 samples), whole blocks, pieces shorter than a frame may
// be (padded to 16) and an empty one. Both decoders give back every sample.
TEST_F(FlacWriterTest, PiecesOfEveryAwkwardLengthJoinIntoOneStreamSampleForSample)
{
    const std::size_t lengths[] = {4096 + 3, 5, 3 * 4096 + 15, 4096, 0, 9000, 2 * 4096 + 16, 1, 4096 + 1, 12345, 4099};
    for (const auto& [rate, channels] : {std::pair<std::uint32_t, std::uint16_t>{22050, 1}, {44100, 2}}) {
        SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels");
        const std::string path = (dir_ / ("pieces" + std::to_string(channels) + ".flac")).string();
        const WAVEFORMATEX format = Format(rate, channels);
        EncodedFileWriter writer;
        ASSERT_EQ(writer.Create(path, format, AudioContainer::Flac), S_OK);
        writer.SetTags({"Pieces", "A. Keeper", "Tests", "7"});
        std::vector<std::int16_t> expected;
        std::vector<double> chapterStarts;
        for (std::size_t i = 0; i < std::size(lengths); ++i) {
            const std::size_t quiet = i * 37 % 300;
            const std::vector<std::int16_t> piece = Piece(lengths[i], quiet, channels, static_cast<std::uint32_t>(i + 1));
            if (i % 3 == 0) {  // a chapter at the piece's first sound
                writer.StartChapter("Part " + std::to_string(i / 3 + 1));
                chapterStarts.push_back(double(expected.size() / channels + std::min(quiet, lengths[i])) / rate);
            }
            win32::sys::UniqueFd scratch = ScratchPiece(writer.NextPieceFormat(), piece);
            ASSERT_TRUE(scratch);
            ASSERT_EQ(writer.AppendPiece(scratch.get()), S_OK);
            expected.insert(expected.end(), piece.begin(), piece.end());
            expected.resize(expected.size() + (kShortestFlacFrame - std::min<std::size_t>(lengths[i], 16)) * channels, 0);
        }
        ASSERT_EQ(writer.Finish(), S_OK);

        EXPECT_NE(Command("flac --test --silent " + Quoted(path)), "(failed)") << Command("flac --test " + Quoted(path));
        EXPECT_EQ(Command("metaflac --show-total-samples --show-sample-rate --show-channels " + Quoted(path)),
                  std::to_string(expected.size() / channels) + "\n" + std::to_string(rate) + "\n" +
                      std::to_string(channels) + "\n");
        std::optional<std::string> reference = CommandOutput(
            "flac --decode --silent --stdout --force-raw-format --endian=little --sign=signed " + Quoted(path) +
            " 2>/dev/null");
        ASSERT_TRUE(reference);
        ASSERT_EQ(reference->size(), expected.size() * 2);
        EXPECT_EQ(std::memcmp(reference->data(), expected.data(), reference->size()), 0) << "flac -d";
        std::optional<std::vector<std::int16_t>> decoded = DecodedAsIs(path);
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(*decoded == expected) << "FFmpeg";

        std::optional<Probed> probed = Probe(path);
        ASSERT_TRUE(probed);
        EXPECT_EQ(probed->tags["title"], "Pieces");
        EXPECT_EQ(probed->tags["track"], "7");
        ASSERT_EQ(probed->chapters.size(), chapterStarts.size());
        for (std::size_t i = 0; i < chapterStarts.size(); ++i) {
            EXPECT_EQ(probed->chapters[i].title, "Part " + std::to_string(i + 1));
            EXPECT_NEAR(probed->chapters[i].start, chapterStarts[i], 0.001);
        }
    }
}

// The sample numbers of a long stream take every length of their UTF-8-like code,
// up to seven bytes (36 bits); libFLAC's decoder reads each back, CRCs checked.
struct DecodedFrames {
    std::vector<std::uint8_t> bytes;
    std::size_t at = 0;
    std::vector<std::uint64_t> firstSamples;
    std::vector<std::uint32_t> blockSizes;
    int errors = 0;
};

FLAC__StreamDecoderReadStatus ReadBytes(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes, void* client)
{
    auto* frames = static_cast<DecodedFrames*>(client);
    *bytes = std::min(*bytes, frames->bytes.size() - frames->at);
    std::memcpy(buffer, frames->bytes.data() + frames->at, *bytes);
    frames->at += *bytes;
    return *bytes ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}

FLAC__StreamDecoderWriteStatus FrameDecoded(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                            const FLAC__int32* const[], void* client)
{
    auto* frames = static_cast<DecodedFrames*>(client);
    frames->firstSamples.push_back(frame->header.number.sample_number);
    frames->blockSizes.push_back(frame->header.blocksize);
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void DecodeError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* client)
{
    ++static_cast<DecodedFrames*>(client)->errors;
}

TEST(FlacFrameTest, EveryLengthOfTheSampleNumberDecodesWithValidCrcs)
{
    std::vector<std::vector<std::uint8_t>> frames;
    PieceFormat format;
    format.container = AudioContainer::Flac;
    std::unique_ptr<PieceEncoder> encoder = CreateFlacPieceEncoder(
        format, [&](const std::uint8_t* data, std::size_t size, std::uint32_t) {
            frames.emplace_back(data, data + size);
            return S_OK;
        });
    ASSERT_TRUE(encoder);
    const std::vector<std::int16_t> samples = Noise(4096 + 1000, 9);
    ASSERT_EQ(encoder->Push(samples.data(), samples.size()), S_OK);
    PieceSummary summary;
    ASSERT_EQ(encoder->Finish(summary), S_OK);
    ASSERT_EQ(frames.size(), 2u);

    // fLaC and a STREAMINFO of unknown sizes and length: 22050 Hz, mono, 16 bits.
    DecodedFrames decoded;
    const std::uint8_t streamHeader[] = {'f', 'L', 'a', 'C', 0x80, 0,    0,    34,   0,    16,   0x10,
                                         0,   0,   0,   0,   0,    0,    0,    0x05, 0x62, 0x20, 0xF0};
    decoded.bytes.assign(8 + 34, 0);
    std::copy(std::begin(streamHeader), std::end(streamHeader), decoded.bytes.begin());
    const std::uint64_t starts[] = {0, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x1FFFFF, 0x200000,
                                    0x3FFFFFF, 0x4000000, 0x7FFFFFFF, 0x80000000, (1ull << 36) - 5000};
    for (std::size_t i = 0; i < std::size(starts); ++i) {
        const std::vector<std::uint8_t>& frame = frames[i % 2];
        const std::vector<std::uint8_t> renumbered = FlacFrameAt(frame.data(), frame.size(), starts[i]);
        ASSERT_FALSE(renumbered.empty()) << starts[i];
        EXPECT_EQ(FlacFrameSamples(renumbered.data(), renumbered.size()), i % 2 ? 1000u : 4096u);
        decoded.bytes.insert(decoded.bytes.end(), renumbered.begin(), renumbered.end());
    }
    EXPECT_TRUE(FlacFrameAt(frames[0].data(), frames[0].size(), 1ull << 36).empty()) << "past 36 bits";
    EXPECT_TRUE(FlacFrameAt(frames[0].data(), 5, 0).empty()) << "cut short";

    std::unique_ptr<FLAC__StreamDecoder, void (*)(FLAC__StreamDecoder*)> decoder(FLAC__stream_decoder_new(),
                                                                                 FLAC__stream_decoder_delete);
    ASSERT_EQ(FLAC__stream_decoder_init_stream(decoder.get(), ReadBytes, nullptr, nullptr, nullptr, nullptr, FrameDecoded,
                                               nullptr, DecodeError, &decoded),
              FLAC__STREAM_DECODER_INIT_STATUS_OK);
    ASSERT_TRUE(FLAC__stream_decoder_process_until_end_of_stream(decoder.get()));
    EXPECT_EQ(decoded.errors, 0);
    // The decoder fills the gaps between the numbers with frames of its own: ours
    // are among them, in order, each with its length.
    std::size_t found = 0;
    for (std::size_t i = 0; i < std::size(starts); ++i) {
        while (found < decoded.firstSamples.size() && decoded.firstSamples[found] != starts[i]) ++found;
        ASSERT_LT(found, decoded.firstSamples.size()) << "no frame at " << starts[i];
        EXPECT_EQ(decoded.blockSizes[found], i % 2 ? 1000u : 4096u) << starts[i];
    }
}

// The disk fills while the container is written, at every stage: the header, the
// frames, the STREAMINFO filled in at the end. The file fails each time.
TEST_F(FlacWriterTest, AFullDiskWhileTheContainerIsWrittenFailsTheFile)
{
    const std::vector<std::int16_t> samples = Bursts(40, 3000, 2000);
    const std::string path = (dir_ / "full.flac").string();
    std::uint64_t size = 0;
    {
        EncodedFileWriter writer;
        ASSERT_EQ(writer.Create(path, NativeFormat(), AudioContainer::Flac), S_OK);
        ASSERT_EQ(writer.Write(samples.data(), samples.size() * 2), S_OK);
        ASSERT_EQ(writer.Finish(), S_OK);
        size = std::filesystem::file_size(path);
    }
    const HRESULT diskFull = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    for (std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{20}, size / 2, size - 1, size, size + 34}) {
        SCOPED_TRACE("full after " + std::to_string(limit) + " of " + std::to_string(size) + " bytes");
        EncodedFileWriter writer;
        ASSERT_EQ(writer.Create(path, NativeFormat(), AudioContainer::Flac), S_OK);
        ASSERT_EQ(writer.Write(samples.data(), samples.size() * 2), S_OK);
        DiskFullFor full(path, limit);
        // The last limit leaves room for STREAMINFO's rewrite too: only it succeeds.
        EXPECT_EQ(writer.Finish(), limit < size + 34 ? diskFull : S_OK);
    }
}

}  // namespace
}  // namespace speech
