#include <varnel/syscalls.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <scratch_dir.h>

#include "fault_injector.h"
#include "test_files.h"

using win32_test::FaultInjector;

namespace {

int OpenForWriting(const std::filesystem::path& path)
{
    return win32::sys::Open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
}

TEST(Syscalls, OverridesNestAndRestoreTheRealTable)
{
    EXPECT_EQ(&win32::sys::Calls(), &win32::sys::RealCalls());
    {
        FaultInjector outer;
        const auto* outerTable = &win32::sys::Calls();
        EXPECT_NE(outerTable, &win32::sys::RealCalls());
        {
            win32::sys::ScopedOverride inner(win32::sys::RealCalls());
            EXPECT_NE(&win32::sys::Calls(), outerTable);
        }
        EXPECT_EQ(&win32::sys::Calls(), outerTable);
    }
    EXPECT_EQ(&win32::sys::Calls(), &win32::sys::RealCalls());
}

TEST(Syscalls, WriteAllRetriesInterruptionsAndShortWrites)
{
    testing_support::ScratchDir dir;
    FaultInjector faults;
    faults.Interrupt(3);
    faults.LimitWrites(7);
    win32::sys::UniqueFd fd(OpenForWriting(dir / "out"));
    ASSERT_TRUE(fd);
    std::string data(100, 'x');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);

    EXPECT_EQ(win32::sys::WriteAll(fd.get(), data.data(), data.size()), 0);
    EXPECT_EQ(FaultInjector::InterruptsDelivered(), 3);
    EXPECT_EQ(FaultInjector::Writes(), 15);  // ceil(100 / 7)
    EXPECT_EQ(fd.Reset(), 0);
    EXPECT_EQ(win32_test::ReadBytes(dir / "out"), data);
}

TEST(Syscalls, WriteAllReportsDiskFullAfterPartialProgress)
{
    testing_support::ScratchDir dir;
    FaultInjector faults;
    faults.LimitWrites(10);
    faults.FailWrites(ENOSPC, 2);
    win32::sys::UniqueFd fd(OpenForWriting(dir / "out"));
    std::string data(50, 'y');
    errno = 0;
    EXPECT_EQ(win32::sys::WriteAll(fd.get(), data.data(), data.size()), -1);
    EXPECT_EQ(errno, ENOSPC);
    fd.Reset();
    EXPECT_EQ(win32_test::ReadBytes(dir / "out"), std::string(20, 'y'));
}

TEST(Syscalls, ReadAndOpenRetryInterruptions)
{
    testing_support::ScratchDir dir;
    win32_test::WriteBytes(dir / "in", "hello world");
    FaultInjector faults;
    faults.Interrupt(2);
    faults.LimitReads(4);
    std::string contents;
    ASSERT_TRUE(win32::sys::ReadWholeFile((dir / "in").c_str(), contents));
    EXPECT_EQ(contents, "hello world");
    EXPECT_EQ(FaultInjector::InterruptsDelivered(), 2);
}

TEST(Syscalls, ReadFailuresKeepTheirErrno)
{
    testing_support::ScratchDir dir;
    std::string contents;
    errno = 0;
    EXPECT_FALSE(win32::sys::ReadWholeFile((dir / "missing").c_str(), contents));
    EXPECT_EQ(errno, ENOENT);

    win32_test::WriteBytes(dir / "in", "data");
    FaultInjector faults;
    faults.FailRead(EIO);
    errno = 0;
    EXPECT_FALSE(win32::sys::ReadWholeFile((dir / "in").c_str(), contents));
    EXPECT_EQ(errno, EIO);
}

// CopyAll: a source file with a header to skip, appended after what the target holds.
class CopyAllTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (std::size_t i = 0; i < 300000; ++i) body_ += static_cast<char>('a' + i % 23);
        Prepare();
    }
    // A fresh source and a target that already holds a few bytes.
    void Prepare()
    {
        win32_test::WriteBytes(dir_ / "from", "HEADER" + body_ + "TRAILER");
        from_ = win32::sys::UniqueFd(win32::sys::Open((dir_ / "from").c_str(), O_RDONLY));
        to_ = win32::sys::UniqueFd(OpenForWriting(dir_ / "to"));
        ASSERT_TRUE(from_ && to_);
        ASSERT_EQ(win32::sys::WriteAll(to_.get(), "kept", 4), 0);
    }
    int Copy() { return win32::sys::CopyAll(from_.get(), 6, to_.get(), body_.size()); }
    std::string Target()
    {
        to_.Reset();
        return win32_test::ReadBytes(dir_ / "to");
    }

    testing_support::ScratchDir dir_;
    std::string body_;
    win32::sys::UniqueFd from_, to_;
};

