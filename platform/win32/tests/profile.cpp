#include <winbase.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <scratch_dir.h>

#include <sys/wait.h>
#include <unistd.h>

#include "fault_injector.h"
#include <locale_guard.h>
#include "test_files.h"

using win32_test::FaultInjector;
using win32_test::FileNames;
using win32_test::ReadBytes;
using win32_test::WriteBytes;

namespace {

class Profile : public ::testing::Test {
protected:
    Profile() : file_((env_.cwd() / "set.ini").string()) {}

    // Result, text and last error of one GetPrivateProfileStringA call.
    struct Read {
        DWORD result;
        std::string text;
        DWORD error;
    };
    Read GetString(const char* section, const char* key, const char* fallback = "", DWORD size = 260)
    {
        std::string buffer(size, '#');
        SetLastError(0xDEAD);
        DWORD result = GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file_.c_str());
        return {result, buffer.substr(0, result), GetLastError()};
    }
    INT GetInt(const char* key, INT fallback = 10)
    {
        return static_cast<INT>(GetPrivateProfileIntA("Setting", key, fallback, file_.c_str()));
    }
    BOOL Write(const char* section, const char* key, const char* value)
    {
        SetLastError(0xDEAD);
        return WritePrivateProfileStringA(section, key, value, file_.c_str());
    }

    testing_support::IsolatedEnvironment env_;
    std::string file_;
};

TEST_F(Profile, MissingFileOrKeyGivesTheDefault)
{
    SetLastError(0);
    EXPECT_EQ(GetInt("Rate", 10), 10);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    auto read = GetString("Setting", "InputText", "Please Input Text");
    EXPECT_EQ(read.result, 17u);
    EXPECT_EQ(read.text, "Please Input Text");
    EXPECT_EQ(read.error, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetString("Setting", "InputText", nullptr).result, 0u);
    EXPECT_EQ(GetString("Setting", "InputText", "trailing  \t").text, "trailing");

    ASSERT_TRUE(Write("Setting", "Other", "1"));
    EXPECT_EQ(GetInt("Rate", -3), -3);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetString("Elsewhere", "Other", "d").text, "d");
}

TEST_F(Profile, FirstWriteCreatesTheFileWithCrLfLines)
{
    EXPECT_TRUE(Write("Setting", "InputFileChk", "0"));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_TRUE(Write("Setting", "Rate", "-5"));
    EXPECT_EQ(ReadBytes(file_), "[Setting]\r\nInputFileChk=0\r\nRate=-5\r\n");
    EXPECT_EQ(GetInt("Rate"), -5);
    EXPECT_EQ(GetInt("InputFileChk"), 0);
    EXPECT_EQ(FileNames(env_.cwd()), std::vector<std::string>{"set.ini"});
}

TEST_F(Profile, RelativeNamesAreInTheCurrentDirectory)
{
    EXPECT_TRUE(WritePrivateProfileStringA("Setting", "Loop", "3", "./set.ini"));
    EXPECT_EQ(GetPrivateProfileIntA("Setting", "Loop", 10, "./set.ini"), 3u);
    EXPECT_EQ(ReadBytes(file_), "[Setting]\r\nLoop=3\r\n");
}

TEST_F(Profile, WritesReplaceTheLineWithoutRegardToCase)
{
    WriteBytes(file_, "[Setting]\r\nRate=1\r\nVolume=100\r\n");
    EXPECT_TRUE(Write("SETTING", "rate", "7"));
    EXPECT_EQ(ReadBytes(file_), "[Setting]\r\nRate=7\r\nVolume=100\r\n");
    EXPECT_EQ(GetPrivateProfileIntA("setting", "VOLUME", 10, file_.c_str()), 100u);
}

