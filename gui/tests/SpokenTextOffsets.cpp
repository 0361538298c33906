// The voice's UTF-16 positions as offsets of the edit box's own text.
#include "SpokenTextOffsets.h"

#include <gtest/gtest.h>

namespace {

TEST(SpokenTextOffsets, AsciiTextMapsOneToOneAndIsClamped)
{
    const CString text("Fortune favors\r\nthe brave.");
    EXPECT_EQ(AnsiOffsetOfUtf16(text, 0), 0);
    EXPECT_EQ(AnsiOffsetOfUtf16(text, 8), 8);
    EXPECT_EQ(AnsiOffsetOfUtf16(text, 16), 16) << "a line break counts two, as in the box";
    EXPECT_EQ(AnsiOffsetOfUtf16(text, 500), text.GetLength());
    EXPECT_EQ(AnsiOffsetOfUtf16(text, -3), 0);
}

TEST(SpokenTextOffsets, TextOutsideAsciiCountsByTheCodePage)
{
    const CString text(u"café 苹果 ok");
    const std::u16string wide = text.ToWide();
    ASSERT_EQ(wide, u"café 苹果 ok") << "the code page holds these characters";
    for (long units : {0L, 3L, 4L, 5L, 6L, 7L, 8L, 10L}) {
        const CString prefix(wide.substr(0, static_cast<std::size_t>(units)).c_str());
        EXPECT_EQ(AnsiOffsetOfUtf16(text, units), prefix.GetLength()) << units;
        EXPECT_EQ(CString(text.Left(AnsiOffsetOfUtf16(text, units))), prefix) << units;
    }
    EXPECT_GT(AnsiOffsetOfUtf16(text, 4), 4) << "é takes more than one unit of the code page";
}

}  // namespace
