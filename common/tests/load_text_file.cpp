#include "load_text_file.h"

#include <allocation_watch.h>
#include <locale_guard.h>

#include <scratch_dir.h>
#include <winnls.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

using testing_support::ScratchDir;
using testing_support::LocaleGuard;
using allocation_watch::Form;
using allocation_watch::Watch;

struct Loaded {
    BOOL result = FALSE;
    WCHAR* raw = nullptr;
    std::unique_ptr<WCHAR[]> text;
    std::string out, err;
};

class LoadTextFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& bytes, const char* name = "input.txt")
    {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static Loaded Load(const std::string& path)
    {
        Loaded loaded;
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        loaded.result = LoadTextFile(path.c_str(), &loaded.raw);
        loaded.err = ::testing::internal::GetCapturedStderr();
        loaded.out = ::testing::internal::GetCapturedStdout();
        loaded.text.reset(loaded.raw);
        return loaded;
    }

    ScratchDir dir_;
};

TEST_F(LoadTextFileTest, DropsPunctuationAndTurnsCrLfIntoOneLineFeed)
{
    Loaded loaded = Load(Write("Hello, world.\r\n"));
    EXPECT_EQ(loaded.result, TRUE);
    EXPECT_EQ(loaded.out, "12 char to be conerted......");
    EXPECT_EQ(loaded.err, "");
    ASSERT_NE(loaded.raw, nullptr);
    EXPECT_EQ(std::u16string(loaded.raw), u"Hello world\n");
}

TEST_F(LoadTextFileTest, LineEndsAndTheLastByteComeThroughOnceEach)
{
    Loaded loaded = Load(Write("a\r\nb\rc\r\n\r\nend$z"));
    ASSERT_NE(loaded.raw, nullptr);
    EXPECT_EQ(std::u16string(loaded.raw), u"a\nb\rc\n\nendz");
    EXPECT_EQ(loaded.out, "11 char to be conerted......");
}

TEST_F(LoadTextFileTest, ZeroByteIsCountedButEndsTheText)
{
    Loaded loaded = Load(Write(std::string("ab\0cd", 5)));
    EXPECT_EQ(loaded.out, "5 char to be conerted......");
    ASSERT_NE(loaded.raw, nullptr);
    EXPECT_EQ(std::u16string(loaded.raw), u"ab");
}

TEST_F(LoadTextFileTest, CtrlZEndsTheData)
{
    Loaded loaded = Load(Write("ab\x1A" "cd.,"));
    EXPECT_EQ(loaded.out, "2 char to be conerted......");
    ASSERT_NE(loaded.raw, nullptr);
    EXPECT_EQ(std::u16string(loaded.raw), u"ab");
}

TEST_F(LoadTextFileTest, MissingFileLeavesTheOutParameterAndPrintsNoCount)
{
    std::string path = (dir_ / "no such file.txt").string();
    Loaded loaded = Load(path);
    EXPECT_EQ(loaded.result, FALSE);
    EXPECT_EQ(loaded.raw, nullptr);
    EXPECT_EQ(loaded.out, "Open file " + path + " failed!\n");
}

TEST_F(LoadTextFileTest, FolderCannotBeOpened)
{
    Loaded loaded = Load(dir_.path().string());
    EXPECT_EQ(loaded.result, FALSE);
    EXPECT_EQ(loaded.raw, nullptr);
    EXPECT_EQ(loaded.out, "Open file " + dir_.path().string() + " failed!\n");
}

TEST_F(LoadTextFileTest, NothingKeptLeavesTheOutParameterButSucceeds)
{
    for (const char* bytes : {"", ".,$$,.", "\x1A" "abc"}) {
        Loaded loaded = Load(Write(bytes));
        EXPECT_EQ(loaded.result, TRUE) << bytes;
        EXPECT_EQ(loaded.raw, nullptr) << bytes;
        EXPECT_EQ(loaded.out, "0 char to be conerted......") << bytes;
    }
}

TEST_F(LoadTextFileTest, LargeFileKeepsEveryByte)
{
    std::string bytes;
    for (int i = 0; i < 20000; ++i) bytes += "word, ";  // 120000 bytes, 20000 commas
    Loaded loaded = Load(Write(bytes));
    EXPECT_EQ(loaded.out, "100000 char to be conerted......");
    ASSERT_NE(loaded.raw, nullptr);
    std::u16string text(loaded.raw);
    EXPECT_EQ(text.size(), 100000u);
    EXPECT_EQ(text.substr(0, 10), u"word word ");
}

