#include "SettingsText.h"

#include <gtest/gtest.h>

#include <scratch_dir.h>

#include "gui_fixture.h"

namespace {

using testing_support::LocaleGuard;

TEST(SettingsTextValue, LineBreaksBecomeOneBlankEachInQuotes)
{
    EXPECT_EQ(SettingsTextValue("a\r\nb\rc\nd"), "\"a b c d\"");
    EXPECT_EQ(SettingsTextValue("\r\n\r\n"), "\"  \"");
    EXPECT_EQ(SettingsTextValue(""), "\"\"");
    EXPECT_EQ(SettingsTextValue(" \"x\" "), "\" \"x\" \"");
}

TEST(CutOnCharacterBoundary, Utf8)
{
    LocaleGuard locale("en_US.UTF-8");
    EXPECT_EQ(CutOnCharacterBoundary("abcdef", 4), "abcd");
    EXPECT_EQ(CutOnCharacterBoundary("ab", 4), "ab");
    CString chinese("\xE4\xB8\xAD\xE6\x96\x87");  // two 3-byte characters
    EXPECT_EQ(CutOnCharacterBoundary(chinese, 5), "\xE4\xB8\xAD");
    EXPECT_EQ(CutOnCharacterBoundary(chinese, 3), "\xE4\xB8\xAD");
    EXPECT_EQ(CutOnCharacterBoundary(chinese, 2), "");
    EXPECT_EQ(CutOnCharacterBoundary("\xF0\x9F\x98\x80z", 3), "") << "a 4-byte character stays whole";
}

TEST(CutOnCharacterBoundary, Gbk)
{
    LocaleGuard locale("zh_CN.GBK");
    CString chinese("a\xD6\xD0\xCE\xC4");  // a, then two double-byte characters
    EXPECT_EQ(CutOnCharacterBoundary(chinese, 4), "a\xD6\xD0");
    EXPECT_EQ(CutOnCharacterBoundary(chinese, 2), "a");
}

TEST(ReadSettingsText, ReadsBackLongValuesWholeBeforeTheCut)
{
    testing_support::IsolatedEnvironment env;
    std::string value(1000, 'v');
    gui_test::WriteFile(env.cwd() / "t.ini", "[S]\r\nK=" + value + "\r\nQ=\"  kept  \"\r\n");
    EXPECT_EQ(ReadSettingsText("S", "K", "", "./t.ini"), CString(value.substr(0, 259).c_str()));
    EXPECT_EQ(ReadSettingsText("S", "Q", "", "./t.ini"), "  kept  ");
    EXPECT_EQ(ReadSettingsText("S", "Missing", "fallback", "./t.ini"), "fallback");
    EXPECT_EQ(ReadSettingsText("S", "K", "none", "./absent.ini"), "none");
}

}  // namespace
