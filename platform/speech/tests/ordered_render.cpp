#include "ordered_render.h"

#include "wav_file_writer.h"

#include <atlbase.h>
#include <sapi.h>

#include <scratch_dir.h>
#include <winbase.h>
#include <varnel/com_object.h>
#include <varnel/syscalls.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace speech {
namespace {

constexpr std::size_t kAudioBytes = 200 * 1024;  // per piece

// Workers that are threads of this process: each writes its piece's letter
// kAudioBytes times into the piece's file once the test lets it go, then tells
// that it is done and reports what it was told to (or why its writing failed).
class FakeWorkers final : public WorkerLauncher {
public:
    HRESULT Start(const RenderJob& job, int audio, std::unique_ptr<PieceWorker>& worker) override;

    void Release(std::size_t piece, HRESULT result = S_OK)
    {
        std::lock_guard lock(mutex_);
        pieces_[piece].released = true;
        pieces_[piece].result = result;
        changed_.notify_all();
    }
    void AwaitFinished(std::size_t piece)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return pieces_[piece].finished; });
    }
    void AwaitStarted(std::size_t count)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return pieces_.size() >= count; });
    }
    bool Abandoned(std::size_t piece)
    {
        std::lock_guard lock(mutex_);
        return pieces_[piece].abandoned;
    }

private:
    friend class FakeWorker;
    struct Piece {
        bool released = false, finished = false, abandoned = false;
        HRESULT result = S_OK;
    };

    // The worker's thread: the piece's audio into its own descriptor of the file,
    // then word on `done`.
    void Work(std::size_t piece, char letter, win32::sys::UniqueFd audio, win32::sys::UniqueFd done)
    {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return pieces_[piece].released || pieces_[piece].abandoned; });
            if (pieces_[piece].abandoned) return;
        }
        std::string bytes(kAudioBytes, letter);
        HRESULT written = S_OK;
        if (win32::sys::WriteAll(audio.get(), bytes.data(), bytes.size()) != 0) written = HresultFromErrno(errno);
        audio.Reset();
        std::lock_guard lock(mutex_);
        pieces_[piece].finished = true;
        if (FAILED(written)) pieces_[piece].result = written;
        changed_.notify_all();
        done.Reset();  // the end of data is the word
    }
    HRESULT Abandon(std::size_t piece)
    {
        std::lock_guard lock(mutex_);
        pieces_[piece].abandoned = !pieces_[piece].finished;
        changed_.notify_all();
        return pieces_[piece].result;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::size_t, Piece> pieces_;

public:
    std::vector<RenderJob> jobs;  // as they were started
};

class FakeWorker final : public PieceWorker {
public:
    FakeWorker(FakeWorkers& owner, std::size_t piece, char letter, int audio) : owner_(owner), piece_(piece)
    {
        int ends[2];
        EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
        done_ = win32::sys::UniqueFd(ends[0]);
        thread_ = std::thread(&FakeWorkers::Work, &owner, piece, letter, win32::sys::UniqueFd(dup(audio)),
                              win32::sys::UniqueFd(ends[1]));
    }
    ~FakeWorker() override
    {
        owner_.Abandon(piece_);
        thread_.join();
    }
    int DoneDescriptor() const override { return done_.get(); }
    HRESULT Finish() override
    {
        thread_.join();
        thread_ = std::thread([] {});
        return owner_.Abandon(piece_);
    }

private:
    FakeWorkers& owner_;
    std::size_t piece_;
    win32::sys::UniqueFd done_;
    std::thread thread_;
};

HRESULT FakeWorkers::Start(const RenderJob& job, int audio, std::unique_ptr<PieceWorker>& worker)
{
    std::size_t piece;
    {
        std::lock_guard lock(mutex_);
        jobs.push_back(job);
    }
    {
        std::lock_guard lock(mutex_);
        piece = pieces_.size();
        pieces_[piece];
        changed_.notify_all();
    }
    worker = std::make_unique<FakeWorker>(*this, piece, job.text.at(0), audio);
    return S_OK;
}

