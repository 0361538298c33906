#include "document_files.h"
#include "sample_text.h"

#include <varnel/document.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

namespace document {
namespace {

Reading ReadHtmlText(const testing_support::ScratchDir& scratch, const std::string& name, const std::string& bytes)
{
    testing::WriteFile(scratch / name, bytes);
    EXPECT_EQ(Recognise(scratch / name), Kind::Html);
    return Read(scratch / name, Kind::Html);
}

TEST(HtmlReader, ReadsTheSampleWithoutItsTitleBlockAndNotes)
{
    // pandoc's title block (the title heading and the author's line) is not spoken.
    testing::ExpectLighthouse(Read(testing::Sample("lighthouse.html"), Kind::Html));
}

TEST(HtmlReader, ChaptersAtTheTopHeadingsBelowATitleHeading)
{
    testing_support::ScratchDir scratch;
    // Well-formed XHTML with HTML's entities and no <title>: the first
    // heading is the title, the h2s are the chapters.
    Reading reading = ReadHtmlText(scratch, "sea.xhtml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\"><head>"
        "<meta name=\"author\" content=\"Ada Example\"/><meta name=\"author\" content=\"Bo Second\"/>"
        "<style>p { color: red }</style><script>var spoken = false;</script></head><body>"
        "<h1>The Quiet  Sea</h1><p>Before&nbsp;the first&hellip; \"words\" &amp; more.</p>"
        "<h2>First</h2><p>A&mdash;b, <em>c</em>; d&#x263A;<sup epub:type=\"noteref\">1</sup>!</p>"
        "<h3>Inside</h3><ul><li>one</li><li>two</li></ul><table><tr><td>cell</td><td>next</td></tr></table>"
        "<aside epub:type=\"footnote\"><p>A note.</p></aside><p hidden=\"\">Hidden.</p>"
        "<h2>Second</h2><p>Line<br/>break and <ruby>漢字<rp>(</rp><rt>kanji</rt><rp>)</rp></ruby>.</p>"
        "<div role=\"doc-endnotes\"><p>Endnote.</p></div></body></html>");
    ASSERT_TRUE(reading.ok) << reading.problem;
    EXPECT_EQ(reading.document.title, "The Quiet Sea");
    EXPECT_EQ(reading.document.author, "Ada Example, Bo Second");
    ASSERT_EQ(reading.document.chapters.size(), 3u);
    EXPECT_EQ(reading.document.chapters[0].title, "The Quiet Sea");
    EXPECT_EQ(reading.document.chapters[0].text, "Before the first\u2026 \"words\" & more.");
    EXPECT_EQ(reading.document.chapters[1].title, "First");
    EXPECT_EQ(reading.document.chapters[1].text,
              "First\n\nA\u2014b, c; d\u263A!\n\nInside\n\none\n\ntwo\n\ncell\n\nnext");
    EXPECT_EQ(reading.document.chapters[2].text, "Second\n\nLine break and 漢字.");

    // Tag soup goes to the HTML parser; a document without headings is one
    // chapter named after its title, or after the file.
    reading = ReadHtmlText(scratch, "soup.html",
        "<!DOCTYPE html><HTML><HEAD><TITLE>Soup &amp; Bread</TITLE><META NAME=\"Author\" CONTENT=\"Cook\">"
        "</HEAD><BODY><P>Caf&eacute; first<P>Then&nbsp;more &bogus; <b>bold<i>mixed</b> end</i><br>done");
    ASSERT_TRUE(reading.ok) << reading.problem;
    EXPECT_EQ(reading.document.title, "Soup & Bread");
    EXPECT_EQ(reading.document.author, "Cook");
    ASSERT_EQ(reading.document.chapters.size(), 1u);
    EXPECT_EQ(reading.document.chapters[0].title, "Soup & Bread");
    EXPECT_EQ(reading.document.chapters[0].text, "Café first\n\nThen more &bogus; boldmixed end done");
    reading = ReadHtmlText(scratch, "plain-page.html", "<html><body><p>Only this.</p></body></html>");
    ASSERT_TRUE(reading.ok) << reading.problem;
    EXPECT_EQ(reading.document.chapters[0].title, "plain-page");

    EXPECT_EQ(ReadHtmlText(scratch, "empty.html", "<html><body><script>x()</script></body></html>").problem,
              "has no text to read");
}

}  // namespace
}  // namespace document
