#include "ordered_render.h"

#include "speech_test_support.h"

#include <scratch_dir.h>
#include <winbase.h>
#include <varnel/syscalls.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <thread>

#include <sys/socket.h>

namespace speech {
namespace {

using speech_test::MemoryStream;
using speech_test::NewMemoryStream;

constexpr std::size_t kAudioBytes = 200 * 1024;  // per piece: more than is held in memory
constexpr std::size_t kHeldMemory = 64 * 1024;

// Workers that are threads of this process: each writes its piece's letter
// kAudioBytes times, once the test lets it go, and then reports what it was told to.
class FakeWorkers final : public WorkerLauncher {
public:
    HRESULT Start(const RenderJob& job, std::unique_ptr<PieceWorker>& worker) override;

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

    // The worker's thread: the piece's audio, then the end of its data.
    void Work(std::size_t piece, char letter, win32::sys::UniqueFd socket)
    {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return pieces_[piece].released || pieces_[piece].abandoned; });
            if (pieces_[piece].abandoned) return;
        }
        std::string audio(kAudioBytes, letter);
        for (std::size_t at = 0; at < audio.size();) {
            ssize_t sent = send(socket.get(), audio.data() + at, audio.size() - at, MSG_NOSIGNAL);
            if (sent <= 0) break;
            at += static_cast<std::size_t>(sent);
        }
        socket.Reset();
        std::lock_guard lock(mutex_);
        pieces_[piece].finished = true;
        changed_.notify_all();
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
};

class FakeWorker final : public PieceWorker {
public:
    FakeWorker(FakeWorkers& owner, std::size_t piece, char letter) : owner_(owner), piece_(piece)
    {
        int ends[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        ours_ = win32::sys::UniqueFd(ends[0]);
        thread_ = std::thread(&FakeWorkers::Work, &owner, piece, letter, win32::sys::UniqueFd(ends[1]));
    }
    ~FakeWorker() override
    {
        owner_.Abandon(piece_);
        shutdown(ours_.get(), SHUT_RDWR);  // a write in progress ends
        thread_.join();
    }
    int OutputDescriptor() const override { return ours_.get(); }
    HRESULT Finish() override
    {
        thread_.join();
        thread_ = std::thread([] {});
        return owner_.Abandon(piece_);
    }

private:
    FakeWorkers& owner_;
    std::size_t piece_;
    win32::sys::UniqueFd ours_;
    std::thread thread_;
};

HRESULT FakeWorkers::Start(const RenderJob& job, std::unique_ptr<PieceWorker>& worker)
{
    std::size_t piece;
    {
        std::lock_guard lock(mutex_);
        piece = pieces_.size();
        pieces_[piece];
        changed_.notify_all();
    }
    worker = std::make_unique<FakeWorker>(*this, piece, job.text.at(0));
    return S_OK;
}

// Unnamed scratch files in a folder of the test's.
class ScratchFolder final : public ComObject<IEngineFileOutput> {
public:
    STDMETHOD(CreateScratchFile)(int* fd) override
    {
        ++created;
        *fd = win32::sys::Open(dir.path().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        return *fd >= 0 ? S_OK : E_FAIL;
    }
    testing_support::ScratchDir dir;
    int created = 0;
};

class OrderedRenderTest : public ::testing::Test {
protected:
    OrderedRenderTest()
    {
        scratch_.Attach(new ScratchFolder);
        output_ = NewMemoryStream();
    }

    // Pieces "AAAA", "BBBB", ... rendered on as many workers as pieces, on a thread.
    void StartRender(std::size_t pieces)
    {
        for (std::size_t i = 0; i < pieces; ++i) {
            text_ += std::string(4, static_cast<char>('A' + i));
            layout_.spans.push_back({i * 4, 4});
        }
        layout_.text = text_;
        limits_.workers = static_cast<unsigned>(pieces);
        limits_.heldMemoryBytes = kHeldMemory;
        thread_ = std::thread([this] {
            result_ = RenderInOrder(layout_, workers_, limits_, static_cast<ISpStreamFormat*>(output_), scratch_,
                                    cancel_, [this](std::size_t piece) { written_.push_back(piece); });
        });
        workers_.AwaitStarted(pieces);
    }
    HRESULT Finish()
    {
        thread_.join();
        return result_;
    }
    std::string Output()
    {
        auto bytes = output_->Bytes();
        return std::string(bytes.begin(), bytes.end());
    }

    FakeWorkers workers_;
    CComPtr<ScratchFolder> scratch_;
    CComPtr<MemoryStream> output_;
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
    workers_.Release(0);
    ASSERT_EQ(Finish(), S_OK);
    EXPECT_EQ(Output(), std::string(kAudioBytes, 'A') + std::string(kAudioBytes, 'B') + std::string(kAudioBytes, 'C') +
                            std::string(kAudioBytes, 'D'));
    EXPECT_EQ(written_, (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(scratch_->created, 3);  // the early pieces outgrew their memory
}

TEST_F(OrderedRenderTest, AFailingWorkerFailsTheWholeRenderAndStopsTheOthers)
{
    StartRender(3);
    workers_.Release(1, SPERR_ENGINE_FAILED);
    EXPECT_EQ(Finish(), SPERR_ENGINE_FAILED);
    EXPECT_EQ(Output(), "");
    EXPECT_TRUE(written_.empty());
    EXPECT_TRUE(workers_.Abandoned(0));
    EXPECT_TRUE(workers_.Abandoned(2));
}

ssize_t NoSpace(int, const void*, size_t)
{
    errno = ENOSPC;
    return -1;
}

TEST_F(OrderedRenderTest, AFullDiskWhileAPieceWaitsFailsTheRender)
{
    win32::sys::Table table = win32::sys::RealCalls();
    table.write = NoSpace;
    win32::sys::ScopedOverride full(table);
    StartRender(2);
    workers_.Release(1);
    EXPECT_EQ(Finish(), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_TRUE(workers_.Abandoned(0));
    EXPECT_EQ(Output(), "");
}

TEST_F(OrderedRenderTest, CancellingStopsTheWorkersAndWritesNothingMore)
{
    StartRender(2);
    workers_.Release(1);
    workers_.AwaitFinished(1);
    cancel_.Cancel();
    EXPECT_EQ(Finish(), S_OK);
    EXPECT_TRUE(workers_.Abandoned(0));
    EXPECT_EQ(Output(), "");
}

}  // namespace
}  // namespace speech
