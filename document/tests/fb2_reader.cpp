#include "document_files.h"
#include "sample_text.h"

#include <varnel/document.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

namespace document {
namespace {

using namespace document::testing;

Reading ReadFb2File(const std::filesystem::path& path)
{
    EXPECT_EQ(Recognise(path), Kind::Fb2);
    return Read(path, Kind::Fb2);
}

TEST(Fb2Reader, ReadsTheSampleWithoutTheNotesBody)
{
    ExpectLighthouse(ReadFb2File(Sample("lighthouse.fb2")));
}

TEST(Fb2Reader, TopLevelSectionsAreChaptersInAnyEncoding)
{
    testing_support::ScratchDir scratch;
    // windows-1251: "Зима" is E7 E8 EC E0.
    const std::string book =
        "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
        "<FictionBook xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\" xmlns:l=\"http://www.w3.org/1999/xlink\">"
        "<description><title-info><author><first-name>Ada</first-name><middle-name>B.</middle-name>"
        "<last-name>Example</last-name></author><author><nickname>Gull</nickname></author>"
        "<book-title>\xC7\xE8\xEC\xE0</book-title><annotation><p>Not read.</p></annotation></title-info>"
        "<document-info><author><nickname>maker</nickname></author></document-info></description>"
        "<body><title><p>\xC7\xE8\xEC\xE0</p></title><epigraph><p>Cold words first.</p>"
        "<text-author>Someone</text-author></epigraph>"
        "<section><title><p>Part One</p><p>Snow</p></title><p>It snowed<a l:href=\"#n1\" type=\"note\">1</a>.</p>"
        "<image l:href=\"#pic\"/><section><title><p>Deeper</p></title><poem><stanza><v>a line</v><v>another</v>"
        "</stanza></poem><empty-line/><p>After.</p></section></section>"
        "<section><p>A section without a title.</p></section></body>"
        "<body name=\"notes\"><section id=\"n1\"><title><p>1</p></title><p>The note.</p></section></body>"
        "<binary id=\"pic\" content-type=\"image/png\">iVBORw0KGgo=</binary></FictionBook>";
    WriteFile(scratch / "winter.fb2", book);
    Reading reading = ReadFb2File(scratch / "winter.fb2");
    ASSERT_TRUE(reading.ok) << reading.problem;
    EXPECT_EQ(reading.document.title, "Зима");
    EXPECT_EQ(reading.document.author, "Ada B. Example, Gull");
    ASSERT_EQ(reading.document.chapters.size(), 3u);
    EXPECT_EQ(reading.document.chapters[0].title, "Зима");  // the epigraph before the first section
    EXPECT_EQ(reading.document.chapters[0].text, "Cold words first.\n\nSomeone");
    EXPECT_EQ(reading.document.chapters[1].title, "Part One Snow");
    EXPECT_EQ(reading.document.chapters[1].text, "Part One Snow\n\nIt snowed.\n\nDeeper\n\na line\n\nanother\n\nAfter.");
    EXPECT_EQ(reading.document.chapters[2].title, "Зима");
    EXPECT_EQ(reading.document.chapters[2].text, "A section without a title.");

    WriteFile(scratch / "bad.fb2", book.substr(0, book.size() / 2));
    EXPECT_EQ(ReadFb2File(scratch / "bad.fb2").problem.rfind("has malformed XML (line ", 0), 0u)
        << ReadFb2File(scratch / "bad.fb2").problem;
}

}  // namespace
}  // namespace document
