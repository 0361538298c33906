#include "chapter_selection.h"

#include <gtest/gtest.h>

namespace {

using narrate::ParsePickList;
using Numbers = std::vector<std::size_t>;

InputText Book()
{
    InputText book;
    book.document = true;
    book.text = u"One.\n\nTwo two.\n\nThree three three.";
    book.chapters = {{u"I", 0, 4, 1}, {u"II", 6, 8, 2}, {u"III", 16, 18, 3}};
    return book;
}

TEST(ChapterSelection, PickListsNameChaptersOnceInOrder)
{
    std::string error;
    EXPECT_EQ(ParsePickList("3", 5, error), (Numbers{3}));
    EXPECT_EQ(ParsePickList("4-5,1,2-3,2", 5, error), (Numbers{1, 2, 3, 4, 5}));
    for (const char* bad : {"", "0", "3-1", "2,", ",2", "a", "1;2", "1-", "-2", "2 3"}) {
        EXPECT_FALSE(ParsePickList(bad, 5, error)) << bad;
        EXPECT_NE(error.find("such as 3 or 2,4-6"), std::string::npos) << bad;
    }
    EXPECT_FALSE(ParsePickList("2,6", 5, error));
    EXPECT_EQ(error, "--pick 2,6: there is no chapter 6, the input has 5");
}

TEST(ChapterSelection, PickedAndRepeatedChaptersKeepTheirPlaceInTheText)
{
    InputText picked = narrate::PickChapters(Book(), {1, 3});
    EXPECT_EQ(picked.text, u"One.\n\nThree three three.");
    ASSERT_EQ(picked.chapters.size(), 2u);
    EXPECT_EQ(picked.chapters[1].title, u"III");
    EXPECT_EQ(picked.chapters[1].start, 6u);
    EXPECT_EQ(picked.text.substr(picked.chapters[1].start, picked.chapters[1].length), u"Three three three.");

    InputText twice = narrate::RepeatInput(picked, 2);
    EXPECT_EQ(twice.text, u"One.\n\nThree three three.\n\nOne.\n\nThree three three.");
    ASSERT_EQ(twice.chapters.size(), 4u);
    EXPECT_EQ(twice.text.substr(twice.chapters[2].start, twice.chapters[2].length), u"One.");

    // A text file's copies are one blank apart, as the dialog repeats a text.
    InputText text;
    text.text = u"say this";
    EXPECT_EQ(narrate::RepeatInput(text, 3).text, u"say this say this say this");
}

}  // namespace