TEST_F(LoadTextFileTest, Utf8LocaleConvertsMultiByteCharacters)
{
    LocaleGuard locale("en_US.UTF-8");
    Loaded loaded = Load(Write("h\xC3\xA9llo, \xE4\xB8\x96\xE7\x95\x8C."));  // héllo, 世界.
    EXPECT_EQ(loaded.out, "13 char to be conerted......");  // bytes, not characters
    ASSERT_NE(loaded.raw, nullptr);
    EXPECT_EQ(std::u16string(loaded.raw), u"h\u00E9llo \u4E16\u754C");
}

TEST_F(LoadTextFileTest, InvalidUtf8BecomesReplacementCharacters)
{
    LocaleGuard locale("C.UTF-8");
    Loaded loaded = Load(Write("a\xFF\xC3z"));
    ASSERT_NE(loaded.raw, nullptr);
    std::u16string text(loaded.raw);
    EXPECT_EQ(text.front(), u'a');
    EXPECT_EQ(text.back(), u'z');
    EXPECT_NE(text.find(u'\uFFFD'), std::u16string::npos);
}

TEST_F(LoadTextFileTest, GbkLocaleKeepsFullWidthPunctuation)
{
    LocaleGuard locale("zh_CN.GBK");
    ASSERT_EQ(GetACP(), 936u);
    // 你好，世界。 in code page 936, then an ASCII comma and full stop.
    Loaded loaded = Load(Write("\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7\xA1\xA3,.\r\n"));
    EXPECT_EQ(loaded.out, "13 char to be conerted......");
    ASSERT_NE(loaded.raw, nullptr);
    EXPECT_EQ(std::u16string(loaded.raw), u"\u4F60\u597D\uFF0C\u4E16\u754C\u3002\n");
}

// Endless input stops at the limit: never more memory than the limit is asked for
// the kept text, and a text just at the limit still loads (into a result of n + 1
// units).
TEST_F(LoadTextFileTest, KeptTextHasALimitThatTheMessageNames)
{
    // A string of n bytes asks for one more, its terminator.
    constexpr std::size_t kLargestKeptRequest = kLargestKeptText + 1;
    std::string atLimit = Write(std::string(kLargestKeptText, 'a') + "...,,$$", "limit.txt");
    Loaded loaded;
    {
        Watch watch;
        loaded = Load(atLimit);
        EXPECT_EQ(watch.Largest(Form::ArrayNoThrow), (kLargestKeptText + 1) * sizeof(WCHAR));
    }
    EXPECT_EQ(loaded.result, TRUE);
    EXPECT_EQ(loaded.out, std::to_string(kLargestKeptText) + " char to be conerted......");
    ASSERT_NE(loaded.raw, nullptr);
    EXPECT_EQ(std::char_traits<WCHAR>::length(loaded.raw), kLargestKeptText);
    loaded = Loaded{};

    std::string pastLimit = Write(std::string(kLargestKeptText + 1, 'a'), "past.txt");
    {
        Watch watch;
        loaded = Load(pastLimit);
        EXPECT_LE(watch.Largest(Form::Single), kLargestKeptRequest);
    }
    EXPECT_EQ(loaded.result, FALSE);
    EXPECT_EQ(loaded.raw, nullptr);
    EXPECT_EQ(loaded.out, "");
    EXPECT_EQ(loaded.err, "common_tests: the text of " + pastLimit +
                              " is longer than 64 MiB, the most that is read; nothing was converted\n");
}

TEST_F(LoadTextFileTest, ResultBufferOutOfMemoryFailsCleanly)
{
    std::string path = Write("some text");
    Loaded loaded;
    {
        Watch watch;
        watch.FailAbove(Form::ArrayNoThrow, 0);
        loaded = Load(path);
    }
    EXPECT_EQ(loaded.result, FALSE);
    EXPECT_EQ(loaded.raw, nullptr);
    EXPECT_EQ(loaded.out, "9 char to be conerted......");
    EXPECT_NE(loaded.err.find("memory"), std::string::npos);
    EXPECT_EQ(loaded.err.back(), '\n');
}

TEST_F(LoadTextFileTest, KeptTextOutOfMemoryFailsBeforeTheCount)
{
    std::string path = Write(std::string(10000, 'x'));
    Loaded loaded;
    {
        Watch watch;
        // The first request for the kept text (4096 bytes) only.
        watch.FailAbove(Form::Single, 8192);
        loaded = Load(path);
    }
    EXPECT_EQ(loaded.result, FALSE);
    EXPECT_EQ(loaded.raw, nullptr);
    EXPECT_EQ(loaded.out, "");
    EXPECT_NE(loaded.err.find("memory"), std::string::npos);
}

}  // namespace
