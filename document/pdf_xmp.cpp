#include "pdf_xmp.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>
#include <memory>

namespace document {
namespace {

constexpr char kDublinCore[] = "http://purl.org/dc/elements/1.1/";

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

bool Is(const xmlNode* node, const char* name, const char* space)
{
    if (node->type != XML_ELEMENT_NODE || std::strcmp(reinterpret_cast<const char*>(node->name), name) != 0)
        return false;
    if (!space) return true;
    return node->ns && node->ns->href && std::strcmp(reinterpret_cast<const char*>(node->ns->href), space) == 0;
}

const xmlNode* Find(const xmlNode* node, const char* name, const char* space)
{
    for (; node; node = node->next) {
        if (Is(node, name, space)) return node;
        if (const xmlNode* inside = Find(node->children, name, space)) return inside;
    }
    return nullptr;
}

std::string TextOf(const xmlNode* node)
{
    std::unique_ptr<xmlChar, XmlFree> text(xmlNodeGetContent(node));
    return text ? std::string(reinterpret_cast<const char*>(text.get())) : std::string();
}

// The list items of a property (rdf:Alt, rdf:Seq, rdf:Bag), or its own text.
std::string ItemsOf(const xmlNode* property, bool firstOnly)
{
    std::string joined;
    bool any = false;
    for (const xmlNode* list = property->children; list; list = list->next) {
        for (const xmlNode* item = list->children; item; item = item->next) {
            if (!Is(item, "li", nullptr)) continue;
            any = true;
            std::string text = TextOf(item);
            if (text.empty()) continue;
            if (!joined.empty()) joined += ", ";
            joined += text;
            if (firstOnly) return joined;
        }
    }
    return any ? joined : TextOf(property);
}

}  // namespace

XmpNames ReadXmpNames(std::string_view packet)
{
    XmpNames names;
    if (packet.empty() || packet.size() > INT_MAX) return names;
    std::unique_ptr<xmlDoc, DocFree> doc(xmlReadMemory(packet.data(), int(packet.size()), nullptr, nullptr,
                                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc) return names;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (const xmlNode* title = Find(root, "title", kDublinCore)) names.title = ItemsOf(title, true);
    if (const xmlNode* creator = Find(root, "creator", kDublinCore)) names.author = ItemsOf(creator, false);
    return names;
}

}  // namespace document
