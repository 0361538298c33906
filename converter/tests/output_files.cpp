#include "output_files.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputFiles, TheExtensionsThatWorkInAnyLetterCase)
{
    for (const char* path : {"a.wav", "b/c.OPUS", "d.Flac", "e.ogg", "f.mp3", "g.m4a", "h.M4B", "./i j.wav"})
        EXPECT_TRUE(narrate::AudioExtension(path)) << path;
    EXPECT_EQ(narrate::AudioExtension("Book.Opus"), "opus");
    for (const char* path : {"out", "out.", "out.aac", "out.wav.tmp", "folder.wav/out", ".wav", "dir/.mp3"})
        EXPECT_FALSE(narrate::AudioExtension(path)) << path;
}

TEST(OutputFiles, AFilePerChapterIsNamedByNumberAndTitleAndTaggedAsATrack)
{
    InputText book;
    book.document = true;
    book.title = u"The Lighthouse";
    book.author = u"A. Keeper";
    book.text = u"Intro text.\n\nA storm.\n\nEnd.";
    book.chapters = {{u"Introduction", 0, 11, 2}, {u"Wind/Rain: ..", 13, 8, 2}, {u"  .hidden  ", 23, 4, 1}};
    std::vector<narrate::OutputFile> files = narrate::FilePerChapter(book, "out/book.opus", {1, 2, 12}, 12);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, "out/book 01 Introduction.opus");
    EXPECT_EQ(files[1].path, "out/book 02 Wind Rain.opus");  // nothing a memory card refuses, no dots at the end
    EXPECT_EQ(files[2].path, "out/book 12 hidden.opus");     // nor at the start
    EXPECT_EQ(files[1].text, u"A storm.");
    EXPECT_EQ(files[1].title, u"Wind/Rain: ..");
    EXPECT_EQ(files[1].album, u"The Lighthouse");
    EXPECT_EQ(files[1].artist, u"A. Keeper");
    EXPECT_EQ(files[1].track, u"2/12");
    ASSERT_EQ(files[1].chapters.size(), 1u);
    EXPECT_EQ(files[1].chapters[0].start, 0u);

    // A long title is cut to a name a file system takes, never inside a character.
    book.chapters[0].title = std::u16string(200, u'\u00e9');
    const std::string path = narrate::FilePerChapter(book, "b.mp3", {1}, 120)[0].path;
    EXPECT_LE(path.size(), 140u);
    EXPECT_EQ(path.rfind("b 001 ", 0), 0u);
    EXPECT_EQ(path.substr(path.size() - 4), ".mp3");
}

TEST(OutputFiles, AWholeTextFileHasNoChapterMarks)
{
    InputText text;
    text.text = u"just text";
    text.title = u"notes";
    text.chapters = {{u"notes", 0, 9, 2}};
    narrate::OutputFile file = narrate::WholeFile(text, "notes.opus");
    EXPECT_TRUE(file.chapters.empty());
    EXPECT_EQ(file.title, u"notes");
    text.document = true;
    EXPECT_EQ(narrate::WholeFile(text, "notes.opus").chapters.size(), 1u);
}

}  // namespace
