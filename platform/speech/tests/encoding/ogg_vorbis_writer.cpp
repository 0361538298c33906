// Ogg Vorbis as the engine writes it, read back page by page (libogg) and decoded
// packet by packet (libvorbis): every page's granule position is the number of
// samples decoded by its end, the last one the file's end, which FFmpeg's length
// and duration then match exactly. And every format the container takes codes
// on blocks of one size, the fixed grid the joins rely on.
#include "engine_file.h"
#include "join_measure.h"

#include "../speech_test_support.h"
#include "encoding/piece_encoder.h"
#include "encoding/vorbis_codec.h"
#include "encoding/vorbis_encoder.h"

#include <scratch_dir.h>

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace speech {
namespace {

using namespace encoding_test;

struct Page {
    std::int64_t granule;
    bool first, last;
    int packets;                 // packets that end on the page
    std::uint64_t decodedByEnd;  // samples libvorbis has decoded once they are in
};

// The file's pages, with what a decoder makes of the packets up to each one's end.
std::vector<Page> ReadPages(const std::string& path, int* headers)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), buffer);
    ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));
    ogg_stream_state stream;
    vorbis_info info;
    vorbis_comment comment;
    vorbis_info_init(&info);
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp{};
    vorbis_block block{};
    bool decoding = false;
    std::uint64_t decoded = 0;
    std::vector<Page> pages;
    *headers = 0;
    ogg_page page;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        if (ogg_page_bos(&page)) ogg_stream_init(&stream, ogg_page_serialno(&page));
        ogg_stream_pagein(&stream, &page);
        Page read{ogg_page_granulepos(&page), ogg_page_bos(&page) != 0, ogg_page_eos(&page) != 0, 0, 0};
        ogg_packet packet;
        while (ogg_stream_packetout(&stream, &packet) == 1) {
            ++read.packets;
            if (*headers < 3) {
                EXPECT_EQ(vorbis_synthesis_headerin(&info, &comment, &packet), 0);
                if (++*headers == 3) {
                    vorbis_synthesis_init(&dsp, &info);
                    vorbis_block_init(&dsp, &block);
                    decoding = true;
                }
                continue;
            }
            if (vorbis_synthesis(&block, &packet) == 0) vorbis_synthesis_blockin(&dsp, &block);
            float** pcm = nullptr;
            for (int got; (got = vorbis_synthesis_pcmout(&dsp, &pcm)) > 0;) {
                decoded += static_cast<std::uint64_t>(got);
                vorbis_synthesis_read(&dsp, got);
            }
        }
        read.decodedByEnd = decoded;
        pages.push_back(read);
    }
    if (decoding) {
        vorbis_block_clear(&block);
        vorbis_dsp_clear(&dsp);
    }
    if (!pages.empty()) ogg_stream_clear(&stream);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    ogg_sync_clear(&sync);
    return pages;
}

class OggVorbisWriterTest : public speech_test::ComTest {
protected:
    testing_support::ScratchDir dir_;
};

TEST_F(OggVorbisWriterTest, GranulePositionsCountTheDecodedSamplesToTheFilesEnd)
{
    constexpr std::size_t kFrame = 512;
    std::vector<std::int16_t> spoken = speech_test::Render(speech_test::NewVoice(), speech_test::kSentence);
    for (int i = 0; i < 2; ++i) spoken.insert(spoken.end(), spoken.begin(), spoken.end());
    // Loud to the end: the piece is padded with silence to whole frames.
    spoken.resize(spoken.size() / kFrame * kFrame + 100);
    std::fill(spoken.end() - 100, spoken.end(), std::int16_t{2000});
    const std::string path = (dir_ / "speech.ogg").string();
    ASSERT_EQ(WriteFile(path, AudioContainer::Vorbis, NativeFormat(), spoken, {"Title", "", "Album", "3"}), S_OK);

    int headers = 0;
    const std::vector<Page> pages = ReadPages(path, &headers);
    ASSERT_EQ(headers, 3);
    ASSERT_GT(pages.size(), 6u);
    EXPECT_TRUE(pages.front().first);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(pages[i].packets, 1) << "each header has a page of its own";
        EXPECT_EQ(pages[i].granule, 0);
    }
    const std::size_t end = spoken.size() / kFrame * kFrame + kFrame;
    for (std::size_t i = 3; i + 1 < pages.size(); ++i) {
        EXPECT_FALSE(pages[i].last);
        if (pages[i].packets > 0) {
            EXPECT_EQ(static_cast<std::uint64_t>(pages[i].granule), pages[i].decodedByEnd) << "page " << i;
        }
    }
    EXPECT_TRUE(pages.back().last);
    EXPECT_EQ(pages.back().decodedByEnd, end);
    EXPECT_EQ(static_cast<std::uint64_t>(pages.back().granule), end);

    // FFmpeg agrees: that many samples, that long, from 0, with the tags.
    std::optional<std::vector<std::int16_t>> decoded = Decoded(path);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), end);
    std::optional<Probed> probed = Probe(path);
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->codec, "vorbis");
    EXPECT_EQ(probed->tags["album"], "Album");
    EXPECT_NEAR(probed->duration * 22050, double(end), 22050 * 1e-6);
    EXPECT_EQ(ProbeEntries(path, "format=start_time")["format.start_time"], "0.000000");
    // Vorbis has no priming to skip: the samples line up as they were written.
    const JoinMeasure measure = MeasureJoin(spoken, *decoded, 22050 / 4, 2 * kFrame);
    EXPECT_GT(measure.stretches, 8u);
    EXPECT_EQ(measure.largestShift, 0);
    EXPECT_GT(measure.worstMatch, 0.8);
}

