// MP3 files: the ID3v2.4 tag read back by two readers (FFmpeg, mutagen) with
// chapters past what one table of contents holds, the info frame's counts and
// gapless lengths at every MPEG version's rates, and a disk that fills up.
#include "written_file.h"

#include "wave_format.h"

#include <scratch_dir.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

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

// The ID3 frames mutagen finds: one line for each table of contents and chapter.
std::vector<std::string> Id3Frames(const std::string& path)
{
    const std::string script =
        "import sys, mutagen.id3 as m\n"
        "t = m.ID3(sys.argv[1])\n"
        "print('version', *t.version)\n"
        "for f in t.getall('CTOC'): print('CTOC', f.element_id, int(f.flags), *f.child_element_ids)\n"
        "for f in t.getall('CHAP'): print('CHAP', f.element_id, f.start_time, f.end_time, f.sub_frames['TIT2'].text[0])\n";
    std::optional<std::string> out = CommandOutput("/usr/bin/python3 -c \"" + script + "\" " + Quoted(path));
    std::vector<std::string> lines;
    std::istringstream in(out.value_or(""));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class Mp3WriterTest : public ::testing::Test {
protected:
    testing_support::ScratchDir dir_;
};

// 300 chapters: more than a table of contents names, so the top one names two
// tables that name the chapters, in order. Each chapter starts at its sound, to
// the millisecond; the file decodes to exactly its samples.
TEST_F(Mp3WriterTest, ATaggedBookOfManyChaptersReadsBackExactly)
{
    constexpr std::size_t kChapters = 300, kSilence = 1500, kTone = 1380;  // 2880: five frames each
    constexpr std::size_t kSound = kSilence + 1;  // the tone's first sample is 0
    const std::string path = (dir_ / "book.mp3").string();
    EncodedFileWriter writer;
    ASSERT_EQ(writer.Create(path, NativeFormat(), AudioContainer::Mp3), S_OK);
    writer.SetTags({"Der Leuchtturm \xE2\x80\x93 \xC3\x9C", "A. Keeper", "K\xC3\xBCstenb\xC3\xBC" "cher", "3/12"});
    const std::vector<std::int16_t> burst = Bursts(1, kSilence, kTone);
    for (std::size_t i = 0; i < kChapters; ++i) {
        writer.StartChapter("Kapitel " + std::to_string(i + 1) + " \xC3\xBC");
        ASSERT_EQ(writer.Write(burst.data(), burst.size() * 2), S_OK);
    }
    ASSERT_EQ(writer.Finish(), S_OK);
    const std::size_t samples = kChapters * burst.size();

    std::optional<Probed> probed = Probe(path);
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->format, "mp3");
    EXPECT_EQ(probed->tags["title"], "Der Leuchtturm \xE2\x80\x93 \xC3\x9C");
    EXPECT_EQ(probed->tags["artist"], "A. Keeper");
    EXPECT_EQ(probed->tags["album"], "K\xC3\xBCstenb\xC3\xBC" "cher");
    EXPECT_EQ(probed->tags["track"], "3/12");
    EXPECT_EQ(probed->tags["encoder"], "LAME3.100") << "FFmpeg names the encoder only when the info frame's CRC holds";
    // FFmpeg's duration counts every frame, the two of priming too (as in LAME's own files).
    EXPECT_NEAR(probed->duration * 22050, double(samples + 2 * 576), 0.5);
    std::optional<std::vector<std::int16_t>> decoded = Decoded(path);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), samples) << "the priming skipped and nothing dropped at the end";
    ASSERT_EQ(probed->chapters.size(), kChapters);
    auto ms = [](std::size_t at) { return std::floor(double(at) * 1000 / 22050) / 1000; };
    for (std::size_t i = 0; i < kChapters; ++i) {
        EXPECT_EQ(probed->chapters[i].title, "Kapitel " + std::to_string(i + 1) + " \xC3\xBC");
        EXPECT_NEAR(probed->chapters[i].start, ms(i * burst.size() + kSound), 1e-6);
        EXPECT_NEAR(probed->chapters[i].end, i + 1 < kChapters ? ms((i + 1) * burst.size() + kSound) : ms(samples), 1e-6);
    }
    // Where the decoder says the chapter starts, the tone does.
    const auto mark = static_cast<std::size_t>(probed->chapters[150].start * 22050);
    EXPECT_NEAR(double(FirstSound(*decoded, mark - 200, 1000)), double(150 * burst.size() + kSound), 30);

    std::vector<std::string> frames = Id3Frames(path);
    ASSERT_FALSE(frames.empty()) << "mutagen did not read the tag";
    EXPECT_EQ(frames[0], "version 2 4 0");
    std::string first = "CTOC toc1 1", second = "CTOC toc2 1";
    for (std::size_t i = 1; i <= kChapters; ++i) (i <= 255 ? first : second) += " chp" + std::to_string(i);
    std::map<std::string, int> tables;
    for (const std::string& line : frames) tables[line]++;
    EXPECT_EQ(tables["CTOC toc 3 toc1 toc2"], 1) << "the top-level, ordered table";
    EXPECT_EQ(tables[first], 1);
    EXPECT_EQ(tables[second], 1);
    const std::size_t lastStart = (kChapters - 1) * burst.size() + kSound;
    EXPECT_EQ(tables["CHAP chp300 " + std::to_string(lastStart * 1000 / 22050) + " " +
                     std::to_string(samples * 1000 / 22050) + " Kapitel 300 \xC3\xBC"],
              1);
}

