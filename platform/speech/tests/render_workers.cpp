#include "render_workers.h"

#include "wave_format.h"

#include <sapi.h>
#include <varnel/syscalls.h>

#include <gtest/gtest.h>
#include <scratch_dir.h>

#include <climits>

#include <sys/inotify.h>

namespace speech {
namespace {

RenderJob Job(std::string voice, std::string text)
{
    RenderJob job;
    job.voice = std::move(voice);
    job.format = NativeFormat();
    job.text = std::move(text);
    return job;
}

// A file in a folder of its own for a piece's audio.
struct AudioFile {
    AudioFile() : fd(win32::sys::Open((dir / "audio").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600)) {}
    std::string Bytes() const
    {
        std::string bytes;
        EXPECT_TRUE(win32::sys::ReadWholeFile((dir / "audio").c_str(), bytes));
        return bytes;
    }
    testing_support::ScratchDir dir;
    win32::sys::UniqueFd fd;
};

// Renders a piece on a worker of the launcher: its audio, and how it finished.
HRESULT RenderOn(WorkerLauncher& launcher, const RenderJob& job, std::string& audio)
{
    AudioFile file;
    std::unique_ptr<PieceWorker> worker;
    if (HRESULT hr = launcher.Start(job, file.fd.get(), worker); FAILED(hr)) return hr;
    HRESULT hr = worker->Finish();
    audio = file.Bytes();
    return hr;
}

// Latvian's breath noise comes from the C library's random numbers.
const RenderJob kFirst = Job("bat/lv", "Pirmais teikums par j\u016bru un k\u0101p\u0101m.");
const RenderJob kSecond = Job("bat/lv", "Otrais teikums par b\u0101ku, kas sp\u012bd nakt\u012b.");

TEST(ProcessWorkers, APieceSoundsTheSameWhateverTheWorkerRenderedBefore)
{
    std::unique_ptr<WorkerLauncher> fresh = ProcessWorkers(), warm = ProcessWorkers();
    ASSERT_TRUE(fresh && warm) << kWorkerProgram << " is built beside the tests";
    std::string alone, first, afterFirst;
    ASSERT_EQ(RenderOn(*fresh, kSecond, alone), S_OK);
    ASSERT_EQ(RenderOn(*warm, kFirst, first), S_OK);
    ASSERT_EQ(RenderOn(*warm, kSecond, afterFirst), S_OK);
    ASSERT_FALSE(alone.empty());
    EXPECT_NE(first, alone);
    EXPECT_EQ(afterFirst, alone);
}

TEST(ProcessWorkers, AFailedOrAbandonedPieceLeavesTheNextOneWhole)
{
    std::unique_ptr<WorkerLauncher> launcher = ProcessWorkers();
    ASSERT_TRUE(launcher);
    std::string expected;
    ASSERT_EQ(RenderOn(*launcher, kSecond, expected), S_OK);

    std::string failed;
    EXPECT_EQ(RenderOn(*launcher, Job("no-such-voice", "x"), failed), SPERR_ENGINE_FAILED);
    EXPECT_TRUE(failed.empty());
    std::string afterFailure;
    EXPECT_EQ(RenderOn(*launcher, kSecond, afterFailure), S_OK);
    EXPECT_EQ(afterFailure, expected);

    {
        AudioFile file;
        win32::sys::UniqueFd changes(inotify_init1(IN_CLOEXEC));
        ASSERT_GE(inotify_add_watch(changes.get(), file.dir.path().c_str(), IN_MODIFY), 0);
        std::unique_ptr<PieceWorker> abandoned;
        ASSERT_EQ(launcher->Start(kFirst, file.fd.get(), abandoned), S_OK);
        char event[sizeof(inotify_event) + NAME_MAX + 1];
        ASSERT_GT(win32::sys::Read(changes.get(), event, sizeof event), 0);  // its first audio
    }  // given up while it renders
    std::string afterAbandoned;
    EXPECT_EQ(RenderOn(*launcher, kSecond, afterAbandoned), S_OK);
    EXPECT_EQ(afterAbandoned, expected);
}

}  // namespace
}  // namespace speech
