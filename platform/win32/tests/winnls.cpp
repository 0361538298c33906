#include <winnls.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <winbase.h>

#include <locale_guard.h>

namespace {

// Converts and reports the result and the last error as Windows would.
struct Wide {
    int result;
    DWORD error;
    std::u16string text;
};

Wide ToWide(UINT codePage, DWORD flags, const std::string& bytes, int srcLen = -2)
{
    SetLastError(0xDEAD);
    int length = srcLen == -2 ? static_cast<int>(bytes.size()) : srcLen;
    int needed = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    if (needed == 0) return {0, GetLastError(), {}};
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    int result = MultiByteToWideChar(codePage, flags, bytes.data(), length,
                                     reinterpret_cast<LPWSTR>(out.data()), needed);
    return {result, GetLastError(), out};
}

struct Narrow {
    int result;
    DWORD error;
    std::string bytes;
    BOOL usedDefault;
};

Narrow ToNarrow(UINT codePage, DWORD flags, const std::u16string& text, LPCSTR defChar = nullptr,
                bool askUsedDefault = false)
{
    SetLastError(0xDEAD);
    BOOL used = 2;
    BOOL* usedPtr = askUsedDefault ? &used : nullptr;
    int length = static_cast<int>(text.size());
    int needed = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, defChar, usedPtr);
    if (needed == 0) return {0, GetLastError(), {}, used};
    std::string out(static_cast<std::size_t>(needed), '\0');
    int result = WideCharToMultiByte(codePage, flags, text.data(), length, out.data(), needed, defChar, usedPtr);
    return {result, GetLastError(), out, used};
}

TEST(MultiByteToWideChar, Utf8RoundTripsWithSurrogatePairs)
{
    std::string bytes = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";  // A, e acute, U+4E2D, U+1F600
    auto wide = ToWide(CP_UTF8, 0, bytes);
    EXPECT_EQ(wide.result, 5);
    EXPECT_EQ(wide.text, u"A\u00E9\u4E2D\U0001F600");
    EXPECT_EQ(wide.text.substr(3), (std::u16string{0xD83D, 0xDE00}));
    auto narrow = ToNarrow(CP_UTF8, 0, wide.text);
    EXPECT_EQ(narrow.result, 10);
    EXPECT_EQ(narrow.bytes, bytes);
}

TEST(MultiByteToWideChar, GbkRoundTrips)
{
    std::string gbk = "\xD6\xD0\xCE\xC4\xA3\xAC" "abc";  // U+4E2D U+6587, full-width comma
    auto wide = ToWide(936, 0, gbk);
    EXPECT_EQ(wide.result, 6);
    EXPECT_EQ(wide.text, u"\u4E2D\u6587\uFF0Cabc");
    auto narrow = ToNarrow(936, 0, wide.text, nullptr, true);
    EXPECT_EQ(narrow.bytes, gbk);
    EXPECT_EQ(narrow.usedDefault, FALSE);
}

TEST(MultiByteToWideChar, AnsiCodePageFollowsTheLocale)
{
    {
        testing_support::LocaleGuard gbk("zh_CN.GBK");
        EXPECT_EQ(ToWide(CP_ACP, 0, "\xD6\xD0").text, u"\u4E2D");
        EXPECT_EQ(ToNarrow(CP_ACP, 0, u"\u6587").bytes, "\xCE\xC4");
    }
    {
        testing_support::LocaleGuard utf8("en_US.UTF-8");
        EXPECT_EQ(ToWide(CP_ACP, 0, "\xE4\xB8\xAD").text, u"\u4E2D");
        EXPECT_EQ(ToNarrow(CP_ACP, 0, u"\u6587").bytes, "\xE6\x96\x87");
    }
}

TEST(MultiByteToWideChar, InvalidUtf8BecomesReplacementCharacters)
{
    EXPECT_EQ(ToWide(CP_UTF8, 0, "a\xFF" "b").text, u"a\uFFFDb");
    EXPECT_EQ(ToWide(CP_UTF8, 0, "a\xE4\xB8").text, u"a\uFFFD");           // cut sequence: one
    EXPECT_EQ(ToWide(CP_UTF8, 0, "\xC0\xAF").text, u"\uFFFD\uFFFD");        // overlong
    EXPECT_EQ(ToWide(CP_UTF8, 0, "\xED\xA0\x80").text, u"\uFFFD\uFFFD\uFFFD");  // surrogate
    EXPECT_EQ(ToWide(CP_UTF8, 0, "\xF4\x90\x80\x80").text, u"\uFFFD\uFFFD\uFFFD\uFFFD");  // > U+10FFFF
    EXPECT_EQ(ToWide(CP_UTF8, 0, "\xE4\xB8" "x").text, u"\uFFFDx");
}

TEST(MultiByteToWideChar, InvalidBytesFailWhenAsked)
{
    for (const std::string bytes : {"a\xFF", "\xE4\xB8", "\xC0\xAF", "\xED\xA0\x80"}) {
        auto wide = ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, bytes);
        EXPECT_EQ(wide.result, 0) << bytes;
        EXPECT_EQ(wide.error, ERROR_NO_UNICODE_TRANSLATION) << bytes;
    }
    auto gbk = ToWide(936, MB_ERR_INVALID_CHARS, "\x81\x20");
    EXPECT_EQ(gbk.result, 0);
    EXPECT_EQ(gbk.error, ERROR_NO_UNICODE_TRANSLATION);
}

