#include <stdio.h>

#include <cerrno>
#include <string>

#include <crt_stream.h>
#include <windows.h>
#include <gtest/gtest.h>
#include <scratch_dir.h>

#include "fault_injector.h"
#include "test_files.h"

using win32_test::FaultInjector;
using win32_test::ReadBytes;
using win32_test::WriteBytes;

namespace {

class CrtIo : public ::testing::Test {
protected:
    std::string Path(const char* name = "file") const { return (dir_ / name).string(); }

    // Everything fgetc delivers until EOF.
    std::string ReadAll(const std::string& bytes, const char* mode)
    {
        WriteBytes(Path(), bytes);
        msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), mode);
        EXPECT_NE(file, nullptr);
        if (!file) return {};
        std::string out;
        for (int c; (c = msvcrt::fgetc(file)) != EOF;) out += static_cast<char>(c);
        EXPECT_EQ(msvcrt::feof(file), 1);
        EXPECT_EQ(msvcrt::ferror(file), 0);
        EXPECT_EQ(msvcrt::fclose(file), 0);
        return out;
    }

    std::string Written(const std::string& data, const char* mode)
    {
        msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), mode);
        EXPECT_NE(file, nullptr);
        if (!file) return {};
        EXPECT_EQ(msvcrt::fwrite(data.data(), 1, data.size(), file), data.size());
        EXPECT_EQ(msvcrt::fclose(file), 0);
        return ReadBytes(Path());
    }

    testing_support::ScratchDir dir_;
};

TEST_F(CrtIo, TextReadingJoinsCrLfAndKeepsLoneCr)
{
    EXPECT_EQ(ReadAll("a\r\nb\rc\n\r\r\nd", "r"), "a\nb\rc\n\r\nd");
    EXPECT_EQ(ReadAll("a\r\nb\rc\n", "rt"), "a\nb\rc\n");
    EXPECT_EQ(ReadAll("end\r", "r"), "end\r");
    EXPECT_EQ(ReadAll("", "r"), "");
}

TEST_F(CrtIo, TextReadingEndsAtCtrlZ)
{
    EXPECT_EQ(ReadAll("ab\x1A" "cd\r\n", "r"), "ab");
    EXPECT_EQ(ReadAll("a\r\x1A" "b", "r"), "a\r");
    EXPECT_EQ(ReadAll("\x1A", "r"), "");

    WriteBytes(Path(), "x\x1Ay");
    msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), "r");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(msvcrt::fgetc(file), 'x');
    EXPECT_EQ(msvcrt::fgetc(file), EOF);
    EXPECT_EQ(msvcrt::fgetc(file), EOF);  // the end stays the end
    EXPECT_EQ(msvcrt::feof(file), 1);
    msvcrt::fclose(file);
}

TEST_F(CrtIo, BinaryReadingIsUntouched)
{
    std::string bytes = "a\r\nb\r\x1A" "c\0d";
    bytes += '\0';
    EXPECT_EQ(ReadAll(bytes, "rb"), bytes);
}

TEST_F(CrtIo, CrAtTheEndOfAReadBuffer)
{
    std::string head(msvcrt::kStreamBufferSize - 1, 'x');
    EXPECT_EQ(ReadAll(head + "\r\ny", "r"), head + "\ny");
    EXPECT_EQ(ReadAll(head + "\rz", "r"), head + "\rz");
    EXPECT_EQ(ReadAll(head + "\r\x1A", "r"), head + "\r");
    EXPECT_EQ(ReadAll(head + "\r", "r"), head + "\r");
}

TEST_F(CrtIo, ShortAndInterruptedReadsGiveTheSameText)
{
    FaultInjector faults;
    faults.LimitReads(1);
    faults.Interrupt(5);
    EXPECT_EQ(ReadAll("a\r\nb\r\r\nc\r", "r"), "a\nb\r\nc\r");
    EXPECT_EQ(FaultInjector::InterruptsDelivered(), 5);
}

TEST_F(CrtIo, FreadTranslatesAndCountsItems)
{
    WriteBytes(Path(), "ab\r\ncd\r\nef");
    msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), "r");
    ASSERT_NE(file, nullptr);
    char out[16] = {};
    EXPECT_EQ(msvcrt::fread(out, 2, 8, file), 4u);  // 8 bytes delivered, as 4 items of 2
    EXPECT_EQ(std::string(out, 8), "ab\ncd\nef");
    EXPECT_EQ(msvcrt::feof(file), 1);
    msvcrt::fclose(file);
}

TEST_F(CrtIo, BinaryFreadLargerThanTheBuffer)
{
    std::string bytes(3 * msvcrt::kStreamBufferSize + 17, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    WriteBytes(Path(), bytes);
    msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::string out(bytes.size() + 10, '\0');
    EXPECT_EQ(msvcrt::fgetc(file), 0);
    EXPECT_EQ(msvcrt::fread(out.data(), 1, out.size(), file), bytes.size() - 1);
    EXPECT_EQ(out.substr(0, bytes.size() - 1), bytes.substr(1));
    msvcrt::fclose(file);
}

TEST_F(CrtIo, FgetsReadsLines)
{
    WriteBytes(Path(), "one\r\ntwo\rthree");
    msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), "r");
    ASSERT_NE(file, nullptr);
    char line[6];
    ASSERT_NE(msvcrt::fgets(line, sizeof line, file), nullptr);
    EXPECT_STREQ(line, "one\n");
    ASSERT_NE(msvcrt::fgets(line, sizeof line, file), nullptr);
    EXPECT_STREQ(line, "two\rt");  // cut at size - 1
    ASSERT_NE(msvcrt::fgets(line, sizeof line, file), nullptr);
    EXPECT_STREQ(line, "hree");
    EXPECT_EQ(msvcrt::fgets(line, sizeof line, file), nullptr);
    msvcrt::fclose(file);
}

