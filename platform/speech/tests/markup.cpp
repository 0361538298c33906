#include "markup.h"

#include <gtest/gtest.h>

namespace speech {
namespace {

using Kind = SpeechPiece::Kind;

TEST(Markup, OnlyTextStartingWithAnAngleBracketIsMarkup)
{
    EXPECT_TRUE(LooksLikeMarkup(u"<rate speed=\"2\">x</rate>"));
    EXPECT_TRUE(LooksLikeMarkup(u" \r\n<silence msec=\"5\"/>"));
    EXPECT_FALSE(LooksLikeMarkup(u"a <b>"));
    EXPECT_FALSE(LooksLikeMarkup(u""));
    EXPECT_FALSE(LooksLikeMarkup(u"   "));
}

TEST(Markup, PlainTextIsOnePieceSaidAsItIs)
{
    auto pieces = PlainText(u"a <b> & c");
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].text, "a <b> & c");
    EXPECT_TRUE(PlainText(u"").empty());
}

TEST(Markup, SilenceAndUnknownTagsAreNeverSpoken)
{
    auto pieces = ParseMarkup(u"<sapi><voice required=\"x\">one<silence msec=\"250\"/>two<bookmark mark=\"m\"/>"
                              u"<!-- a <comment> -->three</voice></sapi>");
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0].text, "one");
    EXPECT_EQ(pieces[1].kind, Kind::Silence);
    EXPECT_EQ(pieces[1].silenceMs, 250u);
    EXPECT_EQ(pieces[2].text, "two");
    // A bookmark is a piece of its own, so its event falls between the words.
    EXPECT_EQ(pieces[3].kind, Kind::Bookmark);
    EXPECT_EQ(pieces[3].text, "m");
    EXPECT_EQ(pieces[4].text, "three");
    // Each text piece knows where it stands in the request: "two" begins at unit 50.
    ASSERT_FALSE(pieces[2].source.empty());
    EXPECT_EQ(pieces[2].source.front().at, 0u);
    EXPECT_EQ(pieces[2].source.front().unit, 50u);
    EXPECT_EQ(pieces[4].source.front().unit, 93u);
}

TEST(Markup, RateIsAbsoluteOrRelativeAndEndsWithItsTag)
{
    auto pieces = ParseMarkup(u"<rate absspeed=\"5\">fast<rate speed=\"-2\">less</rate></rate>normal"
                              u"<rate speed='3'/>after");
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces[0].absoluteRate, 5);
    EXPECT_EQ(pieces[0].rateChange, 0);
    EXPECT_EQ(pieces[1].absoluteRate, 5);
    EXPECT_EQ(pieces[1].rateChange, -2);
    EXPECT_EQ(pieces[2].absoluteRate, std::nullopt);
    EXPECT_EQ(pieces[2].rateChange, 0);
    EXPECT_EQ(pieces[3].rateChange, 3);  // an empty tag changes the rest of the text
}

TEST(Markup, VolumePitchEmphasisAndSpelling)
{
    auto pieces = ParseMarkup(u"<volume level=\"40\"><pitch absmiddle=\"-4\">a<emph>b</emph><spell>c</spell>"
                              u"</pitch></volume><volume level=\"900\">d</volume>");
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces[0].volume, 40);
    EXPECT_EQ(pieces[0].pitch, -4);
    EXPECT_TRUE(pieces[1].emphasis);
    EXPECT_FALSE(pieces[1].spell);
    EXPECT_TRUE(pieces[2].spell);
    EXPECT_FALSE(pieces[2].emphasis);
    EXPECT_EQ(pieces[3].volume, 100);  // clamped
    EXPECT_EQ(pieces[3].pitch, 0);
}

TEST(Markup, EntitiesAreDecodedAndBadInputIsHarmless)
{
    auto pieces = ParseMarkup(u"<x/>a &lt; b &amp;&#65;&#x42; &bogus; &");
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].text, "a < b &AB &bogus; &");
    EXPECT_TRUE(ParseMarkup(u"<rate speed=\"never closed").empty());
    EXPECT_TRUE(ParseMarkup(u"<silence msec=\"-5\"/><silence msec=\"abc\"/><silence/>").empty());
    auto unbalanced = ParseMarkup(u"</rate></emph>text</volume>");
    ASSERT_EQ(unbalanced.size(), 1u);
    EXPECT_EQ(unbalanced[0].text, "text");
}

}  // namespace
}  // namespace speech
