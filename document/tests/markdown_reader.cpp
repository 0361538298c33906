#include "markdown_parser.h"
#include "readers.h"

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace document {
namespace {

using namespace std::literals;

const std::string kSamples = VARNEL_DOCUMENT_SAMPLES;

std::vector<std::string> Titles(const Document& document)
{
    std::vector<std::string> titles;
    for (const Chapter& chapter : document.chapters) titles.push_back(chapter.title);
    return titles;
}

Document Parsed(std::string_view markdown)
{
    Reading reading = ParseMarkdown(markdown, "notes");
    EXPECT_TRUE(reading.ok) << reading.problem;
    return reading.document;
}

TEST(MarkdownReader, ReadsTheSampleLeavingOutTitleBlockFootnotesImagesAndHtml)
{
    Reading reading = ReadMarkdown(kSamples + "/keeper.md");
    ASSERT_TRUE(reading.ok) << reading.problem;
    const Document& document = reading.document;
    EXPECT_EQ(document.title, "The Keeper's Log");
    EXPECT_EQ(document.author, "Ada Merrow, Tom Vell");
    // The first heading repeats the title: neither chapter nor text. The
    // chapters are the second level, setext and ATX alike.
    EXPECT_EQ(Titles(document), (std::vector<std::string>{"The Keeper's Log", "Chapter One: The Storm",
                                                          "Chapter Two: The Morning"}));
    ASSERT_EQ(document.chapters.size(), 3u);
    EXPECT_EQ(document.chapters[0].text, "Kept at Gull Rock by the keeper, with notes on the weather & the sea \u2014 as it came.");
    EXPECT_EQ(document.chapters[1].text,
              "Chapter One: The Storm\n\n"
              "The wind rose at dusk. The lamp was lit at six, by the almanac, and the wick trimmed twice. Sleet "
              "followed.\n\n"
              "What was done\n\nLit the lamp.\n\nCleared the ice:\n\nfrom the lantern,\n\nfrom the gallery.\n\n"
              "The sea is no place for a careless man. Nor for a tired one.\n\n"
              "WIND NE 9");
    EXPECT_EQ(document.chapters[2].text,
              "Chapter Two: The Morning\n\nHour\n\nSea\n\n6\n\nrough\n\n9\n\nsettling\n\n"
              "Three sailors came ashore\u2014alive.");
}

TEST(MarkdownReader, TakesTheTitleFromTheTitleBlockOrALoneTopHeading)
{
    Document pandoc = Parsed("% The Lamp\n  and the Rock\n% Ada Merrow; Tom Vell\n% 1891\n\n# The Lamp and the Rock\n\nText.\n");
    EXPECT_EQ(pandoc.title, "The Lamp and the Rock");
    EXPECT_EQ(pandoc.author, "Ada Merrow, Tom Vell");
    EXPECT_EQ(Titles(pandoc), (std::vector<std::string>{"The Lamp and the Rock"}));
    EXPECT_EQ(pandoc.chapters[0].text, "Text.");

    // Without a title block a lone top heading is the title; its subheadings are the chapters.
    Document lone = Parsed("Logbook\n=======\n\nFirst words.\n\n## Monday\n\nCalm.\n\n## Tuesday\n\nRain.\n");
    EXPECT_EQ(lone.title, "Logbook");
    EXPECT_EQ(Titles(lone), (std::vector<std::string>{"Logbook", "Monday", "Tuesday"}));
    EXPECT_EQ(lone.chapters[0].text, "First words.");
    EXPECT_EQ(lone.chapters[2].text, "Tuesday\n\nRain.");

    // Two top headings: no title, each a chapter; the untitled front text is named after the file.
    Document two = Parsed("Before.\n\n# One\n\nA.\n\n### Deep\n\nB.\n\n# Two\n\nC.\n");
    EXPECT_EQ(two.title, "");
    EXPECT_EQ(Titles(two), (std::vector<std::string>{"notes", "One", "Two"}));
    EXPECT_EQ(two.chapters[1].text, "One\n\nA.\n\nDeep\n\nB.");

    // Front matter whose title differs from the first heading: that heading is a chapter.
    Document front = Parsed("---\ntitle: 'It''s Late'\nauthor:\n  - name: Ada Merrow\n  - Tom Vell\n---\n# Dusk\n\nDark.\n");
    EXPECT_EQ(front.title, "It's Late");
    EXPECT_EQ(front.author, "Ada Merrow, Tom Vell");
    EXPECT_EQ(Titles(front), (std::vector<std::string>{"Dusk"}));

    // A "---" never closed is a thematic break, not front matter.
    Document open = Parsed("---\ntitle: no\n\nWords.\n");
    EXPECT_EQ(open.title, "");
    EXPECT_EQ(open.chapters[0].text, "title: no\n\nWords.");
}

TEST(MarkdownReader, LeavesOutFootnotesAndKeepsTextValid)
{
    Document notes = Parsed("Waves[^1] and wind[^w].\n\n[^1]: A first note\nrunning on.\n\n    Still the note.\n\n"
                            "[^w]: Second.\n\nAfter, `[^1]` and [^x].\n\n```\n[^1]: kept in code\n```\n");
    EXPECT_EQ(notes.chapters[0].text, "Waves and wind.\n\nAfter, [^1] and [^x].\n\n[^1]: kept in code");

    // Bytes that are not UTF-8, a NUL and entities that name no character become U+FFFD.
    Document bytes = Parsed("Caf\xE9 \xC3\xA9t\xC3\xA9 \xED\xA0\x80 a\0b &#0; &#x110000; &bogus; &#233;"sv);
    EXPECT_EQ(bytes.chapters[0].text,
              "Caf\uFFFD \u00E9t\u00E9 \uFFFD\uFFFD\uFFFD a\uFFFDb \uFFFD \uFFFD &bogus; \u00E9");

    EXPECT_EQ(ParseMarkdown("---\ntitle: Only a title\n---\n\n<!-- nothing -->\n![](x.png)\n", "x").problem,
              "has no text to read aloud");
    EXPECT_EQ(ParseMarkdown("# A\n\n" + std::string(100, 'w'), "x", 60).problem,
              "has more than 60 bytes of text, the most that is read");
    EXPECT_TRUE(ParseMarkdown("# A\n\n" + std::string(100, 'w'), "x", 110).ok);

    testing_support::ScratchDir scratch;
    EXPECT_EQ(ReadMarkdown((scratch / "missing.md").string()).problem, "cannot be opened: no such file or directory");
    EXPECT_EQ(ReadMarkdown(scratch.path().string()).problem, "is a folder, not a Markdown file");
    std::ofstream(scratch / "Tide Table.MD") << "Low at noon.\n";
    Reading untitled = ReadMarkdown((scratch / "Tide Table.MD").string());
    ASSERT_TRUE(untitled.ok);
    EXPECT_EQ(Titles(untitled.document), (std::vector<std::string>{"Tide Table"}));
}

}  // namespace
}  // namespace document
