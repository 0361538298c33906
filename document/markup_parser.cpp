#include "markup_parser.h"

#include <libxml/HTMLparser.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace document {
namespace {

// HTML is parsed whole (see ParseMarkup): far more than any page's markup.
constexpr std::size_t kLargestHtml = std::size_t{128} << 20;

std::string_view View(const xmlChar* text) { return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view(); }

// Every entity a document names outside libxml2's own handling would be
// loaded through here: nothing is.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

void PrepareLibxml()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
    });
}

// HTML's named entities as predefined XML entities of one character each:
// libxml2 puts a predefined entity's text in place and never parses it.
class HtmlEntities {
public:
    xmlEntityPtr Find(const xmlChar* name)
    {
        const std::string key(View(name));
        auto found = entities_.find(key);
        if (found != entities_.end()) return &found->second->entity;
        const htmlEntityDesc* description = htmlEntityLookup(name);
        if (!description) return nullptr;
        auto made = std::make_unique<Made>();
        xmlChar utf8[8] = {};
        const int length = xmlCopyCharMultiByte(utf8, static_cast<int>(description->value));
        made->name = key;
        made->content.assign(reinterpret_cast<const char*>(utf8), length > 0 ? static_cast<std::size_t>(length) : 0);
        std::memset(&made->entity, 0, sizeof made->entity);
        made->entity.type = XML_ENTITY_DECL;
        made->entity.etype = XML_INTERNAL_PREDEFINED_ENTITY;
        made->entity.name = reinterpret_cast<const xmlChar*>(made->name.c_str());
        made->entity.content = reinterpret_cast<xmlChar*>(made->content.data());
        made->entity.length = static_cast<int>(made->content.size());
        return &entities_.emplace(key, std::move(made)).first->second->entity;
    }

private:
    struct Made {
        std::string name, content;
        xmlEntity entity;
    };
    std::map<std::string, std::unique_ptr<Made>> entities_;
};

struct Session {
    explicit Session(MarkupHandler& parsed) : handler(parsed) {}
    MarkupHandler& handler;
    xmlParserCtxtPtr context = nullptr;
    HtmlEntities entities;
    std::string firstFatal;
    bool declaresEntities = false;
    bool outOfMemory = false;  // rethrown once the parser is out of the way
};

Session& Of(void* user) { return *static_cast<Session*>(user); }

// The length of the well-formed UTF-8 character at the front (0: none).
std::size_t Utf8Length(std::string_view text)
{
    const unsigned char lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || length > text.size()) return 0;
    unsigned long c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80) return 0;
        c = c << 6 | (next & 0x3F);
    }
    static const unsigned long kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0;
    return length;
}

// HTML's parser may pass on a byte of a document whose encoding it guessed
// wrong; such bytes become U+FFFD, so that every reader hands on UTF-8.
std::string_view ValidUtf8(std::string_view text, std::string& repaired)
{
    std::size_t at = 0;
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80) ++at;
    if (at == text.size()) return text;
    repaired.assign(text.substr(0, at));
    while (at < text.size()) {
        const std::size_t length = Utf8Length(text.substr(at));
        if (length) repaired.append(text.substr(at, length));
        else repaired.append("\xEF\xBF\xBD");
        at += length ? length : 1;
    }
    return repaired;
}

// Runs a callback's work without letting an exception cross libxml2's C frames.
template <typename Work>
void Guarded(void* user, Work&& work)
{
    Session& session = Of(user);
    if (session.outOfMemory) return;
    try {
        work(session.handler);
    } catch (const std::bad_alloc&) {
        session.outOfMemory = true;
        xmlStopParser(session.context);
        return;
    }
    if (session.handler.Done()) xmlStopParser(session.context);
}

void SplitName(std::string_view name, std::string_view& prefix, std::string_view& local)
{
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos) {
        prefix = {};
        local = name;
    } else {
        prefix = name.substr(0, colon);
        local = name.substr(colon + 1);
    }
}

void XmlStart(void* user, const xmlChar* local, const xmlChar* prefix, const xmlChar* uri, int, const xmlChar**,
              int attributeCount, int, const xmlChar** attributes)
{
    Guarded(user, [&](MarkupHandler& handler) {
        Element element{View(uri), View(prefix), View(local), {}};
        element.attributes.reserve(static_cast<std::size_t>(attributeCount));
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** a = attributes + 5 * i;
            const std::string_view value(reinterpret_cast<const char*>(a[3]), static_cast<std::size_t>(a[4] - a[3]));
            element.attributes.push_back({View(a[2]), View(a[1]), View(a[0]), value});
        }
        handler.Start(element);
    });
}