TEST_F(CrtIo, TextWritingTurnsEachLfIntoCrLf)
{
    EXPECT_EQ(Written("a\nb\r\nc\n", "w"), "a\r\nb\r\r\nc\r\n");
    EXPECT_EQ(Written("a\nb\r\n\x1A", "wb"), "a\nb\r\n\x1A");

    msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), "a");
    ASSERT_NE(file, nullptr);
    EXPECT_GE(msvcrt::fputs("x\n", file), 0);
    EXPECT_EQ(msvcrt::fputc('\n', file), '\n');
    EXPECT_EQ(msvcrt::fclose(file), 0);
    EXPECT_EQ(ReadBytes(Path()), "a\nb\r\n\x1Ax\r\n\r\n");
}

TEST_F(CrtIo, WritesAreBuffered)
{
    FaultInjector faults;
    msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), "w");
    ASSERT_NE(file, nullptr);
    for (int i = 0; i < 10000; ++i) msvcrt::fputc(i % 10 == 9 ? '\n' : 'x', file);
    EXPECT_EQ(msvcrt::fclose(file), 0);
    EXPECT_LE(FaultInjector::Writes(), 3);  // 11000 bytes in 4096-byte blocks
    EXPECT_EQ(ReadBytes(Path()).size(), 11000u);
}

TEST_F(CrtIo, DiskFullIsReportedByFlushAndClose)
{
    FaultInjector faults;
    faults.FailWrites(ENOSPC);
    msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), "w");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(msvcrt::fwrite("abc", 1, 3, file), 3u);  // buffered so far
    EXPECT_EQ(msvcrt::ferror(file), 0);
    errno = 0;
    SetLastError(0);
    EXPECT_EQ(msvcrt::fflush(file), EOF);
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL) << "the system's code stays for the reason in words";
    EXPECT_EQ(msvcrt::ferror(file), 1);

    msvcrt::clearerr(file);
    EXPECT_EQ(msvcrt::fputs("more", file), 0);
    SetLastError(0);
    EXPECT_EQ(msvcrt::fclose(file), EOF);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

TEST_F(CrtIo, AFileThatCannotBeOpenedLeavesTheSystemsCode)
{
    SetLastError(0);
    EXPECT_EQ(msvcrt::fopen((Path() + "/none/x").c_str(), "w"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(CrtIo, LargeWriteFailureCountsNoItems)
{
    FaultInjector faults;
    faults.FailWrites(ENOSPC, 1);
    faults.LimitWrites(100);
    msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::string big(2 * msvcrt::kStreamBufferSize, 'b');
    EXPECT_EQ(msvcrt::fwrite(big.data(), 2, big.size() / 2, file), 0u);
    EXPECT_EQ(msvcrt::ferror(file), 1);
    msvcrt::fclose(file);
}

TEST_F(CrtIo, ReadErrorsAreNotTheEnd)
{
    WriteBytes(Path(), "data");
    FaultInjector faults;
    faults.FailRead(EIO);
    msvcrt::FILE* file = msvcrt::fopen(Path().c_str(), "r");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(msvcrt::fgetc(file), EOF);
    EXPECT_EQ(msvcrt::ferror(file), 1);
    EXPECT_EQ(msvcrt::feof(file), 0);
    msvcrt::fclose(file);
}

TEST_F(CrtIo, WrongDirectionSetsTheErrorFlag)
{
    WriteBytes(Path(), "data");
    msvcrt::FILE* reader = msvcrt::fopen(Path().c_str(), "r");
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(msvcrt::fputs("x", reader), EOF);
    EXPECT_EQ(msvcrt::ferror(reader), 1);
    EXPECT_EQ(msvcrt::fclose(reader), 0);

    msvcrt::FILE* writer = msvcrt::fopen(Path("other").c_str(), "w");
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(msvcrt::fgetc(writer), EOF);
    EXPECT_EQ(msvcrt::ferror(writer), 1);
    EXPECT_EQ(msvcrt::fclose(writer), 0);
}

TEST_F(CrtIo, OpenFailures)
{
    errno = 0;
    EXPECT_EQ(msvcrt::fopen(Path("missing").c_str(), "r"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(msvcrt::fopen((dir_ / "no" / "file").c_str(), "w"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    for (const char* mode : {"", "x", "r+", "rbt", "wtt", "rw"}) {
        errno = 0;
        EXPECT_EQ(msvcrt::fopen(Path().c_str(), mode), nullptr) << mode;
        EXPECT_EQ(errno, EINVAL) << mode;
    }
    EXPECT_EQ(msvcrt::fopen(Path().c_str(), nullptr), nullptr);
    EXPECT_EQ(msvcrt::fopen(nullptr, "r"), nullptr);
}

TEST_F(CrtIo, NullStreams)
{
    errno = 0;
    EXPECT_EQ(msvcrt::fclose(nullptr), EOF);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(msvcrt::fgetc(nullptr), EOF);
    EXPECT_EQ(msvcrt::fflush(nullptr), EOF);
    EXPECT_EQ(msvcrt::fwrite("a", 1, 1, nullptr), 0u);
    EXPECT_EQ(msvcrt::ferror(nullptr), 0);
    EXPECT_EQ(msvcrt::feof(nullptr), 0);
}

}  // namespace
