#include "document_files.h"

#include <varnel/document.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace document {
namespace {

using testing::FileBytes;
using testing::Sample;
using testing::WriteFile;

TEST(Recognise, KnowsEachKindByItsContent)
{
    EXPECT_EQ(Recognise(Sample("lighthouse.epub")), Kind::Epub);
    EXPECT_EQ(Recognise(Sample("lighthouse-2.epub")), Kind::Epub);
    EXPECT_EQ(Recognise(Sample("lighthouse.docx")), Kind::Docx);
    EXPECT_EQ(Recognise(Sample("lighthouse.odt")), Kind::Odt);
    EXPECT_EQ(Recognise(Sample("lighthouse.fb2")), Kind::Fb2);
    EXPECT_EQ(Recognise(Sample("lighthouse.html")), Kind::Html);
    EXPECT_EQ(Recognise(Sample("keeper.pdf")), Kind::Pdf);

    testing_support::ScratchDir scratch;
    const auto kindOf = [&](const std::string& name, const std::string& bytes) {
        WriteFile(scratch / name, bytes);
        return Recognise(scratch / name);
    };
    // Not by the name: a book named .txt is a book, a text named .epub a text.
    EXPECT_EQ(kindOf("book.txt", FileBytes(Sample("lighthouse.epub"))), Kind::Epub);
    EXPECT_EQ(kindOf("notes.epub", "Just some notes.\n"), Kind::Text);
    // A damaged EPUB is still an EPUB (and reported as damaged, not read as text).
    const std::string epub = FileBytes(Sample("lighthouse.epub"));
    EXPECT_EQ(kindOf("cut.epub", epub.substr(0, 100)), Kind::Epub);
    const std::string odt = FileBytes(Sample("lighthouse.odt"));
    EXPECT_EQ(kindOf("cut.odt", odt.substr(0, odt.size() / 2)), Kind::Odt);
    // A DOCX has no mimetype: its first entries' names tell.
    const std::string docx = FileBytes(Sample("lighthouse.docx"));
    EXPECT_EQ(kindOf("cut.docx", docx.substr(0, 2000)), Kind::Docx);
    EXPECT_EQ(Read(scratch / "cut.docx", Kind::Docx).problem, "is a damaged DOCX archive (Not a zip archive)");
    EXPECT_EQ(kindOf("pdf", std::string(1000, ' ') + "%PDF-1.7\n"), Kind::Pdf);
    EXPECT_EQ(kindOf("late-pdf", std::string(1020, ' ') + "%PDF-1.7\n"), Kind::Text);

    // HTML after what may come first: a BOM, blanks, comments, an XML
    // declaration, a DOCTYPE; in UTF-16 too.
    EXPECT_EQ(kindOf("a", "\xEF\xBB\xBF  <!-- made by hand --><!DOCTYPE html><title>x</title>"), Kind::Html);
    EXPECT_EQ(kindOf("b", "<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" \"x.dtd\">\n"
                          "<html xmlns=\"http://www.w3.org/1999/xhtml\">"),
              Kind::Html);
    EXPECT_EQ(kindOf("c", "\n<HTML>\n<BODY>Shouting</BODY>"), Kind::Html);
    EXPECT_EQ(kindOf("d", std::string("\xFF\xFE<\0h\0t\0m\0l\0>\0", 14)), Kind::Html);
    EXPECT_EQ(kindOf("e", "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<FictionBook xmlns=\"x\">"), Kind::Fb2);
    // Markdown has no mark of its own: its name tells.
    EXPECT_EQ(kindOf("readme.MD", "# Title\n"), Kind::Markdown);
    EXPECT_EQ(kindOf("notes.Markdown", "text\n"), Kind::Markdown);
    EXPECT_EQ(kindOf("notes.mdx", "text\n"), Kind::Text);
}

TEST(Recognise, TextStaysText)
{
    testing_support::ScratchDir scratch;
    const auto kindOf = [&](const std::string& bytes) {
        WriteFile(scratch / "text.txt", bytes);
        return Recognise(scratch / "text.txt");
    };
    EXPECT_EQ(kindOf("Dear Ann,\nthe page begins\n<html> and ends with </html>.\n"), Kind::Text);
    EXPECT_EQ(kindOf("<htmlish> is not a tag we know\n"), Kind::Text);
    EXPECT_EQ(kindOf("<!DOCTYPE htmlx>\n"), Kind::Text);
    EXPECT_EQ(kindOf("<!-- a comment that never ends <html>"), Kind::Text);
    EXPECT_EQ(kindOf("<p>A fragment of markup is text.</p>"), Kind::Text);
    EXPECT_EQ(kindOf("PK\x03\x04 is how a ZIP file starts, they say."), Kind::Text);
    EXPECT_EQ(kindOf(""), Kind::Text);
    // A ZIP file that is no document, a missing file, a folder, a pipe.
    testing::WriteZip(scratch / "other.zip", {{"readme.txt", "hello"}});
    EXPECT_EQ(Recognise(scratch / "other.zip"), Kind::Text);
    EXPECT_EQ(Recognise(scratch / "missing.epub"), Kind::Text);
    EXPECT_EQ(Recognise(scratch.path()), Kind::Text);
    ASSERT_EQ(mkfifo((scratch / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(Recognise(scratch / "pipe"), Kind::Text);  // not opened: that would wait for a writer
}

}  // namespace
}  // namespace document