void XmlEnd(void* user, const xmlChar* local, const xmlChar* prefix, const xmlChar* uri)
{
    Guarded(user, [&](MarkupHandler& handler) { handler.End(Element{View(uri), View(prefix), View(local), {}}); });
}

void HtmlStart(void* user, const xmlChar* name, const xmlChar** attributes)
{
    Guarded(user, [&](MarkupHandler& handler) {
        Element element;
        SplitName(View(name), element.prefix, element.local);
        std::vector<std::string> repaired;
        for (const xmlChar** a = attributes; a && a[0]; a += 2) repaired.emplace_back();
        std::size_t index = 0;
        for (const xmlChar** a = attributes; a && a[0]; a += 2) {
            Attribute attribute;
            SplitName(View(a[0]), attribute.prefix, attribute.local);
            attribute.value = ValidUtf8(View(a[1]), repaired[index++]);
            element.attributes.push_back(attribute);
        }
        handler.Start(element);
    });
}

void HtmlEnd(void* user, const xmlChar* name)
{
    Guarded(user, [&](MarkupHandler& handler) {
        Element element;
        SplitName(View(name), element.prefix, element.local);
        handler.End(element);
    });
}

void Characters(void* user, const xmlChar* text, int length)
{
    Guarded(user, [&](MarkupHandler& handler) {
        handler.Text(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
    });
}

void HtmlCharacters(void* user, const xmlChar* text, int length)
{
    Guarded(user, [&](MarkupHandler& handler) {
        std::string repaired;
        handler.Text(ValidUtf8(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)), repaired));
    });
}

xmlEntityPtr GetEntity(void* user, const xmlChar* name)
{
    Session& session = Of(user);
    if (session.outOfMemory) return nullptr;
    try {
        return session.entities.Find(name);
    } catch (const std::bad_alloc&) {
        session.outOfMemory = true;
        xmlStopParser(session.context);
        return nullptr;
    }
}

// Declarations are noted, never stored by us: nothing can expand.
void EntityDeclared(void* user, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*)
{
    Of(user).declaresEntities = true;
}

void StructuredError(void* user, xmlErrorPtr error)
{
    Session& session = Of(user);
    if (!error || error->level != XML_ERR_FATAL || !session.firstFatal.empty()) return;
    std::string message = error->message ? error->message : "malformed";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    session.firstFatal = "line " + std::to_string(error->line) + ": " + message;
}

void Quiet(void*, const char*, ...) {}

xmlSAXHandler Handlers(Syntax syntax)
{
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.characters = Characters;
    sax.cdataBlock = Characters;
    sax.ignorableWhitespace = Characters;
    sax.getEntity = GetEntity;
    sax.entityDecl = EntityDeclared;
    sax.warning = Quiet;
    sax.error = Quiet;
    sax.fatalError = Quiet;
    sax.serror = StructuredError;
    if (syntax == Syntax::Xml) {
        sax.initialized = XML_SAX2_MAGIC;
        sax.startElementNs = XmlStart;
        sax.endElementNs = XmlEnd;
    } else {
        sax.startElement = HtmlStart;
        sax.endElement = HtmlEnd;
        sax.characters = HtmlCharacters;
        sax.cdataBlock = HtmlCharacters;
        sax.ignorableWhitespace = HtmlCharacters;
    }
    return sax;
}

struct ContextFree {
    Syntax syntax;
    void operator()(xmlParserCtxtPtr context) const
    {
        // For expat's sake libxml2 keeps a SAX parse's entity declarations in
        // a document of its own, which the context does not free. They are
        // never used: entities are looked up in GetEntity alone.
        if (context->myDoc) {
            xmlFreeDoc(context->myDoc);
            context->myDoc = nullptr;
        }
        if (syntax == Syntax::Html) htmlFreeParserCtxt(context);
        else xmlFreeParserCtxt(context);
    }
};
using Context = std::unique_ptr<xmlParserCtxt, ContextFree>;