// An output whose scratch files are unnamed files in a folder of the test's, and
// which keeps what is appended to it in memory.
class FakeOutput final : public ComObject<IEngineFileOutput> {
public:
    STDMETHOD(CreateScratchFile)(int* fd) override
    {
        ++created;
        *fd = win32::sys::Open(dir.path().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        return *fd >= 0 ? S_OK : E_FAIL;
    }
    STDMETHOD(AppendScratchFile)(int fd) override
    {
        if (FAILED(appendResult)) return appendResult;
        char chunk[64 * 1024];
        std::lock_guard lock(mutex_);
        for (off_t at = 0;;) {
            ssize_t got = pread(fd, chunk, sizeof chunk, at);
            if (got < 0) return E_FAIL;
            if (got == 0) break;
            appended.append(chunk, static_cast<std::size_t>(got));
            at += got;
        }
        grew_.notify_all();
        return S_OK;
    }
    STDMETHOD(StartSync)() override
    {
        std::lock_guard lock(mutex_);
        syncsAskedAt.push_back(appended.size());
        return S_OK;
    }
    STDMETHOD(GetPieceFormat)(PieceFormat* format) override
    {
        *format = PieceFormat{};
        return S_OK;
    }
    STDMETHOD(TakeChapterStarts)(std::vector<ULONG>* starts) override
    {
        starts->clear();
        return S_OK;
    }
    STDMETHOD(StartChapter)() override
    {
        std::lock_guard lock(mutex_);
        chaptersStartedAt.push_back(appended.size());
        return S_OK;
    }
    void AwaitAppended(std::size_t bytes)
    {
        std::unique_lock lock(mutex_);
        grew_.wait(lock, [&] { return appended.size() >= bytes; });
    }
    testing_support::ScratchDir dir;
    int created = 0;
    std::string appended;
    HRESULT appendResult = S_OK;
    std::vector<std::size_t> syncsAskedAt;  // the audio appended by then, per request
    std::vector<std::size_t> chaptersStartedAt;  // likewise

private:
    std::mutex mutex_;
    std::condition_variable grew_;
};

class OrderedRenderTest : public ::testing::Test {
protected:
    OrderedRenderTest() { output_.Attach(new FakeOutput); }

    // Pieces "AAAA", "BBBB", ... rendered on as many workers as pieces, on a thread.
    void StartRender(std::size_t pieces)
    {
        for (std::size_t i = 0; i < pieces; ++i) {
            text_ += std::string(4, static_cast<char>('A' + i));
            layout_.spans.push_back({i * 4, 4});
        }
        layout_.text = text_;
        limits_.workers = static_cast<unsigned>(pieces);
        thread_ = std::thread([this] {
            result_ = RenderInOrder(layout_, workers_, limits_, output_, cancel_,
                                    [this](std::size_t piece) { written_.push_back(piece); });
        });
        workers_.AwaitStarted(pieces);
    }
    HRESULT Finish()
    {
        thread_.join();
        return result_;
    }

