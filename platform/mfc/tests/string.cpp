#include <afx.h>
#include <varnel/resource_data.h>
#include <oleauto.h>

#include "code_page.h"

#include <locale_guard.h>

#include <gtest/gtest.h>

using testing_support::LocaleGuard;

TEST(CString, ConstructionLengthAndComparison)
{
    CString empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(static_cast<LPCTSTR>(empty), "");
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
    CString text("abc");
    EXPECT_EQ(text.GetLength(), 3);
    EXPECT_TRUE(text == "abc");
    EXPECT_TRUE("abc" == text);
    EXPECT_TRUE(text != "abd");
    EXPECT_EQ(CString("a\0b", 3).GetLength(), 3);
    EXPECT_EQ(CString('x', 3), "xxx");
    EXPECT_EQ(CString('x', -1), "");
    EXPECT_LT(text.Compare("abd"), 0);
    EXPECT_EQ(text.CompareNoCase("ABC"), 0);
    EXPECT_EQ(text.GetAt(5), '\0');  // outside: no read past the end
}

TEST(CString, ConcatenationAndFormat)
{
    CString text("ab");
    text += "c";
    text += 'd';
    text += CString("e");
    EXPECT_EQ(text, "abcde");
    EXPECT_EQ("<" + text + ">", "<abcde>");
    CString formatted;
    formatted.Format("\"%s/narrate\" \"%s\" %d %d", CString("/opt/app"), "in.txt", -3, 100);
    EXPECT_EQ(formatted, "\"/opt/app/narrate\" \"in.txt\" -3 100");
    formatted.Format("%s", std::string(5000, 'z').c_str());
    EXPECT_EQ(formatted.GetLength(), 5000);
    formatted.Format("100%%");
    EXPECT_EQ(formatted, "100%");
}

TEST(CString, PiecesClampToTheString)
{
    const CString text("hello world");
    EXPECT_EQ(text.Left(5), "hello");
    EXPECT_EQ(text.Left(50), "hello world");
    EXPECT_EQ(text.Left(-1), "");
    EXPECT_EQ(text.Mid(6), "world");
    EXPECT_EQ(text.Mid(6, 100), "world");
    EXPECT_EQ(text.Mid(20), "");
    EXPECT_EQ(text.Mid(-3, 2), "he");
    EXPECT_EQ(text.Right(5), "world");
    EXPECT_EQ(text.Find('o'), 4);
    EXPECT_EQ(text.Find('o', 5), 7);
    EXPECT_EQ(text.Find('o', 99), -1);
    EXPECT_EQ(text.Find("wor"), 6);
    EXPECT_EQ(text.Find("xyz"), -1);
    EXPECT_EQ(text.ReverseFind('o'), 7);
    CString replaced("a.b.c");
    EXPECT_EQ(replaced.Replace(".", ".."), 2);
    EXPECT_EQ(replaced, "a..b..c");
    CString blanks("  x \r\n");
    EXPECT_EQ(blanks.Trim(), "x");
}

TEST(CString, BufferWritesAreTakenUpToTheTerminator)
{
    CString text("abc");
    char* buffer = text.GetBuffer(10);
    std::snprintf(buffer, 11, "%s", "0123456789");
    text.ReleaseBuffer();
    EXPECT_EQ(text, "0123456789");
    buffer = text.GetBuffer(0);
    buffer[3] = '\0';
    text.ReleaseBuffer();
    EXPECT_EQ(text, "012");
    text.GetBuffer(8);
    text.ReleaseBuffer(2);
    EXPECT_EQ(text, "01");
}

TEST(CString, BstrRoundTripInUtf8)
{
    LocaleGuard locale("en_US.UTF-8");
    const CString text(mfc_test::kUtf8BaiRi);
    BSTR bstr = text.AllocSysString();
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 2u);
    EXPECT_EQ(bstr[0], u'\u767D');
    EXPECT_EQ(CString(bstr), text);
    EXPECT_TRUE(text.SetSysString(&bstr));  // frees the old one
    SysFreeString(bstr);
    BSTR empty = CString().AllocSysString();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);
}

TEST(CString, BstrRoundTripInGbk)
{
    LocaleGuard locale("zh_CN.GBK");
    ASSERT_EQ(GetACP(), 936u);
    const CString text(mfc_test::kGbkBaiRi);
    BSTR bstr = text.AllocSysString();
    ASSERT_NE(bstr, nullptr);
    ASSERT_EQ(SysStringLen(bstr), 2u);
    EXPECT_EQ(bstr[0], u'\u767D');
    EXPECT_EQ(bstr[1], u'\u65E5');
    EXPECT_EQ(CString(bstr), mfc_test::kGbkBaiRi);
    SysFreeString(bstr);
    EXPECT_EQ(CString(u"白日"), mfc_test::kGbkBaiRi);
}

TEST(CString, LoadStringConvertsTheResourceToTheCodePage)
{
    AfxRegisterString(9901, "白日");
    CString text;
    {
        LocaleGuard locale("zh_CN.GBK");
        EXPECT_TRUE(text.LoadString(9901));
        EXPECT_EQ(text, mfc_test::kGbkBaiRi);
    }
    {
        LocaleGuard locale("C.UTF-8");
        EXPECT_TRUE(text.LoadString(9901));
        EXPECT_EQ(text, mfc_test::kUtf8BaiRi);
    }
    EXPECT_FALSE(text.LoadString(9999));
    EXPECT_TRUE(text.IsEmpty());
}