TEST(MultiByteToWideChar, InvalidGbkBecomesReplacementCharacters)
{
    EXPECT_EQ(ToWide(936, 0, "\x81\x20z").text, u"\uFFFD z");  // lead byte without a trail byte
    EXPECT_EQ(ToWide(936, 0, "ab\xD6").text, u"ab\uFFFD");      // cut at the end
    EXPECT_EQ(ToWide(936, 0, "\xFF" "a").text, u"\uFFFDa");
}

TEST(MultiByteToWideChar, SizesAndTerminators)
{
    const char* text = "abc";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), 4);  // with the terminator
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 3, nullptr, 0), 3);

    WCHAR out[5] = {u'#', u'#', u'#', u'#', u'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 3, out, 5), 3);
    EXPECT_EQ(std::u16string(out, 5), u"abc##");  // no terminator added
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, out, 5), 4);
    EXPECT_EQ(std::u16string(out, 4), std::u16string(u"abc\0", 4));

    const char withZero[] = "ab\0cd";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, withZero, -1, nullptr, 0), 3);  // up to the first zero
    EXPECT_EQ(MultiByteToWideChar(936, 0, withZero, 5, out, 5), 5);
    EXPECT_EQ(out[2], u'\0');
    EXPECT_EQ(out[4], u'd');

    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, out, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(MultiByteToWideChar, BadParameters)
{
    WCHAR out[4];
    struct Case {
        UINT codePage;
        DWORD flags;
        const char* src;
        int srcLen;
        LPWSTR dst;
        int dstLen;
        DWORD error;
    } cases[] = {
        {CP_UTF8, 0, nullptr, -1, out, 4, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, "a", 0, out, 4, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, "a", -2, out, 4, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, "a", 1, out, -1, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, "a", 1, nullptr, 4, ERROR_INVALID_PARAMETER},
        {12345, 0, "a", 1, out, 4, ERROR_INVALID_PARAMETER},
        {CP_UTF8, MB_PRECOMPOSED, "a", 1, out, 4, ERROR_INVALID_FLAGS},
        {936, 0x100, "a", 1, out, 4, ERROR_INVALID_FLAGS},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(c.codePage, c.flags, c.src, c.srcLen, c.dst, c.dstLen), 0);
        EXPECT_EQ(GetLastError(), c.error) << c.codePage << " " << c.srcLen << " " << c.dstLen;
    }
    EXPECT_EQ(MultiByteToWideChar(936, MB_PRECOMPOSED, "a", 1, out, 4), 1);
}

TEST(WideCharToMultiByte, LoneSurrogatesInUtf8)
{
    EXPECT_EQ(ToNarrow(CP_UTF8, 0, u"a\xD800" "b").bytes, "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(ToNarrow(CP_UTF8, 0, std::u16string{0xDC00}).bytes, "\xEF\xBF\xBD");
    EXPECT_EQ(ToNarrow(CP_UTF8, 0, std::u16string{u'x', 0xD83D}).bytes, "x\xEF\xBF\xBD");
    auto strict = ToNarrow(CP_UTF8, WC_ERR_INVALID_CHARS, u"a\xD800");
    EXPECT_EQ(strict.result, 0);
    EXPECT_EQ(strict.error, ERROR_NO_UNICODE_TRANSLATION);
}

TEST(WideCharToMultiByte, CharactersTheCodePageLacksBecomeTheDefault)
{
    auto thai = ToNarrow(936, 0, u"a\u0E01b", nullptr, true);
    EXPECT_EQ(thai.bytes, "a?b");
    EXPECT_EQ(thai.usedDefault, TRUE);
    auto emoji = ToNarrow(936, 0, u"\U0001F600!", "*", true);  // a pair is one character
    EXPECT_EQ(emoji.bytes, "*!");
    auto lone = ToNarrow(936, 0, std::u16string{u'x', 0xD800, u'y'}, nullptr, true);
    EXPECT_EQ(lone.bytes, "x?y");
    EXPECT_EQ(lone.usedDefault, TRUE);
    auto gb18030 = ToNarrow(54936, 0, u"\U0001F600", nullptr, true);  // GB18030 holds everything
    EXPECT_EQ(gb18030.bytes.size(), 4u);
    EXPECT_EQ(gb18030.usedDefault, FALSE);
    EXPECT_EQ(ToWide(54936, 0, gb18030.bytes).text, u"\U0001F600");
}

TEST(WideCharToMultiByte, SizesAndBadParameters)
{
    const WCHAR text[] = u"abc";
    char out[4];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, 4, nullptr, nullptr), 4);
    EXPECT_STREQ(out, "abc");

    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    BOOL used = FALSE;
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, 4, "?", nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, out, 4, nullptr, &used), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, nullptr, -1, out, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(936, WC_ERR_INVALID_CHARS, text, -1, out, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FLAGS);
}

TEST(LastError, IsKeptPerThread)
{
    SetLastError(ERROR_DISK_FULL);
    DWORD other = 1;
    std::thread([&] { other = GetLastError(); SetLastError(ERROR_ACCESS_DENIED); }).join();
    EXPECT_EQ(other, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

}  // namespace
