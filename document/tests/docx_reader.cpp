#include "office_docs.h"
#include "sample_text.h"

#include <varnel/document.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

namespace document {
namespace {

using namespace document::testing;

constexpr const char* kStyles =
    "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/>"
    "<w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Kapitel\"><w:name w:val=\"Kapitel\"/><w:basedOn w:val=\"Heading1\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Part\"><w:name w:val=\"Part\"/><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"H2\"><w:name w:val=\"heading 2\"/><w:basedOn w:val=\"Heading1\"/>"
    "<w:pPr><w:outlineLvl w:val=\"1\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"TOCHeading\"><w:name w:val=\"TOC Heading\"/><w:basedOn w:val=\"Heading1\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"TOC1\"><w:name w:val=\"toc 1\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"BookTitle\"><w:name w:val=\"Title\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Loop\"><w:name w:val=\"Loop\"/><w:basedOn w:val=\"Loop\"/></w:style>"
    "</w:styles>";

Reading ReadDocxFile(const std::filesystem::path& path)
{
    EXPECT_EQ(Recognise(path), Kind::Docx);
    return Read(path, Kind::Docx);
}

TEST(DocxReader, ReadsTheSampleWithoutDeletionsFieldCodesAndRuby)
{
    ExpectLighthouse(ReadDocxFile(Sample("lighthouse.docx")));
}

TEST(DocxReader, HeadingsComeFromStylesByNameAndOutlineLevel)
{
    testing_support::ScratchDir scratch;
    const auto sample = Without(ZipEntries(Sample("lighthouse.docx")), "docProps/core.xml");
    const std::string body = WordBody(
        WordParagraph("The Long Road", "BookTitle") + WordParagraph("Contents", "TOCHeading") +
        WordParagraph("Start\t1", "TOC1") + WordParagraph("Opening words before any heading.") +
        WordParagraph("Departure", "Kapitel") + WordParagraph("On the way", "H2") +
        "<w:p><w:r><w:t>We left</w:t></w:r><w:r><w:tab/><w:t>at</w:t><w:br/><w:t>dawn</w:t></w:r>"
        "<w:r><w:rPr><w:vanish/></w:rPr><w:t>(hidden)</w:t></w:r>"
        "<w:ins w:id=\"1\"><w:r><w:t xml:space=\"preserve\"> gladly</w:t></w:r></w:ins><w:r><w:t>.</w:t></w:r></w:p>"
        "<w:p><w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:t>Boxed.</w:t></mc:Choice>"
        "<mc:Fallback><w:t>Boxed.</w:t></mc:Fallback></mc:AlternateContent></w:r></w:p>" +
        WordParagraph("Arrival", "Part") + WordParagraph("Looping style.", "Loop") +
        "<w:p><w:pPr><w:outlineLvl w:val=\"0\"/></w:pPr><w:r><w:t>Home</w:t></w:r></w:p>" +
        "<w:sdt><w:sdtPr><w:docPartObj><w:docPartGallery w:val=\"Table of Contents\"/></w:docPartObj></w:sdtPr>"
        "<w:sdtContent>" + WordParagraph("Departure 2") + "</w:sdtContent></w:sdt>" +
        WordParagraph("The end."));
    WriteZip(scratch / "road.docx", With(With(sample, "word/document.xml", body), "word/styles.xml", kStyles));
    Reading reading = ReadDocxFile(scratch / "road.docx");
    ASSERT_TRUE(reading.ok) << reading.problem;
    // Without core.xml the Title paragraph names the document.
    EXPECT_EQ(reading.document.title, "The Long Road");
    EXPECT_EQ(reading.document.author, "");
    std::vector<std::string> titles;
    for (const Chapter& chapter : reading.document.chapters) titles.push_back(chapter.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"The Long Road", "Departure", "Arrival", "Home"}));
    EXPECT_EQ(reading.document.chapters[0].text, "Opening words before any heading.");
    EXPECT_EQ(reading.document.chapters[1].text, "Departure\n\nOn the way\n\nWe left at dawn gladly.\n\nBoxed.");
    EXPECT_EQ(reading.document.chapters[2].text, "Arrival\n\nLooping style.");
    EXPECT_EQ(reading.document.chapters[3].text, "Home\n\nThe end.");
}

TEST(DocxReader, RefusesDamagedDocuments)
{
    testing_support::ScratchDir scratch;
    const auto sample = ZipEntries(Sample("lighthouse.docx"));
    WriteZip(scratch / "bad.docx", With(sample, "word/document.xml", WordBody("<w:p><w:r><w:t>open</w:r></w:p>")));
    EXPECT_EQ(ReadDocxFile(scratch / "bad.docx").problem,
              "has malformed XML in word/document.xml (line 1: Opening and ending tag mismatch: t line 1 and r)");
    WriteZip(scratch / "styles.docx", With(sample, "word/styles.xml", "<w:styles"));
    EXPECT_EQ(ReadDocxFile(scratch / "styles.docx").problem.rfind("has malformed XML in word/styles.xml (", 0), 0u);
    const std::string bytes = FileBytes(Sample("lighthouse.docx"));
    WriteFile(scratch / "cut.docx", bytes.substr(0, bytes.size() - 30));
    EXPECT_EQ(Read(scratch / "cut.docx", Kind::Docx).problem, "is a damaged DOCX archive (Not a zip archive)");
}

}  // namespace
}  // namespace document