    FakeWorkers workers_;
    CComPtr<FakeOutput> output_;
    std::string text_;
    PieceLayout layout_;
    OrderedRenderLimits limits_;
    CancelToken cancel_;
    std::vector<std::size_t> written_;
    HRESULT result_ = E_UNEXPECTED;
    std::thread thread_;
};

TEST_F(OrderedRenderTest, PiecesComeOutInTextOrderWhateverOrderTheWorkersFinishIn)
{
    StartRender(4);
    for (std::size_t piece : {2, 3, 1}) {  // piece 0, the one due, is the slowest
        workers_.Release(piece);
        workers_.AwaitFinished(piece);
    }
    EXPECT_EQ(output_->appended, "") << "nothing goes out before the piece due";
    workers_.Release(0);
    ASSERT_EQ(Finish(), S_OK);
    EXPECT_EQ(output_->appended, std::string(kAudioBytes, 'A') + std::string(kAudioBytes, 'B') +
                                     std::string(kAudioBytes, 'C') + std::string(kAudioBytes, 'D'));
    EXPECT_EQ(written_, (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(output_->created, 4);  // a file per piece
}

TEST_F(OrderedRenderTest, WhileTheLastPieceRendersTheOutputIsAskedToSyncWhatItHolds)
{
    StartRender(3);
    workers_.Release(1);
    workers_.Release(0);
    output_->AwaitAppended(2 * kAudioBytes);  // the render asks before it looks for piece 2 again
    workers_.Release(2);
    ASSERT_EQ(Finish(), S_OK);
    EXPECT_EQ(output_->syncsAskedAt, (std::vector<std::size_t>{2 * kAudioBytes})) << "once, before the last piece";
}

TEST_F(OrderedRenderTest, AFailingWorkerFailsTheWholeRenderAndStopsTheOthers)
{
    StartRender(3);
    workers_.Release(1, SPERR_ENGINE_FAILED);
    EXPECT_EQ(Finish(), SPERR_ENGINE_FAILED);
    EXPECT_EQ(output_->appended, "");
    EXPECT_TRUE(written_.empty());
    EXPECT_TRUE(workers_.Abandoned(0));
    EXPECT_TRUE(workers_.Abandoned(2));
}

ssize_t NoSpace(int, const void*, size_t)
{
    errno = ENOSPC;
    return -1;
}

TEST_F(OrderedRenderTest, AFullDiskUnderAWorkerFailsTheRenderWithItsReason)
{
    win32::sys::Table table = win32::sys::RealCalls();
    table.write = NoSpace;
    win32::sys::ScopedOverride full(table);
    StartRender(2);
    workers_.Release(1);
    EXPECT_EQ(Finish(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_TRUE(workers_.Abandoned(0));
    EXPECT_EQ(output_->appended, "");
}

TEST_F(OrderedRenderTest, AFailedAppendFailsTheRenderAndStopsTheOthers)
{
    output_->appendResult = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    StartRender(2);
    workers_.Release(0);
    EXPECT_EQ(Finish(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_TRUE(written_.empty());
    EXPECT_TRUE(workers_.Abandoned(1));
}

TEST_F(OrderedRenderTest, CancellingStopsTheWorkersAndWritesNothingMore)
{
    StartRender(2);
    workers_.Release(1);
    workers_.AwaitFinished(1);
    cancel_.Cancel();
    EXPECT_EQ(Finish(), S_OK);
    EXPECT_TRUE(workers_.Abandoned(0));
    EXPECT_EQ(output_->appended, "");
}

TEST_F(OrderedRenderTest, ChaptersStartBeforeTheirFirstPieceAndEncodedPiecesKnowTheirNeighbours)
{
    layout_.base.container = AudioContainer::Opus;
    layout_.startsFile = true;
    layout_.chapterPieces = {0, 2, 2};  // the third chapter starts where the second does
    StartRender(3);
    for (std::size_t piece : {2, 1, 0}) workers_.Release(piece);
    ASSERT_EQ(Finish(), S_OK);
    EXPECT_EQ(output_->chaptersStartedAt, (std::vector<std::size_t>{0, 2 * kAudioBytes, 2 * kAudioBytes}));

    ASSERT_EQ(workers_.jobs.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const RenderJob& job = workers_.jobs[i];
        EXPECT_EQ(job.startsFile, i == 0);
        EXPECT_EQ(job.hasPrevious, i > 0);
        EXPECT_EQ(job.hasNext, i < 2);
        EXPECT_EQ(job.nextText, i < 2 ? std::string(4, static_cast<char>('B' + i)) : "");
    }
}

}  // namespace
}  // namespace speech