// MPEG-1 (32 to 48 kHz), MPEG-2 (16 to 24 kHz) and MPEG-2.5 (8 to 12 kHz) frames,
// mono and joint stereo: each file decodes to its very length, lined up with its
// samples (a priming off by one sample would not match the tone). Without tags
// there is no ID3 tag: the file begins with its info frame.
TEST_F(Mp3WriterTest, EveryVersionsRatesDecodeGaplessInMonoAndStereo)
{
    for (const auto& [rate, channels] : {std::pair<std::uint32_t, std::uint16_t>{22050, 1}, {44100, 2}, {48000, 1},
                                         {32000, 2}, {16000, 2}, {11025, 1}, {8000, 1}}) {
        SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels");
        const std::size_t frame = rate >= 32000 ? 1152 : 576;
        const std::vector<std::int16_t> samples = Bursts(6, 20 * frame, 10 * frame, channels, 1000, rate);
        const std::string path = (dir_ / ("tone" + std::to_string(rate) + ".mp3")).string();
        EncodedFileWriter writer;
        ASSERT_EQ(writer.Create(path, Format(rate, channels), AudioContainer::Mp3), S_OK);
        ASSERT_EQ(writer.Write(samples.data(), samples.size() * 2), S_OK);
        ASSERT_EQ(writer.Finish(), S_OK);

        std::ifstream in(path, std::ios::binary);
        EXPECT_EQ(in.get(), 0xFF) << "no tag: the info frame comes first";
        std::optional<std::vector<std::int16_t>> decoded = DecodedAsIs(path);
        ASSERT_TRUE(decoded);
        ASSERT_EQ(decoded->size(), samples.size());
        double signal = 0, error = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            signal += double(samples[i]) * samples[i];
            error += (double(samples[i]) - (*decoded)[i]) * (double(samples[i]) - (*decoded)[i]);
        }
        // 22 dB or more as it is; a sample off would leave 17 dB at most (at 48 kHz).
        EXPECT_GT(10 * std::log10(signal / error), 18.0) << "the decoded tone is not where it was";
    }
}

// The disk fills while the container is written, at every stage: the tag, the
// frames, the info frame filled in at the end. The file fails each time.
TEST_F(Mp3WriterTest, AFullDiskWhileTheContainerIsWrittenFailsTheFile)
{
    const std::vector<std::int16_t> samples = Bursts(40, 3000, 2000);
    const std::string path = (dir_ / "full.mp3").string();
    std::uint64_t size = 0;
    auto write = [&](std::optional<std::uint64_t> limit) {
        EncodedFileWriter writer;
        EXPECT_EQ(writer.Create(path, NativeFormat(), AudioContainer::Mp3), S_OK);
        writer.SetTags({"Full", "", "", ""});
        writer.StartChapter("One");
        EXPECT_EQ(writer.Write(samples.data(), samples.size() * 2), S_OK);
        std::optional<DiskFullFor> full;
        if (limit) full.emplace(path, *limit);
        return writer.Finish();
    };
    ASSERT_EQ(write(std::nullopt), S_OK);
    size = std::filesystem::file_size(path);
    std::ifstream in(path, std::ios::binary);
    std::string head(10, '\0');
    in.read(head.data(), 10);
    auto byte = [&](int i) { return std::uint64_t{static_cast<unsigned char>(head[i])}; };
    const std::uint64_t tag = 10 + (byte(6) << 21 | byte(7) << 14 | byte(8) << 7 | byte(9));
    const HRESULT diskFull = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    for (std::uint64_t limit : {std::uint64_t{0}, tag / 2, tag + 100, size / 2, size - 1, size}) {
        SCOPED_TRACE("full after " + std::to_string(limit) + " of " + std::to_string(size) + " bytes");
        EXPECT_EQ(write(limit), diskFull);  // `size`: all is written but the info frame's rewrite
    }
    const std::size_t infoFrame = 182;  // at 22050 Hz mono: the smallest frame that holds it (56 kb/s)
    EXPECT_EQ(write(size + infoFrame - 1), diskFull);
    EXPECT_EQ(write(size + infoFrame), S_OK);
}

}  // namespace
}  // namespace speech