TEST_F(Profile, OtherLinesStayAsTheyWere)
{
    WriteBytes(file_,
               "; settings of the dialog\n"
               "[Other]\n"
               "Rate=99\n"
               "\n"
               "[Setting]\n"
               "  Rate = 2  \n"
               "; a note\n"
               "\n"
               "[Last]\n"
               "x=1");
    EXPECT_TRUE(Write("Setting", "Voice", "-1"));
    EXPECT_TRUE(Write("Setting", "Rate", "3"));
    EXPECT_TRUE(Write("New", "Key", "v"));
    EXPECT_EQ(ReadBytes(file_),
              "; settings of the dialog\r\n"
              "[Other]\r\n"
              "Rate=99\r\n"
              "\r\n"
              "[Setting]\r\n"
              "Rate=3\r\n"
              "; a note\r\n"
              "Voice=-1\r\n"
              "\r\n"
              "[Last]\r\n"
              "x=1\r\n"
              "[New]\r\n"
              "Key=v\r\n");
    EXPECT_EQ(GetPrivateProfileIntA("Other", "Rate", 0, file_.c_str()), 99u);
}

TEST_F(Profile, ValuesAreTrimmedAndUnquoted)
{
    WriteBytes(file_,
               "[S]\r\n"
               "  spaced  =   value with  blanks \t \r\n"
               "double=\"quoted \"\r\n"
               "single='x'\r\n"
               "half=\"a\r\n"
               "empty=\r\n"
               "; hidden=1\r\n"
               "novalue\r\n");
    EXPECT_EQ(GetString("S", "spaced").text, "value with  blanks");
    EXPECT_EQ(GetString("S", " SPACED ").text, "value with  blanks");
    EXPECT_EQ(GetString("S", "double").text, "quoted ");
    EXPECT_EQ(GetString("S", "single").text, "x");
    EXPECT_EQ(GetString("S", "half").text, "\"a");
    auto empty = GetString("S", "empty", "default");
    EXPECT_EQ(empty.result, 0u);
    EXPECT_EQ(empty.error, ERROR_SUCCESS);
    EXPECT_EQ(GetString("S", "; hidden", "no").text, "no");
    EXPECT_EQ(GetString("S", "novalue", "no").text, "no");
}