Context MakeContext(Syntax syntax, xmlSAXHandler& sax, Session& session, std::string_view first)
{
    const char* bytes = first.data();
    const int size = static_cast<int>(first.size());
    if (syntax == Syntax::Html) {
        Context context(htmlCreatePushParserCtxt(&sax, &session, bytes, size, nullptr, XML_CHAR_ENCODING_NONE), {syntax});
        if (context)
            htmlCtxtUseOptions(context.get(), HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING);
        return context;
    }
    // Passing the session as user data matters: with none, libxml2 would keep
    // entity declarations in a document of its own.
    Context context(xmlCreatePushParserCtxt(&sax, &session, bytes, size, nullptr), {syntax});
    if (context) xmlCtxtUseOptions(context.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    return context;
}

// False once the parse cannot go on: XML that is not well-formed stops at its
// first fatal error (HTML always recovers).
bool Push(Syntax syntax, xmlParserCtxtPtr context, std::string_view bytes, bool last)
{
    const int size = static_cast<int>(bytes.size());
    if (syntax == Syntax::Html) {
        htmlParseChunk(context, bytes.data(), size, last);
        return true;
    }
    xmlParseChunk(context, bytes.data(), size, last);
    return context->wellFormed != 0;
}

}  // namespace

const Attribute* Element::Find(std::string_view name, std::string_view space, std::string_view usualPrefix) const
{
    for (const Attribute& attribute : attributes) {
        if (attribute.local != name) continue;
        if (attribute.ns == space && (!space.empty() || attribute.prefix.empty())) return &attribute;
        if (!usualPrefix.empty() && attribute.ns.empty() && attribute.prefix == usualPrefix) return &attribute;
    }
    return nullptr;
}

std::string_view Element::Attr(std::string_view name, std::string_view space, std::string_view usualPrefix) const
{
    const Attribute* attribute = Find(name, space, usualPrefix);
    return attribute ? attribute->value : std::string_view();
}

bool Element::Is(std::string_view space, std::string_view name) const { return local == name && ns == space; }

MarkupResult ParseMarkup(const PieceSource& source, Syntax syntax, MarkupHandler& handler)
{
    PrepareLibxml();
    Session session(handler);
    xmlSAXHandler sax = Handlers(syntax);
    Context context(nullptr, {syntax});
    bool stopped = false;  // by the handler, or at the first fatal error
    std::string head;      // the first bytes, which tell the parser the encoding
    constexpr std::size_t kHeadSize = 4;
    auto start = [&](std::string_view first) {
        context = MakeContext(syntax, sax, session, first);
        if (!context) throw std::bad_alloc();
        session.context = context.get();
    };
    // libxml2's HTML parser guesses an encoding from what it has so far, so
    // its result could depend on where pieces end: it gets the part whole.
    std::string html;
    bool htmlTooLarge = false;
    auto take = [&](std::string_view piece) {
        if (piece.empty()) return true;
        if (syntax == Syntax::Html) {
            htmlTooLarge = html.size() + piece.size() > kLargestHtml;
            if (!htmlTooLarge) html.append(piece);
            return !htmlTooLarge;
        }
        if (!context) {
            const std::size_t needed = std::min(kHeadSize - head.size(), piece.size());
            head.append(piece.substr(0, needed));
            piece.remove_prefix(needed);
            if (head.size() < kHeadSize) return true;
            start(head);
        }
        if (!Push(syntax, context.get(), piece, false) || handler.Done() || session.outOfMemory) stopped = true;
        return !stopped;
    };
    MarkupResult result;
    result.failure = source(take);
    if (result.failure) {
        result.status = MarkupResult::Status::Unreadable;
        return result;
    }
    if (htmlTooLarge) {
        result.status = MarkupResult::Status::Unreadable;
        result.failure = ReadFailure{ReadFailure::Reason::TooLarge, "HTML larger than " + SizeWords(kLargestHtml)};
        return result;
    }
    if (syntax == Syntax::Html && !html.empty()) {
        start(std::string_view(html).substr(0, kHeadSize));
        if (html.size() > kHeadSize) Push(syntax, context.get(), std::string_view(html).substr(kHeadSize), false);
    }
    if (!context && !head.empty()) start(head);
    if (!context) {
        result.status = syntax == Syntax::Xml ? MarkupResult::Status::Malformed : MarkupResult::Status::Parsed;
        result.problem = "the part is empty";
        return result;
    }
    if (!stopped) Push(syntax, context.get(), {}, true);
    if (session.outOfMemory) throw std::bad_alloc();
    result.declaresEntities = session.declaresEntities;
    if (syntax == Syntax::Xml && !handler.Done() && !context->wellFormed) {
        result.status = MarkupResult::Status::Malformed;
        result.problem = session.firstFatal.empty() ? "not well-formed" : session.firstFatal;
        if (session.declaresEntities) result.problem += " (entities a document declares itself are never read)";
    }
    return result;
}

}  // namespace document
