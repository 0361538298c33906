#include "markup_parser.h"

#include <gtest/gtest.h>

namespace document {
namespace {

// Writes the stream out as [element ... /] and text.
class Recorder : public MarkupHandler {
public:
    void Start(const Element& element) override
    {
        out += "[" + std::string(element.local);
        if (const Attribute* type = element.Find("type", "http://www.idpf.org/2007/ops", "epub"))
            out += " type=" + std::string(type->value);
        out += "]";
    }
    void End(const Element&) override { out += "[/]"; }
    void Text(std::string_view text) override { out += text; }
    std::string out;
};

// The bytes one at a time: every piece boundary a parser can meet.
PieceSource BytePieces(std::string_view bytes)
{
    return [bytes](const PieceSink& sink) -> std::optional<ReadFailure> {
        for (char c : bytes)
            if (!sink(std::string_view(&c, 1))) break;
        return std::nullopt;
    };
}

std::string Parsed(std::string_view bytes, Syntax syntax, MarkupResult::Status expected = MarkupResult::Status::Parsed)
{
    Recorder whole, pieces;
    const MarkupResult result = ParseMarkup(MemoryPieces(bytes), syntax, whole);
    EXPECT_EQ(result.status, expected) << result.problem;
    EXPECT_EQ(ParseMarkup(BytePieces(bytes), syntax, pieces).status, expected);
    EXPECT_EQ(whole.out, pieces.out);
    return whole.out;
}

TEST(MarkupParser, HtmlEntitiesWithoutTheirDtdAndNoOthers)
{
    EXPECT_EQ(Parsed("<p a='&nbsp;'>caf\xC3\xA9&nbsp;&mdash;&amp;&#x263A;</p>", Syntax::Xml),
              "[p]caf\xC3\xA9\xC2\xA0\xE2\x80\x94&\xE2\x98\xBA[/]");
    // The external DTD is not fetched; its entities come from the table all the same.
    EXPECT_EQ(Parsed("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" \"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">"
                     "<html xmlns:epub=\"http://www.idpf.org/2007/ops\"><p epub:type=\"note\">&hellip;</p></html>",
                     Syntax::Xml),
              "[html][p type=note]\xE2\x80\xA6[/][/]");
    // A declared entity is never put in: well-formed, it is simply missing.
    const std::string declared = "<!DOCTYPE p [<!ENTITY name \"expanded\">]><p>a &name; b</p>";
    EXPECT_EQ(Parsed(declared, Syntax::Xml, MarkupResult::Status::Malformed), "[p]a ");
    Recorder recorder;
    const MarkupResult result = ParseMarkup(MemoryPieces(declared), Syntax::Xml, recorder);
    EXPECT_TRUE(result.declaresEntities);
    EXPECT_EQ(result.problem, "line 1: Entity 'name' not defined (entities a document declares itself are never read)");

    // HTML: its own entities, tag soup, undeclared prefixes.
    EXPECT_EQ(Parsed("<p epub:type=pagebreak>1<P>caf&eacute; &bogus;", Syntax::Html),
                     "[html][body][p type=pagebreak]1[/][p]caf\xC3\xA9 &bogus;[/][/][/]");
    EXPECT_EQ(Parsed("<p>open</b>", Syntax::Xml, MarkupResult::Status::Malformed), "[p]open");
}

TEST(MarkupParser, AHandlerThatIsDoneEndsTheParse)
{
    class FirstElement : public Recorder {
    public:
        bool Done() const override { return !out.empty(); }
    } handler;
    const MarkupResult result = ParseMarkup(MemoryPieces("<a>text<b/>broken</c>"), Syntax::Xml, handler);
    EXPECT_EQ(result.status, MarkupResult::Status::Parsed);
    EXPECT_EQ(handler.out, "[a]");
}

}  // namespace
}  // namespace document
