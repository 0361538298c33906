#include <varnel/syscalls.h>

#include <cerrno>
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

}  // namespace
