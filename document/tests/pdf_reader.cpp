#include "pdf_reader.h"

#include "pdf_hyphens.h"
#include "pdf_running_heads.h"
#include "readers.h"

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace document {
namespace {

const std::string kSamples = VARNEL_DOCUMENT_SAMPLES;

void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A PDF of one page per content stream, in Helvetica, with the cross
// reference table its offsets need.
std::string HandWrittenPdf(const std::vector<std::string>& pageContents)
{
    std::vector<std::string> objects;
    std::string kids;
    const std::size_t firstPage = 4;
    for (std::size_t i = 0; i < pageContents.size(); ++i)
        kids += std::to_string(firstPage + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageContents.size()) + " >>");
    objects.push_back("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    for (std::size_t i = 0; i < pageContents.size(); ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] /Resources << /Font << /F1 3 0 R >> >> "
                          "/Contents " + std::to_string(firstPage + 2 * i + 1) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(pageContents[i].size()) + " >>\nstream\n" + pageContents[i] +
                          "\nendstream");
    }
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

TEST(PdfReader, ReadsTheSampleWithoutRunningHeadsInParagraphsAndOutlineChapters)
{
    Reading reading = ReadPdf(kSamples + "/keeper.pdf");
    ASSERT_TRUE(reading.ok) << reading.problem;
    const Document& document = reading.document;
    EXPECT_EQ(document.title, "The Keeper of Gull Rock");
    EXPECT_EQ(document.author, "Ada Merrow");
    // Three top-level entries; "The Night Watch" below the first is no chapter of its own.
    ASSERT_EQ(document.chapters.size(), 3u);
    EXPECT_EQ(document.chapters[0].title, "Chapter One: The Storm");
    EXPECT_EQ(document.chapters[1].title, "Chapter Two: The Morning");
    EXPECT_EQ(document.chapters[2].title, "Chapter Three: The Letter");

    const std::string& one = document.chapters[0].text;
    // Hyphenated line ends joined, a real compound kept, the sub-entry's heading a block.
    EXPECT_TRUE(one.starts_with("Chapter One: The Storm\n\nThe lighthouse stood on its black rock through every "
                                "winter storm, and its keeper climbed the hundred and twelve stairs each evening "
                                "to light the lamp. Nobody in the village remembered a night"))
        << one;
    EXPECT_NE(one.find("without gratitude.\n\nThat evening the wind came from the north-east, carrying sleet"),
              std::string::npos);
    EXPECT_NE(one.find("polished the enormous lens"), std::string::npos);
    EXPECT_NE(one.find("harbour.\n\nThe Night Watch\n\nThrough the long night watch he listened to the "
                       "extraordinary thunder of the waves, which shook the tower to its foundations."),
              std::string::npos);
    // The paragraph runs on across the page break, past the running head and the page number.
    EXPECT_NE(one.find("and twice the wind nearly tore the door from its hinges. Towards morning the ship he had "
                       "seen was nowhere to be found, and he feared the worst for her crew.\n\nHe kept the lamp"),
              std::string::npos);
    EXPECT_TRUE(one.ends_with("might find their way to shore.")) << one;

    EXPECT_EQ(document.chapters[1].text,
              "Chapter Two: The Morning\n\n"
              "When the storm had passed the sea lay grey and exhausted under a pale sky. Fragments of timber "
              "drifted in the shallows, and a single oar had come to rest against the landing steps. The keeper "
              "rowed out among the rocks, calling into the silence, until at last a faint answering voice came "
              "from the cove.\n\n"
              "Three sailors had spent the night in a cave above the waterline, sheltered by an overhanging "
              "ledge. They were cold, hungry and astonished to be alive, and they told him that the light had "
              "been the only thing that kept them hoping through the whole north-east gale.");
    // The chapter starts on its page below where the one before ends, and runs on over the next page.
    EXPECT_EQ(document.chapters[2].text,
              "Chapter Three: The Letter\n\n"
              "A month later a letter arrived from the shipping company, thanking the keeper for his vigilance "
              "and announcing a small pension in recognition of his service. He pinned it to the wall beside "
              "the logbook, climbed the stairs as usual, and lit the lamp.");
    for (const Chapter& chapter : document.chapters) {
        EXPECT_EQ(chapter.text.find("Gull Rock"), std::string::npos);
        EXPECT_EQ(chapter.text.find("Page"), std::string::npos);
        EXPECT_EQ(chapter.text.find("- 2 -"), std::string::npos);
    }
}

TEST(PdfReader, GivesOneProblemForEachKindOfBadPdf)
{
    testing_support::ScratchDir scratch;
    const std::string sample = ReadBytes(kSamples + "/keeper.pdf");
    WriteFile(scratch / "cut.pdf", sample.substr(0, sample.size() / 2));
    WriteFile(scratch / "junk.pdf", "%PDF-1.4\nnothing of a PDF follows\n");
    WriteFile(scratch / "blank.pdf", HandWrittenPdf({"", "0 0 1 rg 10 10 100 100 re f"}));

    EXPECT_EQ(ReadPdf((scratch / "cut.pdf").string()).problem, "is a damaged PDF that cannot be read");
    EXPECT_EQ(ReadPdf((scratch / "junk.pdf").string()).problem, "is a damaged PDF that cannot be read");
    EXPECT_EQ(ReadPdf(kSamples + "/encrypted.pdf").problem, "is an encrypted PDF that needs a password");
    EXPECT_EQ(ReadPdf((scratch / "blank.pdf").string()).problem,
              "has no text layer: its pages are images, perhaps scanned; nothing can be read aloud");
    EXPECT_EQ(ReadPdf((scratch / "missing.pdf").string()).problem, "cannot be opened: no such file or directory");
    EXPECT_EQ(ReadPdf(scratch.path().string()).problem, "is a folder, not a PDF");
    for (const char* name : {"cut.pdf", "junk.pdf", "blank.pdf"}) EXPECT_FALSE(ReadPdf((scratch / name).string()).ok);

    // The text passes the largest size: refused, however much fits.
    EXPECT_EQ(ReadPdf(kSamples + "/keeper.pdf", 1000).problem, "has more than 1000 bytes of text, the most that is read");
    EXPECT_TRUE(ReadPdf(kSamples + "/keeper.pdf", 4000).ok);
}

TEST(PdfReader, NamesADocumentWithoutOutlineOrInformationAfterItsFile)
{
    testing_support::ScratchDir scratch;
    WriteFile(scratch / "field notes.pdf",
              HandWrittenPdf({"BT /F1 12 Tf 20 360 Td (Gulls: twelve, \\(or more\\), and the wind) Tj 0 -14 Td "
                              "(from the west.) Tj 0 -30 Td (Tide low at noon.) Tj ET",
                              "BT /F1 12 Tf 20 360 Td (Calm by evening.) Tj ET"}));
    Reading reading = ReadPdf((scratch / "field notes.pdf").string());
    ASSERT_TRUE(reading.ok) << reading.problem;
    EXPECT_EQ(reading.document.title, "");
    ASSERT_EQ(reading.document.chapters.size(), 1u);
    EXPECT_EQ(reading.document.chapters[0].title, "field notes");
    EXPECT_EQ(reading.document.chapters[0].text, "Gulls: twelve, (or more), and the wind from the west.\n\nTide low at noon.\n\nCalm by evening.");
}

PdfLine Line(std::string text, double top, double left = 72, double right = 300)
{
    PdfLine line;
    line.text = std::move(text);
    line.top = top, line.bottom = top + 10, line.left = left, line.right = right;
    line.firstWordWidth = 20;
    return line;
}

TEST(PdfRunningHeads, RemovesRowsThatRepeatWithOnlyDigitsChangingAndPageNumbers)
{
    EXPECT_TRUE(IsPageNumber("12"));
    EXPECT_TRUE(IsPageNumber("- 12 -"));
    EXPECT_TRUE(IsPageNumber("Page 3 of 40"));
    EXPECT_TRUE(IsPageNumber("xiv"));
    EXPECT_TRUE(IsPageNumber("[7]"));
    EXPECT_FALSE(IsPageNumber("civil"));  // letters of Roman numerals, not a numeral
    EXPECT_FALSE(IsPageNumber("12 men"));
    EXPECT_FALSE(IsPageNumber("1914-1918!"));

    std::vector<PdfPage> pages(8);
    for (int p = 0; p < 8; ++p) {
        // Odd and even pages carry different heads; chapters open on pages 0 and 5, without one.
        const std::string number = std::to_string(p + 1);
        const std::string head = p == 0 ? "Chapter 1" : p == 5 ? "Chapter 2"
                               : p % 2  ? "A Book of Tides " + number
                                        : number + " Chapter";
        pages[p].lines.push_back(Line(head, 50));
        pages[p].lines.push_back(Line("Body text of page " + number + ".", 80));
        pages[p].lines.push_back(Line("The last line.", 92));
        pages[p].lines.push_back(Line(p == 6 ? "- " + number + " -" : "p. " + number, 380, 140, 160));
    }
    pages[7].lines.push_back(Line("Chapter 3", 392, 72, 140));  // alone at a page's foot, named by the outline
    RemoveRunningHeads(pages, {{"Chapter 3", 7, 390}});

    auto texts = [&](int p) {
        std::vector<std::string> lines;
        for (const PdfLine& line : pages[p].lines) lines.push_back(line.text);
        return lines;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(texts(0), (Lines{"Chapter 1", "Body text of page 1.", "The last line."}));
    for (int p : {1, 2, 3, 4, 6}) EXPECT_EQ(texts(p), (Lines{"Body text of page " + std::to_string(p + 1) + ".", "The last line."}));
    EXPECT_EQ(texts(5), (Lines{"Chapter 2", "Body text of page 6.", "The last line."}));
    EXPECT_EQ(texts(7), (Lines{"Body text of page 8.", "The last line.", "p. 8", "Chapter 3"}));
}

TEST(PdfHyphens, JoinsBrokenWordsAndKeepsCompoundsTheTextWritesWithAHyphen)
{
    std::vector<PdfPage> pages(1);
    for (const char* text : {"a well-known coast, a north-", "east wind, the light-", "house keeper, a sea-",
                             "wall; the seawall and a north-east gale."})
        pages[0].lines.push_back(Line(text, 0));
    const HyphenJoiner joiner(pages);
    auto join = [&](std::string before, std::string_view line) {
        joiner.Append(before, line);
        return before;
    };
    EXPECT_EQ(join("an exam-", "ple of it"), "an example of it");
    EXPECT_EQ(join("the north-", "east wind"), "the north-east wind");  // written so elsewhere
    EXPECT_EQ(join("the sea-", "wall"), "the seawall");                // written joined elsewhere
    EXPECT_EQ(join("the light-", "house"), "the lighthouse");          // nothing tells: joined
    EXPECT_EQ(join("Jean-", "Paul came"), "Jean-Paul came");
    EXPECT_EQ(join("COVID-", "19 cases"), "COVID-19 cases");
    EXPECT_EQ(join("soft\xC2\xAD", "ly"), "softly");
    EXPECT_EQ(join("it ended -", "so"), "it ended - so");
    EXPECT_EQ(join("the end.", "Then"), "the end. Then");
    EXPECT_EQ(join("", "First"), "First");
}

}  // namespace
}  // namespace document
