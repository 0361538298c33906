#include <varnel/codepage.h>

#include <cstdlib>

#include <gtest/gtest.h>
#include <winnls.h>

#include <locale_guard.h>

using win32::nls::CharacterBoundary;
using win32::nls::CodePageFromLocaleName;

namespace {

TEST(CodePage, LocaleNamesGiveTheirCharacterSet)
{
    EXPECT_EQ(CodePageFromLocaleName("zh_CN.GBK"), 936u);
    EXPECT_EQ(CodePageFromLocaleName("zh_CN.gbk"), 936u);
    EXPECT_EQ(CodePageFromLocaleName("zh_CN.GB2312"), 936u);
    EXPECT_EQ(CodePageFromLocaleName("zh_CN.GB18030"), 54936u);
    EXPECT_EQ(CodePageFromLocaleName("zh_TW.Big5"), 950u);
    EXPECT_EQ(CodePageFromLocaleName("ja_JP.SJIS"), 932u);
    EXPECT_EQ(CodePageFromLocaleName("de_DE.ISO-8859-15@euro"), 28605u);
    EXPECT_EQ(CodePageFromLocaleName("en_US.UTF-8"), CP_UTF8);
    EXPECT_EQ(CodePageFromLocaleName("en_US.utf8"), CP_UTF8);
    EXPECT_EQ(CodePageFromLocaleName("C.UTF-8"), CP_UTF8);
}

TEST(CodePage, LocalesWithoutAKnownCharacterSetAreUtf8)
{
    EXPECT_EQ(CodePageFromLocaleName(""), CP_UTF8);
    EXPECT_EQ(CodePageFromLocaleName("C"), CP_UTF8);
    EXPECT_EQ(CodePageFromLocaleName("POSIX"), CP_UTF8);
    EXPECT_EQ(CodePageFromLocaleName("zh_CN"), CP_UTF8);
    EXPECT_EQ(CodePageFromLocaleName("xx_XX.NO-SUCH-SET"), CP_UTF8);
}

TEST(CodePage, FirstSetVariableWins)
{
    testing_support::LocaleGuard guard;
    setenv("LC_ALL", "zh_CN.GBK", 1);
    setenv("LC_CTYPE", "en_US.UTF-8", 1);
    setenv("LANG", "en_US.UTF-8", 1);
    win32::nls::RereadAnsiCodePage();
    EXPECT_EQ(GetACP(), 936u);

    setenv("LC_ALL", "", 1);  // empty counts as not set
    setenv("LC_CTYPE", "zh_CN.GB18030", 1);
    win32::nls::RereadAnsiCodePage();
    EXPECT_EQ(GetACP(), 54936u);

    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    setenv("LANG", "zh_CN.GBK", 1);
    win32::nls::RereadAnsiCodePage();
    EXPECT_EQ(GetACP(), 936u);
    EXPECT_EQ(GetOEMCP(), 936u);

    unsetenv("LANG");
    win32::nls::RereadAnsiCodePage();
    EXPECT_EQ(GetACP(), CP_UTF8);
}

TEST(CodePage, ReadOncePerProcessUntilReread)
{
    testing_support::LocaleGuard guard("zh_CN.GBK");
    ASSERT_EQ(GetACP(), 936u);
    setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_EQ(GetACP(), 936u);
    win32::nls::RereadAnsiCodePage();
    EXPECT_EQ(GetACP(), CP_UTF8);
}

TEST(CodePage, CharacterBoundaryNeverSplitsACharacter)
{
    // "ab" + U+4E2D in GBK and in UTF-8.
    EXPECT_EQ(CharacterBoundary(936, "ab\xD6\xD0", 3), 2u);
    EXPECT_EQ(CharacterBoundary(936, "ab\xD6\xD0", 4), 4u);
    EXPECT_EQ(CharacterBoundary(936, "a\x81", 1), 1u);  // a lone lead byte is one unit
    EXPECT_EQ(CharacterBoundary(CP_UTF8, "ab\xE4\xB8\xAD", 4), 2u);
    EXPECT_EQ(CharacterBoundary(CP_UTF8, "ab\xE4\xB8\xAD", 5), 5u);
    EXPECT_EQ(CharacterBoundary(CP_UTF8, "a\xFF\xFF", 2), 2u);
    EXPECT_EQ(CharacterBoundary(54936, "\x81\x30\x81\x30z", 3), 0u);
    EXPECT_EQ(CharacterBoundary(28591, "\xE9\xE9\xE9", 2), 2u);
    EXPECT_EQ(CharacterBoundary(CP_UTF8, "abc", 10), 3u);
}

TEST(CodePage, CharacterBoundaryOfTheAnsiCodePage)
{
    testing_support::LocaleGuard guard("zh_CN.GBK");
    EXPECT_EQ(CharacterBoundary(CP_ACP, "\xD6\xD0\xCE\xC4", 3), 2u);
}

TEST(CodePage, WholeStringsGoToUtf16AndBackThroughOneCodec)
{
    EXPECT_EQ(win32::nls::ToWide(CP_UTF8, "a\xC3\xA4\xF0\x9D\x84\x9E"), u"a\u00E4\U0001D11E");
    EXPECT_EQ(win32::nls::FromWide(CP_UTF8, u"a\u00E4\U0001D11E"), "a\xC3\xA4\xF0\x9D\x84\x9E");
    EXPECT_EQ(win32::nls::ToWide(CP_UTF8, "x\xE2\x82"), u"x\uFFFD") << "a cut-off sequence";
    EXPECT_EQ(win32::nls::ToWide(CP_UTF8, ""), u"");
    EXPECT_EQ(win32::nls::FromWide(CP_UTF8, u""), "");
    testing_support::LocaleGuard guard("zh_CN.GBK");
    EXPECT_EQ(win32::nls::FromWide(CP_ACP, u"\u4E2D\u6587"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(win32::nls::ToWide(CP_ACP, "\xD6\xD0\xCE\xC4"), u"\u4E2D\u6587");
    EXPECT_EQ(win32::nls::Utf8ToAnsi("\xE4\xB8\xAD\xE6\x96\x87"), "\xD6\xD0\xCE\xC4");
}

}  // namespace
