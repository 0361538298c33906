// AAC in MP4 as the engine writes it, judged by FFmpeg: each kind with its brand,
// tags and chapters, the priming cut by the edit list so that the audio starts
// at 0, lines up with its samples and lasts exactly as long as they do; and a
// disk that fills at any write into the file fails the file.
#include "engine_file.h"
#include "join_measure.h"

#include "../speech_test_support.h"

#include <scratch_dir.h>
#include <varnel/syscalls.h>
#include <winbase.h>

#include <cerrno>
#include <sys/stat.h>

namespace speech {
namespace {

using namespace encoding_test;

constexpr std::size_t kFrame = 1024;

class Mp4WriterTest : public speech_test::ComTest {
protected:
    // A sentence, then silence up to 300 samples past whole frames: the writer cuts
    // those (less than half a frame, all silent), so the file lasts whole frames.
    static const std::vector<std::int16_t>& Speech()
    {
        static const std::vector<std::int16_t> speech = [] {
            std::vector<std::int16_t> spoken = speech_test::Render(speech_test::NewVoice(), speech_test::kSentence);
            return PaddedTo(spoken, (spoken.size() / kFrame + 1) * kFrame + 300);
        }();
        return speech;
    }
    static std::size_t Kept() { return Speech().size() / kFrame * kFrame; }

    testing_support::ScratchDir dir_;
    WAVEFORMATEX format_ = NativeFormat();
};

TEST_F(Mp4WriterTest, EachKindHasItsBrandTagsChaptersAndTheExactLengthOfItsSamples)
{
    const std::size_t second = 22050;
    ASSERT_GT(Speech().size(), 2 * second);
    const AudioTags tags{"The Lighthouse", "A. Keeper", "Tales of the Coast", "7"};
    for (const auto& [container, name, brand] : {std::tuple{AudioContainer::M4a, "speech.m4a", "M4A "},
                                                 std::tuple{AudioContainer::M4b, "speech.m4b", "M4B "}}) {
        const std::string path = (dir_ / name).string();
        ASSERT_EQ(WriteFile(path, container, format_, Speech(), tags, {{0, "Start"}, {second, "Later"}}), S_OK);
        std::optional<Probed> probed = Probe(path);
        ASSERT_TRUE(probed) << name;
        EXPECT_EQ(probed->brand, brand);
        EXPECT_EQ(probed->codec, "aac");
        EXPECT_EQ(probed->tags["title"], tags.title);
        EXPECT_EQ(probed->tags["artist"], tags.artist);
        EXPECT_EQ(probed->tags["album"], tags.album);
        EXPECT_EQ(probed->tags["track"], tags.track);
        // Chapters begin at the first sound after their mark, to the sample (the
        // chapter track counts at the sample rate); the first one at the start.
        ASSERT_EQ(probed->chapters.size(), 2u);
        EXPECT_EQ(probed->chapters[1].title, "Later");
        EXPECT_EQ(probed->chapters[0].start, 0.0);
        EXPECT_NEAR(probed->chapters[1].start * 22050, double(FirstSound(Speech(), second, kSilenceLevel)), 0.5);
        EXPECT_NEAR(probed->chapters[1].end * 22050, double(Kept()), 0.5);

        std::map<std::string, std::string> stream =
            ProbeEntries(path, "stream=start_pts,duration_ts,sample_rate,channels:format=start_time");
        EXPECT_EQ(stream["streams.stream.0.start_pts"], "0");
        EXPECT_EQ(stream["format.start_time"], "0.000000");
        EXPECT_EQ(stream["streams.stream.0.duration_ts"], std::to_string(Kept()));
        EXPECT_EQ(stream["streams.stream.0.sample_rate"], "22050");
        EXPECT_EQ(stream["streams.stream.0.channels"], "1");
        EXPECT_NEAR(probed->duration * 22050, double(Kept()), 22050 * 1e-6);

        // The priming is gone: the decoded samples line up with the written ones.
        std::optional<std::vector<std::int16_t>> decoded = Decoded(path);
        ASSERT_TRUE(decoded);
        EXPECT_GE(decoded->size(), Kept());
        const JoinMeasure measure = MeasureJoin(Speech(), *decoded, 22050 / 4, 2 * kFrame);
        EXPECT_GT(measure.stretches, 4u);
        EXPECT_EQ(measure.largestShift, 0) << name;
        EXPECT_GT(measure.worstMatch, 0.8) << name;
    }
}

// Writes into one file only (the MP4's, not the packet log's), counted, and the
// one numbered `failAt` failing as on a full disk.
struct FileWrites {
    static inline ino_t inode = 0;
    static inline int count = 0, failAt = -1;
    static ssize_t Write(int fd, const void* data, size_t size)
    {
        struct stat info {};
        if (fstat(fd, &info) == 0 && info.st_ino == inode && count++ == failAt) {
            errno = ENOSPC;
            return -1;
        }
        return win32::sys::RealCalls().write(fd, data, size);
    }
};

// The container is written at the end, from the packet log: its first write, the
// sizes patched into its start, the index after the audio. Whichever fails, the
// file fails with the disk's error.
TEST_F(Mp4WriterTest, AFullDiskAtAnyWriteIntoTheFileFailsIt)
{
    const std::string path = (dir_ / "full.m4a").string();
    const std::vector<std::int16_t> longer = [] {
        std::vector<std::int16_t> samples;
        for (int i = 0; i < 8; ++i) samples.insert(samples.end(), Speech().begin(), Speech().end());
        return samples;
    }();
    auto finishWithWrites = [&](int failAt) {
        EncodedFileWriter writer;
        EXPECT_EQ(writer.Create(path, format_, AudioContainer::M4a), S_OK);
        EXPECT_EQ(WriteSamples(writer, format_, longer, {{0, "One"}}), S_OK);
        struct stat info {};
        EXPECT_EQ(stat(path.c_str(), &info), 0);
        FileWrites::inode = info.st_ino;
        FileWrites::count = 0;
        FileWrites::failAt = failAt;
        win32::sys::Table calls = win32::sys::RealCalls();
        calls.write = &FileWrites::Write;
        win32::sys::ScopedOverride counted(calls);
        return writer.Finish();
    };
    ASSERT_EQ(finishWithWrites(-1), S_OK);
    const int writes = FileWrites::count;
    ASSERT_GE(writes, 3) << "the audio, the patched sizes and the index at least";
    for (int failAt = 0; failAt < writes; ++failAt)
        EXPECT_EQ(finishWithWrites(failAt), HRESULT_FROM_WIN32(ERROR_DISK_FULL)) << "write " << failAt << " of " << writes;
}

}  // namespace
}  // namespace speech