TEST_F(OggVorbisWriterTest, EveryFormatTheContainerTakesCodesOnBlocksOfOneSize)
{
    for (std::uint16_t channels : {1, 2})
        for (std::uint32_t rate : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u}) {
            WAVEFORMATEX format = NativeFormat();
            format.nChannels = channels;
            format.nSamplesPerSec = rate;
            format.nBlockAlign = static_cast<WORD>(2 * channels);
            format.nAvgBytesPerSec = rate * format.nBlockAlign;
            EXPECT_TRUE(CanEncode(AudioContainer::Vorbis, format)) << rate;
            const std::uint32_t coded = VorbisCodingRate(rate);
            EXPECT_EQ(TimelineRate(AudioContainer::Vorbis, rate), coded);
            EXPECT_LE(coded, 24000u);
            std::unique_ptr<VorbisEncoder> encoder = VorbisEncoder::Create(coded, channels);
            ASSERT_NE(encoder, nullptr) << rate << " Hz, " << channels << " channels";
            EXPECT_EQ(encoder->BlockSize(), coded < 16000 ? 512u : 1024u);
        }
    WAVEFORMATEX format = NativeFormat();
    for (std::uint32_t rate : {7999u, 48001u, 96000u}) {
        format.nSamplesPerSec = rate;
        EXPECT_FALSE(CanEncode(AudioContainer::Vorbis, format)) << rate;
    }
}

// Above 24 kHz the file is coded at half the rate: it lasts as long, and sounds the same.
TEST_F(OggVorbisWriterTest, StereoAt44100HzIsCodedAt22050Hz)
{
    const std::vector<std::int16_t> spoken = speech_test::Render(speech_test::NewVoice(), speech_test::kSentence);
    std::vector<std::int16_t> stereo;  // each sample twice in time, left and right alike
    for (std::int16_t sample : spoken) stereo.insert(stereo.end(), {sample, sample, sample, sample});
    WAVEFORMATEX format = NativeFormat();
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 44100 * 4;
    const std::string path = (dir_ / "stereo.ogg").string();
    ASSERT_EQ(WriteFile(path, AudioContainer::Vorbis, format, stereo), S_OK);

    std::map<std::string, std::string> stream = ProbeEntries(path, "stream=sample_rate,channels");
    EXPECT_EQ(stream["streams.stream.0.sample_rate"], "22050");
    EXPECT_EQ(stream["streams.stream.0.channels"], "2");
    std::optional<std::vector<std::int16_t>> decoded = Decoded(path);  // mono at 22050 Hz
    ASSERT_TRUE(decoded);
    EXPECT_NEAR(double(decoded->size()), double(spoken.size()), 512);
    const JoinMeasure measure = MeasureJoin(spoken, *decoded, 22050 / 4, 1024);
    EXPECT_GT(measure.stretches, 4u);
    EXPECT_LE(measure.largestShift, 2);
    EXPECT_GT(measure.worstMatch, 0.8);
}

}  // namespace
}  // namespace speech
