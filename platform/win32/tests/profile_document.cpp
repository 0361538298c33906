#include <profile_document.h>

#include <gtest/gtest.h>

using win32::profile::Document;

namespace {

TEST(ProfileDocument, LineEndsBecomeCrLfAndByteOrderMarksStay)
{
    EXPECT_EQ(Document::Parse("[A]\nx=1\r\n\ny=2").Serialize(), "[A]\r\nx=1\r\n\r\ny=2\r\n");
    EXPECT_EQ(Document::Parse("").Serialize(), "");
    auto withMark = Document::Parse("\xEF\xBB\xBF[A]\r\nx=1\r\n");
    EXPECT_EQ(withMark.Get("A", "x"), "1");
    EXPECT_EQ(withMark.Serialize(), "\xEF\xBB\xBF[A]\r\nx=1\r\n");
}

TEST(ProfileDocument, SectionHeadersAndKeyLines)
{
    auto document = Document::Parse("x=0\r\n  [ Spaced ] trailing\r\nk=v\r\n[Open\r\nm=n\r\n[]\r\ne=f\r\n=novalue\r\n");
    EXPECT_EQ(document.Get("Spaced", "k"), "v");
    EXPECT_EQ(document.Get("Open", "m"), "n");  // no closing bracket
    EXPECT_EQ(document.Get("", "e"), "f");
    EXPECT_EQ(document.Get("", "x"), std::nullopt);  // before any section
    EXPECT_EQ(document.Get("", ""), std::nullopt);
    EXPECT_EQ(document.Sections(), (std::vector<std::string>{"Spaced", "Open", ""}));
}

TEST(ProfileDocument, SetAppendsBeforeBlankLinesOfItsSection)
{
    auto document = Document::Parse("[A]\r\n\r\n\r\n[B]\r\n");
    document.Set(" A ", " key ", "v");
    EXPECT_EQ(document.Serialize(), "[A]\r\nkey=v\r\n\r\n\r\n[B]\r\n");
    document.Set("B", "k", "");
    EXPECT_EQ(document.Serialize(), "[A]\r\nkey=v\r\n\r\n\r\n[B]\r\nk=\r\n");
}

}  // namespace
