#include "office_docs.h"
#include "sample_text.h"

#include <varnel/document.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

namespace document {
namespace {

using namespace document::testing;

Reading ReadOdtFile(const std::filesystem::path& path)
{
    EXPECT_EQ(Recognise(path), Kind::Odt);
    return Read(path, Kind::Odt);
}

TEST(OdtReader, ReadsTheSampleWithoutNotesAndRuby)
{
    ExpectLighthouse(ReadOdtFile(Sample("lighthouse.odt")));
}

TEST(OdtReader, ChaptersAtOutlineLevelOneWithoutTrackedDeletionsAndIndexes)
{
    testing_support::ScratchDir scratch;
    const std::string content = OdtContent(
        "<style:style style:name=\"P1\" style:family=\"paragraph\" style:parent-style-name=\"Title\"/>",
        "<text:tracked-changes><text:changed-region text:id=\"c1\"><text:deletion><text:p>struck out</text:p>"
        "</text:deletion></text:changed-region></text:tracked-changes>"
        "<text:p text:style-name=\"P1\">Winter Notes</text:p>"
        "<text:table-of-content><text:index-body><text:p>Frost .... 1</text:p></text:index-body></text:table-of-content>"
        "<text:h text:outline-level=\"1\">Frost</text:h>"
        "<text:p>Cold<text:s text:c=\"3\"/>and<text:tab/>clear<text:line-break/>night<text:change text:change-id=\"c1\"/>."
        "<office:annotation><text:p>A comment.</text:p></office:annotation></text:p>"
        "<text:h text:outline-level=\"2\">Deeper</text:h><text:list><text:list-item><text:p>item</text:p></text:list-item></text:list>"
        "<table:table><table:table-row><table:table-cell><text:p>cell</text:p></table:table-cell></table:table-row></table:table>"
        "<text:p><draw:frame><svg:title>A picture</svg:title><draw:image/></draw:frame>After the picture.</text:p>"
        "<text:h>Thaw</text:h><text:p>Warm<text:note><text:note-citation>1</text:note-citation>"
        "<text:note-body><text:p>Note.</text:p></text:note-body></text:note>.</text:p>");
    const std::string meta =
        "<office:document-meta xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<office:meta><dc:creator>Last Editor</dc:creator><meta:initial-creator>First Writer</meta:initial-creator>"
        "</office:meta></office:document-meta>";
    const auto sample = ZipEntries(Sample("lighthouse.odt"));
    WriteZip(scratch / "winter.odt", With(With(sample, "content.xml", content), "meta.xml", meta));
    Reading reading = ReadOdtFile(scratch / "winter.odt");
    ASSERT_TRUE(reading.ok) << reading.problem;
    EXPECT_EQ(reading.document.title, "Winter Notes");  // from the Title paragraph: meta.xml has none
    EXPECT_EQ(reading.document.author, "First Writer");
    ASSERT_EQ(reading.document.chapters.size(), 2u);
    EXPECT_EQ(reading.document.chapters[0].title, "Frost");
    EXPECT_EQ(reading.document.chapters[0].text,
              "Frost\n\nCold and clear night.\n\nDeeper\n\nitem\n\ncell\n\nAfter the picture.");
    EXPECT_EQ(reading.document.chapters[1].text, "Thaw\n\nWarm.");

    WriteZip(scratch / "bad.odt", With(sample, "content.xml", OdtContent("", "<text:p>unclosed")));
    EXPECT_EQ(ReadOdtFile(scratch / "bad.odt").problem.rfind("has malformed XML in content.xml (line 1: ", 0), 0u);
    WriteZip(scratch / "empty.odt", Without(sample, "content.xml"));
    EXPECT_EQ(ReadOdtFile(scratch / "empty.odt").problem, "is a damaged ODT archive (it has no content.xml)");
}

}  // namespace
}  // namespace document
