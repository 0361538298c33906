#include "text_blocks.h"

#include <gtest/gtest.h>

namespace document {
namespace {

TEST(TextBlocks, BlockTextKeepsOneBlankAndStopsInsideNoCharacter)
{
    BlockText text(16);
    text.Add("  two \t\n words ");
    text.AddBlank();
    EXPECT_EQ(text.Take(), "two words");
    EXPECT_TRUE(text.Empty());
    // 10 bytes so far, the trailing blank counted; 5 more: 15.
    text.Add("caf\xC3\xA9");
    text.Add("\xE6\x9D\xB1");  // its first byte fits, the character does not: left out whole
    EXPECT_TRUE(text.TooLong());
    EXPECT_EQ(text.Take(), "caf\xC3\xA9");
    text.Add("more");
    EXPECT_EQ(text.Take(), "");

    EXPECT_EQ(LevelNumber(" 2 ", 0), 2);
    EXPECT_EQ(LevelNumber("99999999999", 7), 7);
    EXPECT_EQ(LevelNumber("-1", 7), 7);
    EXPECT_EQ(FileTitle("/books/The Sea.v2.epub"), "The Sea.v2");
}

TEST(TextBlocks, TheTitleBlockIsNotSpoken)
{
    const std::string title = "The Sea", author = "Ann Lee";
    // A title page before the first chapter: the title, the author, a date.
    const std::vector<Block> book = {{"The Sea", 1}, {"by Ann Lee"}, {"2024"}, {"One", 1}, {"Waves."}, {"Two", 1}, {"Calm."}};
    FlowResult flow = BuildFlow(book, TopHeadingLevel(book, title), title, author, "file");
    ASSERT_FALSE(flow.tooLong);
    ASSERT_EQ(flow.document.chapters.size(), 2u);
    EXPECT_EQ(flow.document.chapters[0].title, "One");
    EXPECT_EQ(flow.document.chapters[0].text, "One\n\nWaves.");
    EXPECT_EQ(flow.document.chapters[1].text, "Two\n\nCalm.");

    // A preface is no title page: it is a chapter of its own. Marked title
    // blocks never count, wherever they are.
    const std::vector<Block> preface = {{"Sea Stories", 0, true}, {"A word before we begin, about the many years this took."},
                                        {"One", 2}, {"Waves."}, {"Subtitle", 0, true}, {"Deeper", 3}};
    EXPECT_EQ(TopHeadingLevel(preface, "Sea Stories"), 2);
    flow = BuildFlow(preface, 2, "Sea Stories", "", "file");
    ASSERT_EQ(flow.document.chapters.size(), 2u);
    EXPECT_EQ(flow.document.chapters[0].title, "Sea Stories");
    EXPECT_EQ(flow.document.chapters[1].text, "One\n\nWaves.\n\nDeeper");

    // Without chapters, or without a title to know a title page by, all is read.
    flow = BuildFlow({{"The Sea"}, {"Waves."}}, 0, "", "", "notes");
    ASSERT_EQ(flow.document.chapters.size(), 1u);
    EXPECT_EQ(flow.document.chapters[0].title, "notes");
    EXPECT_EQ(flow.document.chapters[0].text, "The Sea\n\nWaves.");

    EXPECT_FALSE(IsTitlePage({}, title, author));
    EXPECT_FALSE(IsTitlePage({{"The Sea"}, {"and one sentence that runs on far too long to be on any title page at all"}},
                             title, author));
    EXPECT_TRUE(IsTitlePage({{"Ann Lee"}, {"First edition"}}, title, author));
}

}  // namespace
}  // namespace document
