#include "chapter_builder.h"

#include <gtest/gtest.h>

namespace document {
namespace {

TEST(ChapterBuilder, GathersBlocksIntoChaptersWithTheFrontTextAsAChapterOfItsOwn)
{
    ChapterBuilder builder;
    EXPECT_TRUE(builder.AddBlock("  A  word\tbefore\n the first entry. "));
    builder.StartChapter(" Chapter\n One ");
    EXPECT_TRUE(builder.AddBlock("Chapter One"));
    EXPECT_TRUE(builder.AddBlock("It was\xC2\xA0late, and co\xC2\xADld."));
    builder.StartChapter("Empty");
    builder.StartChapter("Two");
    EXPECT_TRUE(builder.AddBlock("\xE2\x80\x8B \n"));  // only a zero-width space: no block
    EXPECT_TRUE(builder.AddBlock("Two: the end!"));
    Document document = builder.Finish(" The  Book ", "An Author", "book");

    EXPECT_EQ(document.title, "The Book");
    ASSERT_EQ(document.chapters.size(), 3u);  // the empty chapter is left out
    EXPECT_EQ(document.chapters[0].title, "The Book");
    EXPECT_EQ(document.chapters[0].text, "A word before the first entry.");
    EXPECT_EQ(document.chapters[1].title, "Chapter One");
    EXPECT_EQ(document.chapters[1].text, "Chapter One\n\nIt was late, and cold.");
    EXPECT_EQ(document.chapters[2].text, "Two: the end!");

    SpokenText spoken = JoinChapters(document);
    EXPECT_EQ(spoken.text, "A word before the first entry.\n\nChapter One\n\nIt was late, and cold.\n\nTwo: the end!");
    EXPECT_EQ(spoken.chapterStarts, (std::vector<std::size_t>{0, 32, 69}));
}

TEST(ChapterBuilder, StopsAtTheLargestTextAndNamesAnUntitledDocumentAfterItsFile)
{
    ChapterBuilder builder(20);
    EXPECT_TRUE(builder.AddBlock("0123456789"));
    EXPECT_TRUE(builder.AddBlock("01234567"));  // 10 + 2 + 8 bytes: just fits
    EXPECT_FALSE(builder.AddBlock("x"));
    EXPECT_TRUE(builder.TooLong());
    Document document = builder.Finish("", "", "notes");
    ASSERT_EQ(document.chapters.size(), 1u);
    EXPECT_EQ(document.chapters[0].title, "notes");
}

TEST(ChapterBuilder, SameTitleIgnoresCaseSpaceAndPunctuation)
{
    EXPECT_TRUE(SameTitle("The Lighthouse: A Tale", "the lighthouse a tale."));
    EXPECT_TRUE(SameTitle("Über Alles", "Über  alles"));
    EXPECT_FALSE(SameTitle("The Lighthouse", "The Lighthouses"));
    EXPECT_FALSE(SameTitle("Über", "über"));  // beyond ASCII, letters must match exactly
}

}  // namespace
}  // namespace document