TEST_F(Profile, IntegersComeFromLeadingDigitsWithASign)
{
    WriteBytes(file_,
               "[Setting]\r\n"
               "a=12abc\r\nb=+7\r\nc=-0\r\nd=abc\r\ne=\r\nf= 42 \r\ng=4294967297\r\nh=\"5\"\r\ni=-2147483648\r\n"
               "j=--3\r\n");
    EXPECT_EQ(GetInt("a"), 12);
    EXPECT_EQ(GetInt("b"), 7);
    EXPECT_EQ(GetInt("c"), 0);
    EXPECT_EQ(GetInt("d"), 0);
    EXPECT_EQ(GetInt("e", 10), 10);  // found but empty: the default
    EXPECT_EQ(GetInt("f"), 42);
    EXPECT_EQ(GetInt("g"), 1);  // wraps at 32 bits
    EXPECT_EQ(GetInt("h"), 5);
    EXPECT_EQ(GetInt("i"), INT32_MIN);
    EXPECT_EQ(GetInt("j"), 0);
    EXPECT_EQ(GetPrivateProfileIntA(nullptr, "a", 4, file_.c_str()), 4u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Profile, StringsAreCutToTheBufferSizeLessOne)
{
    std::string longText(300, 'x');
    ASSERT_TRUE(Write("Setting", "InputText", longText.c_str()));
    EXPECT_EQ(ReadBytes(file_), "[Setting]\r\nInputText=" + longText + "\r\n");
    auto read = GetString("Setting", "InputText", "", 260);
    EXPECT_EQ(read.result, 259u);
    EXPECT_EQ(read.text, longText.substr(0, 259));
    EXPECT_EQ(read.error, ERROR_MORE_DATA);

    auto exact = GetString("Setting", "InputText", "", 301);
    EXPECT_EQ(exact.result, 300u);
    EXPECT_EQ(exact.error, ERROR_SUCCESS);
    EXPECT_EQ(GetString("Setting", "InputText", "", 1).result, 0u);
    EXPECT_EQ(GetString("Setting", "Missing", "defaultvalue", 5).text, "defa");
}

TEST_F(Profile, CutsNeverSplitACharacter)
{
    std::string gbk;
    for (int i = 0; i < 150; ++i) gbk += "\xD6\xD0";  // 300 bytes
    {
        testing_support::LocaleGuard locale("zh_CN.GBK");
        ASSERT_TRUE(Write("Setting", "InputText", gbk.c_str()));
        auto read = GetString("Setting", "InputText", "", 260);
        EXPECT_EQ(read.result, 258u);
        EXPECT_EQ(read.text, gbk.substr(0, 258));
        EXPECT_EQ(read.error, ERROR_MORE_DATA);
    }
    std::string utf8;
    for (int i = 0; i < 100; ++i) utf8 += "\xE4\xB8\xAD";  // 300 bytes
    {
        testing_support::LocaleGuard locale("en_US.UTF-8");
        ASSERT_TRUE(Write("Setting", "InputText", utf8.c_str()));
        auto read = GetString("Setting", "InputText", "", 260);
        EXPECT_EQ(read.result, 258u);
        EXPECT_EQ(read.text, utf8.substr(0, 258));
    }
}

TEST_F(Profile, DeletingKeysAndSections)
{
    WriteBytes(file_, "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(Write("a", "X", nullptr));
    EXPECT_EQ(ReadBytes(file_), "[A]\r\ny=2\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(Write("A", nullptr, nullptr));
    EXPECT_EQ(ReadBytes(file_), "[B]\r\nz=3\r\n");
    EXPECT_TRUE(Write("Gone", "k", nullptr));
    EXPECT_EQ(ReadBytes(file_), "[B]\r\nz=3\r\n");

    std::filesystem::remove(file_);
    EXPECT_TRUE(Write("B", "z", nullptr));  // nothing to delete: no file made
    EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(Profile, ListsSectionsAndKeys)
{
    WriteBytes(file_, "[One]\r\na=1\r\nB=2\r\n[two]\r\nc=3\r\n[ONE]\r\nb=4\r\nd=5\r\n");
    auto sections = GetString(nullptr, "ignored");
    EXPECT_EQ(sections.result, 8u);
    EXPECT_EQ(sections.text, std::string("One\0two\0", 8));
    auto keys = GetString("one", nullptr);
    EXPECT_EQ(keys.text, std::string("a\0B\0d\0", 6));

    std::string buffer(7, '#');
    SetLastError(0);
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), 7, file_.c_str()), 5u);
    EXPECT_EQ(buffer, std::string("One\0t\0\0", 7));  // the last name cut, two zeros
    EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
}

TEST_F(Profile, DuplicateSectionsAreSearchedInOrder)
{
    WriteBytes(file_, "[S]\r\na=1\r\n[T]\r\n[s]\r\nb=2\r\na=3\r\n");
    EXPECT_EQ(GetString("S", "b").text, "2");
    EXPECT_EQ(GetString("S", "a").text, "1");
    EXPECT_TRUE(Write("S", "c", "4"));
    EXPECT_EQ(ReadBytes(file_), "[S]\r\na=1\r\nc=4\r\n[T]\r\n[s]\r\nb=2\r\na=3\r\n");
}

TEST_F(Profile, BadParameters)
{
    EXPECT_FALSE(Write(nullptr, "k", "v"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(Write(nullptr, nullptr, nullptr));  // flush request
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "d", nullptr, 10, file_.c_str()), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(Profile, MissingFolderFails)
{
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", (env_.cwd() / "no" / "set.ini").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(Profile, DiskFullLeavesTheOldFileAndNoTemporaryFile)
{
    const std::string old = "[Setting]\r\nRate=1\r\n";
    WriteBytes(file_, old);
    {
        FaultInjector faults;
        faults.FailWrites(ENOSPC);
        EXPECT_FALSE(Write("Setting", "InputText", std::string(5000, 'x').c_str()));
        EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    }
    EXPECT_EQ(ReadBytes(file_), old);
    EXPECT_EQ(FileNames(env_.cwd()), std::vector<std::string>{"set.ini"});
}

TEST_F(Profile, FailedRenameOrCreateLeavesTheOldFile)
{
    const std::string old = "[Setting]\r\nRate=1\r\n";
    WriteBytes(file_, old);
    {
        FaultInjector faults;
        faults.FailRename(EACCES);
        EXPECT_FALSE(Write("Setting", "Rate", "2"));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    {
        FaultInjector faults;
        faults.FailOpen(EROFS);
        EXPECT_FALSE(Write("Setting", "Rate", "2"));
        EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    }
    EXPECT_EQ(ReadBytes(file_), old);
    EXPECT_EQ(FileNames(env_.cwd()), std::vector<std::string>{"set.ini"});
}

TEST_F(Profile, InterruptedCallsAreRetried)
{
    WriteBytes(file_, "[Setting]\r\nRate=1\r\n");
    FaultInjector faults;
    faults.Interrupt(6);
    faults.LimitWrites(3);
    EXPECT_TRUE(Write("Setting", "Volume", "50"));
    EXPECT_EQ(FaultInjector::InterruptsDelivered(), 6);
    EXPECT_EQ(ReadBytes(file_), "[Setting]\r\nRate=1\r\nVolume=50\r\n");
}

TEST_F(Profile, UnchangedValuesAreNotRewritten)
{
    ASSERT_TRUE(Write("Setting", "Rate", "1"));
    FaultInjector faults;
    EXPECT_TRUE(Write("Setting", "Rate", "1"));
    EXPECT_EQ(FaultInjector::Writes(), 0);
}

TEST_F(Profile, ConcurrentWritersLoseNoKey)
{
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([this, t] {
            for (int i = 0; i < 10; ++i) {
                std::string key = "K" + std::to_string(t) + "_" + std::to_string(i);
                WritePrivateProfileStringA("Setting", key.c_str(), "v", file_.c_str());
            }
        });
    for (auto& writer : writers) writer.join();
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 10; ++i) {
            std::string key = "K" + std::to_string(t) + "_" + std::to_string(i);
            EXPECT_EQ(GetString("Setting", key.c_str()).text, "v") << key;
        }
}

TEST_F(Profile, ASectionIsReplacedInOneWrite)
{
    WriteBytes(file_, "; settings\r\n[Other]\r\nA=1\r\n[setting]\r\nRate=3\r\n; old note\r\nKept=x\r\n\r\n[Last]\r\nB=2\r\n");
    FaultInjector faults;
    ASSERT_TRUE(WritePrivateProfileSectionA("Setting", "Rate=5\0Volume=40\0", file_.c_str()));
    EXPECT_EQ(FaultInjector::Writes(), 1) << "one file write for all keys";
    EXPECT_EQ(ReadBytes(file_),
              "; settings\r\n[Other]\r\nA=1\r\n[setting]\r\nRate=5\r\nVolume=40\r\n\r\n[Last]\r\nB=2\r\n");
    ASSERT_TRUE(WritePrivateProfileSectionA("New", "C=3\0", file_.c_str()));
    EXPECT_EQ(GetString("New", "C").text, "3");
    ASSERT_TRUE(WritePrivateProfileSectionA("Other", nullptr, file_.c_str()));  // removes it
    EXPECT_EQ(GetString("Other", "A", "gone").text, "gone");
    EXPECT_FALSE(WritePrivateProfileSectionA(nullptr, "C=3\0", file_.c_str()));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(Profile, ASectionReadsAsItsLinesThatAreNotBlank)
{
    WriteBytes(file_, "[Setting]\r\n  Rate = 3 \r\n\r\n; note\r\nloose line\r\n[Other]\r\nA=1\r\n[SETTING]\r\nB=2\r\n");
    std::string buffer(64, '#');
    SetLastError(0xDEAD);
    DWORD result = GetPrivateProfileSectionA("setting", buffer.data(), 64, file_.c_str());
    const std::string lines("Rate = 3\0; note\0loose line\0", 27);
    EXPECT_EQ(result, lines.size());
    EXPECT_EQ(buffer.substr(0, result + 1), lines + '\0');
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);

    result = GetPrivateProfileSectionA("Setting", buffer.data(), 12, file_.c_str());
    EXPECT_EQ(result, 10u) << "cut with two zeros at the end";
    EXPECT_EQ(buffer.substr(0, 12), std::string("Rate = 3\0;\0\0", 12));
    EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);

    EXPECT_EQ(GetPrivateProfileSectionA("None", buffer.data(), 64, file_.c_str()), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(GetPrivateProfileSectionA("Setting", nullptr, 64, file_.c_str()), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// Writers that each replace the whole section never leave a mix of two writes.
TEST_F(Profile, ConcurrentSectionWritesLeaveOneWholeSection)
{
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([this, t] {
            std::string digit = std::to_string(t);
            std::string keys = "A=" + digit + '\0' + "B=" + digit + '\0' + "C=" + digit + '\0';
            for (int i = 0; i < 20; ++i) WritePrivateProfileSectionA("Setting", keys.c_str(), file_.c_str());
        });
    for (auto& writer : writers) writer.join();
    std::string a = GetString("Setting", "A").text;
    EXPECT_EQ(GetString("Setting", "B").text, a);
    EXPECT_EQ(GetString("Setting", "C").text, a);
}

// Processes replacing the section take turns only through the file's rename:
// every state a reader meets is one whole save, and the last save is what stays.
TEST_F(Profile, ProcessesSavingTheSectionLeaveOneWholeSaveAndTheLastWins)
{
    const char* keys[] = {"InputFileChk", "InputFileFile", "InputText", "Rate", "Volume", "Voice", "Loop"};
    auto save = [&](int writer, int round) {
        std::string list;
        for (const char* key : keys) list += std::string(key) + "=" + std::to_string(writer * 1000 + round) + '\0';
        return WritePrivateProfileSectionA("Setting", list.c_str(), file_.c_str());
    };
    auto saveMany = [&](int writer) {
        pid_t pid = fork();
        if (pid == 0) {
            bool ok = true;
            for (int round = 0; round < 200; ++round) ok = save(writer, round) && ok;
            _exit(ok ? 0 : 1);
        }
        return pid;
    };
    ASSERT_TRUE(save(9, 0));
    pid_t first = saveMany(1), second = saveMany(2);
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    int mixed = 0, status = 0;
    for (int reads = 0; reads < 300 || waitpid(first, &status, WNOHANG) == 0; ++reads) {
        char buffer[512];
        DWORD length = GetPrivateProfileSectionA("Setting", buffer, sizeof buffer, file_.c_str());
        std::set<std::string> values;
        std::size_t lines = 0;
        for (const char* line = buffer; line < buffer + length; line += std::strlen(line) + 1, ++lines)
            values.insert(std::strchr(line, '=') ? std::strchr(line, '=') + 1 : "");
        mixed += lines != std::size(keys) || values.size() != 1;
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(waitpid(second, &status, 0), second);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(mixed, 0) << "reads that met keys of two saves";

    ASSERT_TRUE(save(3, 7));
    for (const char* key : keys) EXPECT_EQ(GetString("Setting", key).text, "3007") << key;
    EXPECT_EQ(FileNames(env_.cwd()), std::vector<std::string>{"set.ini"});
}

}  // namespace