TEST_F(CopyAllTest, CopiesTheRangeInsideTheKernelAndRetriesInterruptions)
{
    static int calls, interrupts;
    calls = 0;
    interrupts = 2;
    win32::sys::Table table = win32::sys::RealCalls();
    table.copyFileRange = [](int from, off_t* fromAt, int to, off_t* toAt, size_t size, unsigned flags) -> ssize_t {
        ++calls;
        if (interrupts-- > 0) {
            errno = EINTR;
            return -1;
        }
        // Short copies, as the kernel may make them.
        return win32::sys::RealCalls().copyFileRange(from, fromAt, to, toAt, std::min<size_t>(size, 100000), flags);
    };
    table.pread = [](int, void*, size_t, off_t) -> ssize_t {
        ADD_FAILURE() << "no copy through memory when the kernel copies";
        errno = EIO;
        return -1;
    };
    win32::sys::ScopedOverride override(table);
    EXPECT_EQ(Copy(), 0);
    EXPECT_EQ(calls, 2 + 3);
    EXPECT_EQ(Target(), "kept" + body_);
}

TEST_F(CopyAllTest, FileSystemsThatCannotCopyInTheKernelCopyThroughMemory)
{
    for (int error : {EXDEV, ENOSYS, EOPNOTSUPP, EINVAL}) {
        static int refusal;
        refusal = error;
        Prepare();
        win32::sys::Table table = win32::sys::RealCalls();
        table.copyFileRange = [](int, off_t*, int, off_t*, size_t, unsigned) -> ssize_t {
            errno = refusal;
            return -1;
        };
        win32::sys::ScopedOverride override(table);
        EXPECT_EQ(Copy(), 0) << error;
        EXPECT_EQ(Target(), "kept" + body_) << error;
    }
}

// A kernel copy that always fails with `Error`.
template <int Error>
ssize_t CopyFails(int, off_t*, int, off_t*, size_t, unsigned)
{
    errno = Error;
    return -1;
}

TEST_F(CopyAllTest, AFullDiskAndAShortSourceAreErrors)
{
    {
        win32::sys::Table table = win32::sys::RealCalls();
        table.copyFileRange = CopyFails<ENOSPC>;
        win32::sys::ScopedOverride full(table);
        errno = 0;
        EXPECT_EQ(Copy(), -1);
        EXPECT_EQ(errno, ENOSPC);
    }
    errno = 0;
    EXPECT_EQ(win32::sys::CopyAll(from_.get(), 6, to_.get(), body_.size() + 100), -1);
    EXPECT_EQ(errno, ENODATA);

    FaultInjector faults;  // through memory, a failing write keeps its errno
    faults.FailWrites(ENOSPC, 0);
    win32::sys::Table table = win32::sys::Calls();
    table.copyFileRange = CopyFails<EXDEV>;
    win32::sys::ScopedOverride crossDevice(table);
    errno = 0;
    EXPECT_EQ(Copy(), -1);
    EXPECT_EQ(errno, ENOSPC);
}

}  // namespace

namespace {

TEST(Syscalls, StartWritebackAsksForTheRangeAndKeepsItsErrno)
{
    testing_support::ScratchDir dir;
    win32::sys::UniqueFd fd(OpenForWriting(dir / "out"));
    ASSERT_EQ(win32::sys::WriteAll(fd.get(), std::string(8192, 'w').data(), 8192), 0);
    EXPECT_EQ(win32::sys::StartWriteback(fd.get(), 0, 8192), 0);
    errno = 0;
    EXPECT_EQ(win32::sys::StartWriteback(-1, 0, 8192), -1);
    EXPECT_EQ(errno, EBADF);
}

}  // namespace

namespace {

TEST(Syscalls, AMemoryFileTakesBytesAndIsClosedOnExec)
{
    win32::sys::UniqueFd fd(win32::sys::MemoryFile("varnel-test"));
    ASSERT_TRUE(fd) << std::strerror(errno);
    ASSERT_EQ(win32::sys::WriteAll(fd.get(), "bytes", 5), 0);
    struct stat info;
    ASSERT_EQ(win32::sys::Fstat(fd.get(), &info), 0);
    EXPECT_EQ(info.st_size, 5);
    EXPECT_TRUE(fcntl(fd.get(), F_GETFD) & FD_CLOEXEC);
}

}  // namespace
