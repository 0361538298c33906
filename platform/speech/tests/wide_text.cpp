#include "wide_text.h"

#include <gtest/gtest.h>

namespace {

using speech::Utf16ToUtf8;
using speech::Utf8ToUtf16;

TEST(WideText, TextOfEveryPlaneRoundTrips)
{
    const std::u16string wide = u"Tea \u767D\u65E5 \U0001F375 caf\u00E9";
    const std::string utf8 = "Tea \xE7\x99\xBD\xE6\x97\xA5 \xF0\x9F\x8D\xB5 caf\xC3\xA9";
    EXPECT_EQ(Utf16ToUtf8(wide), utf8);
    EXPECT_EQ(Utf8ToUtf16(utf8), wide);
    EXPECT_EQ(Utf16ToUtf8(u""), "");
    EXPECT_EQ(Utf8ToUtf16(""), u"");
}

TEST(WideText, UnpairedSurrogatesBecomeReplacementCharacters)
{
    const std::u16string wide = {u'a', 0xDC00, u'b', 0xD800};
    EXPECT_EQ(Utf16ToUtf8(wide), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(WideText, InvalidBytesBecomeReplacementCharactersAndTheRestIsKept)
{
    // A stray continuation byte, a byte that never starts a character, an
    // encoded surrogate and a sequence cut short by plain text.
    EXPECT_EQ(Utf8ToUtf16("a\x80" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xFFok"), u"\uFFFDok");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    const std::u16string cut = Utf8ToUtf16("\xE7\x99 end");
    ASSERT_GE(cut.size(), 5u);
    EXPECT_EQ(cut.substr(cut.size() - 4), u" end");
    EXPECT_EQ(cut.find_first_not_of(u'\uFFFD'), cut.size() - 4);
}

}  // namespace
