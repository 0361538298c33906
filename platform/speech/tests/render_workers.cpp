#include "render_workers.h"

#include "wave_format.h"

#include <sapi.h>
#include <varnel/syscalls.h>

#include <gtest/gtest.h>

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

// Renders a piece on a worker of the launcher: its audio, and how it finished.
HRESULT RenderOn(WorkerLauncher& launcher, const RenderJob& job, std::string& audio)
{
    std::unique_ptr<PieceWorker> worker;
    if (HRESULT hr = launcher.Start(job, worker); FAILED(hr)) return hr;
    char buffer[64 * 1024];
    for (;;) {
        ssize_t got = win32::sys::Read(worker->OutputDescriptor(), buffer, sizeof buffer);
        if (got < 0) return E_FAIL;
        if (got == 0) break;
        audio.append(buffer, static_cast<std::size_t>(got));
    }
    return worker->Finish();
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
        std::unique_ptr<PieceWorker> abandoned;
        ASSERT_EQ(launcher->Start(kFirst, abandoned), S_OK);
        char byte;
        ASSERT_EQ(win32::sys::Read(abandoned->OutputDescriptor(), &byte, 1), 1);
    }  // given up while it renders
    std::string afterAbandoned;
    EXPECT_EQ(RenderOn(*launcher, kSecond, afterAbandoned), S_OK);
    EXPECT_EQ(afterAbandoned, expected);
}

}  // namespace
}  // namespace speech
