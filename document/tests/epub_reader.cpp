#include "document_files.h"

#include <varnel/document.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

namespace document {
namespace {

using testing::FileBytes;
using testing::Sample;
using testing::With;
using testing::WriteZip;
using testing::ZipEntries;
using testing::ZipEntry;

std::vector<std::string> Titles(const Document& document)
{
    std::vector<std::string> titles;
    for (const Chapter& chapter : document.chapters) titles.push_back(chapter.title);
    return titles;
}

std::string Page(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
           "<head><title>page</title></head><body>" + body + "</body></html>";
}

// A book of the given pages (name, body) in that spine order, with `nav`
// as the navigation document's toc list; "np:" before a name makes it
// non-linear.
std::vector<ZipEntry> Book(const std::vector<std::pair<std::string, std::string>>& pages, const std::string& nav,
                           const std::string& extraPackage = "")
{
    std::string manifest = "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>";
    std::string spine;
    std::vector<ZipEntry> entries{{"mimetype", "application/epub+zip"},
                                  {"META-INF/container.xml",
                                   "<container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" version=\"1.0\">"
                                   "<rootfiles><rootfile full-path=\"OPS/book.opf\" media-type=\"application/oebps-package+xml\"/>"
                                   "</rootfiles></container>"}};
    int id = 0;
    for (const auto& [written, body] : pages) {
        const bool linear = written.rfind("np:", 0) != 0;
        const std::string name = linear ? written : written.substr(3);
        const std::string item = "p" + std::to_string(++id);
        manifest += "<item id=\"" + item + "\" href=\"" + name + "\" media-type=\"application/xhtml+xml\"/>";
        spine += "<itemref idref=\"" + item + "\"" + (linear ? "" : " linear=\"no\"") + "/>";
        entries.push_back({"OPS/" + name, Page(body)});
    }
    entries.push_back({"OPS/book.opf",
                       "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\">"
                       "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>The Harbour</dc:title>"
                       "<dc:creator id=\"a\">Ada Example</dc:creator><dc:creator id=\"e\">Ed Itor</dc:creator>"
                       "<meta refines=\"#e\" property=\"role\">edt</meta></metadata>"
                       "<manifest>" + manifest + "</manifest><spine>" + spine + "</spine>" + extraPackage + "</package>"});
    entries.push_back({"OPS/nav.xhtml", Page("<nav epub:type=\"toc\"><h1>Contents</h1><ol>" + nav + "</ol></nav>")});
    return entries;
}

Reading ReadAt(const std::filesystem::path& path)
{
    EXPECT_EQ(Recognise(path), Kind::Epub);
    return Read(path, Kind::Epub);
}

TEST(EpubReader, ReadsBothSamplesWithoutWhatIsNotSpoken)
{
    for (const char* name : {"lighthouse.epub", "lighthouse-2.epub"}) {
        SCOPED_TRACE(name);
        Reading reading = ReadAt(Sample(name));
        ASSERT_TRUE(reading.ok) << reading.problem;
        const Document& book = reading.document;
        EXPECT_EQ(book.title, "The Lighthouse Keeper");
        EXPECT_EQ(book.author, "Ada Example");
        EXPECT_TRUE(book.warnings.empty());
        // The title page (and EPUB 2's table entry for it) is the title block.
        ASSERT_EQ(Titles(book), (std::vector<std::string>{"The Storm", "The Ship", "The Morning"}));
        EXPECT_EQ(book.chapters[1].text,
                  "The Ship\n\nOut in the dark a ship turned towards the light. Its name was 東京 Maru.\n\n"
                  "The crew sang as they came in!");
        EXPECT_EQ(book.chapters[2].text, "The Morning\n\nBy morning the storm had gone. Was it over? Mara thought so.");
    }
    // EPUB 3 marks the note and its reference; EPUB 2 has no marks for them.
    EXPECT_EQ(ReadAt(Sample("lighthouse.epub")).document.chapters[0].text,
              "The Storm\n\nThe wind rose at dusk, and the sea \u2013 grey, restless \u2013 climbed the rocks. Mara lit "
              "the lamp and set it on the sill; \u201Cnot yet,\u201D she said.");
    EXPECT_EQ(ReadAt(Sample("lighthouse-2.epub")).document.chapters[0].text,
              "The Storm\n\nThe wind rose at dusk, and the sea \u2013 grey, restless \u2013 climbed the rocks.1 Mara lit "
              "the lamp and set it on the sill; \u201Cnot yet,\u201D she said.\n\nThe rocks were old.\u21A9\uFE0E");
}

TEST(EpubReader, ChaptersRunAcrossFilesAndStartAtFragments)
{
    testing_support::ScratchDir scratch;
    const auto book = Book(
        {{"cover.xhtml", "<img src=\"cover.png\" alt=\"The cover\"/>"},
         {"title.xhtml", "<h1>The Harbour</h1><p>by Ada Example</p>"},
         {"front.xhtml", "<p>A word&nbsp;first &mdash; before all.</p>"},
         {"one.xhtml", "<h1>One</h1><p>It began.</p><h2 id=\"b\">Part b</h2>"
                       "<p>End of one. <span id=\"two\"></span>Two starts mid-paragraph.</p>"},
         {"more.xhtml", "<p>Two goes on in the next file.</p>"},
         {"np:notes.xhtml", "<p>A note nobody leads to.</p>"},
         {"contents.xhtml", "<p>One ... 1</p><p>Two ... 2</p>"},
         {"three.xhtml", "<section id=\"three\"><h1>Three</h1><p>The end.</p></section>"}},
        "<li><a href=\"one.xhtml\">One</a><ol><li><a href=\"one.xhtml#b\">Part b</a></li></ol></li>"
        "<li><a href=\"one.xhtml#two\">Two</a></li><li><a href=\"lost.xhtml\">Lost</a></li>"
        "<li><span>Three</span></li><li><a href=\"three.xhtml#three\"> The\n Third </a></li>",
        "<guide><reference type=\"toc\" href=\"contents.xhtml\"/></guide>");
    WriteZip(scratch / "harbour.epub", book);
    Reading reading = ReadAt(scratch / "harbour.epub");
    ASSERT_TRUE(reading.ok) << reading.problem;
    const Document& document = reading.document;
    EXPECT_EQ(document.author, "Ada Example");  // the editor is no author
    EXPECT_EQ(Titles(document), (std::vector<std::string>{"The Harbour", "One", "Two", "The Third"}));
    EXPECT_EQ(document.chapters[0].text, "A word first \u2014 before all.");
    EXPECT_EQ(document.chapters[1].text, "One\n\nIt began.\n\nPart b\n\nEnd of one.");
    EXPECT_EQ(document.chapters[2].text, "Two starts mid-paragraph.\n\nTwo goes on in the next file.");
    EXPECT_EQ(document.chapters[3].text, "Three\n\nThe end.");
    ASSERT_EQ(document.warnings.size(), 1u);
    EXPECT_EQ(document.warnings[0], "chapter \"Lost\" was skipped: the table of contents points at OPS/lost.xhtml, "
                                    "which is not in the book");

    // Without a table of contents the book is one chapter, named after its
    // title, or without one after the file.
    auto untitled = With(book, "OPS/nav.xhtml", Page("<p>No list.</p>"));
    WriteZip(scratch / "untitled.epub", untitled);
    reading = ReadAt(scratch / "untitled.epub");
    ASSERT_TRUE(reading.ok) << reading.problem;
    EXPECT_EQ(Titles(reading.document), (std::vector<std::string>{"The Harbour"}));
    EXPECT_EQ(reading.document.chapters[0].text.substr(0, 28), "A word first \u2014 before all.");
}

TEST(EpubReader, RefusesDamagedAndLockedBooks)
{
    testing_support::ScratchDir scratch;
    const std::string bytes = FileBytes(Sample("lighthouse.epub"));
    const auto problem = [&](const std::string& name) { return ReadAt(scratch / name).problem; };

    testing::WriteFile(scratch / "cut.epub", bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(problem("cut.epub"), "is a damaged EPUB archive (Not a zip archive)");

    std::string broken = bytes;
    const std::size_t directory = broken.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(directory, std::string::npos);
    broken.replace(directory + 28, 2, "\xFF\x7F");  // a file name's length far past the end
    testing::WriteFile(scratch / "directory.epub", broken);
    EXPECT_EQ(problem("directory.epub").rfind("is a damaged EPUB archive (", 0), 0u) << problem("directory.epub");

    std::string flipped = bytes;
    const std::size_t chapter = flipped.find("EPUB/text/ch001.xhtml");
    flipped[chapter + 21 + 40] ^= 0x55;  // inside the chapter's compressed data
    testing::WriteFile(scratch / "crc.epub", flipped);
    EXPECT_EQ(problem("crc.epub").rfind("is a damaged EPUB archive (", 0), 0u) << problem("crc.epub");

    const auto entries = ZipEntries(Sample("lighthouse.epub"));
    const std::string encryption =
        "<encryption xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" xmlns:enc=\"http://www.w3.org/2001/04/xmlenc#\">"
        "<enc:EncryptedData><enc:EncryptionMethod Algorithm=\"http://www.idpf.org/2008/embedding\"/>"
        "<enc:CipherData><enc:CipherReference URI=\"EPUB/fonts/a.otf\"/></enc:CipherData></enc:EncryptedData>"
        "<enc:EncryptedData><enc:EncryptionMethod Algorithm=\"http://ns.adobe.com/pdf/enc#RC\"/>"
        "<enc:CipherData><enc:CipherReference URI=\"EPUB/fonts/b.otf\"/></enc:CipherData></enc:EncryptedData>";
    WriteZip(scratch / "fonts.epub", With(entries, "META-INF/encryption.xml", encryption + "</encryption>"));
    EXPECT_TRUE(ReadAt(scratch / "fonts.epub").ok);
    WriteZip(scratch / "drm.epub",
             With(entries, "META-INF/encryption.xml",
                  encryption + "<enc:EncryptedData><enc:EncryptionMethod Algorithm=\"http://www.w3.org/2001/04/xmlenc#aes128-cbc\"/>"
                               "<enc:CipherData><enc:CipherReference URI=\"EPUB/text/ch001.xhtml\"/></enc:CipherData>"
                               "</enc:EncryptedData></encryption>"));
    EXPECT_EQ(problem("drm.epub"), "is locked with DRM (EPUB/text/ch001.xhtml is encrypted), so its text cannot be read");

    WriteZip(scratch / "opf.epub", With(entries, "EPUB/content.opf", "<package><manifest></package>"));
    EXPECT_EQ(problem("opf.epub").rfind("has malformed XML in EPUB/content.opf (line 1: ", 0), 0u) << problem("opf.epub");
    std::vector<ZipEntry> lost;
    for (const ZipEntry& entry : entries)
        if (entry.name != "EPUB/content.opf") lost.push_back(entry);
    WriteZip(scratch / "lost.epub", lost);
    EXPECT_EQ(problem("lost.epub"), "is a damaged EPUB archive (its package document EPUB/content.opf is missing)");
}

TEST(EpubReader, AnEntryThatInflatesToAGigabyteStopsAtTheTextLimit)
{
    testing_support::ScratchDir scratch;
    const std::string page = Page("");
    const std::string head = page.substr(0, page.find("</body>"));
    const std::string paragraph = "<p>" + std::string(1000, 'w') + "</p>\n";
    std::vector<ZipEntry> entries;
    for (ZipEntry& entry : Book({{"huge.xhtml", ""}}, "<li><a href=\"huge.xhtml\">Huge</a></li>"))
        if (entry.name != "OPS/huge.xhtml") entries.push_back(std::move(entry));
    // 1 GiB of paragraphs, 1 MiB at a time.
    std::string mebibyte;
    while (mebibyte.size() + paragraph.size() <= (1u << 20)) mebibyte += paragraph;
    mebibyte.resize(1u << 20, '\n');
    WriteZip(scratch / "huge.epub", entries, {{"OPS/huge.xhtml", head, mebibyte, 1024}});
    ASSERT_LT(std::filesystem::file_size(scratch / "huge.epub"), 16u << 20);

    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    Reading reading = ReadAt(scratch / "huge.epub");
    getrusage(RUSAGE_SELF, &after);
    EXPECT_FALSE(reading.ok);
    EXPECT_EQ(reading.problem, "has more than 64 MiB of text, the most that is read");
#if !defined(__SANITIZE_ADDRESS__)
    // The entry streams through: far less than its gigabyte is ever held.
    // (The sanitizer's own bookkeeping would blur the figure.)
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 400 * 1024);
#endif
}

TEST(EpubReader, EntitiesAreNeverExpandedNorLoaded)
{
    testing_support::ScratchDir scratch;
    const auto secret = scratch / "secret.txt";
    testing::WriteFile(secret, "the secret");
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE html [\n<!ENTITY lol \"lol\">\n"
                         "<!ENTITY secret SYSTEM \"file://" + secret.string() + "\">\n";
    for (int level = 1; level <= 9; ++level) {
        laughs += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i) laughs += "&lol" + (level > 1 ? std::to_string(level - 1) : "") + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>&lol9; &secret;</p></body></html>";
    WriteZip(scratch / "laughs.epub",
             With(Book({{"a.xhtml", ""}}, "<li><a href=\"a.xhtml\">A</a></li>"), "OPS/a.xhtml", laughs));

    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, secret.c_str(), IN_OPEN | IN_ACCESS), 0);
    Reading reading = ReadAt(scratch / "laughs.epub");
    EXPECT_FALSE(reading.ok);
    EXPECT_EQ(reading.problem, "has malformed XML in OPS/a.xhtml (line 15: Entity 'lol9' not defined "
                               "(entities a document declares itself are never read))");
    char event[4096];
    EXPECT_LT(read(watch, event, sizeof event), 0) << "the external entity's file was opened";
    close(watch);
}

}  // namespace
}  // namespace document
