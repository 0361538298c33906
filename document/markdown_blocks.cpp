#include "markdown_blocks.h"

#include "valid_utf8.h"

#include <md4c.h>

#include <climits>
#include <cstdlib>

namespace document {
namespace {

// The few named entities books use; md4c reports each as written, and an
// unknown name stays as written.
struct Entity {
    std::string_view name;
    unsigned long codePoint;
};
constexpr Entity kEntities[] = {
    {"&amp;", '&'},      {"&lt;", '<'},       {"&gt;", '>'},       {"&quot;", '"'},     {"&apos;", '\''},
    {"&nbsp;", 0xA0},    {"&shy;", 0xAD},     {"&copy;", 0xA9},    {"&reg;", 0xAE},     {"&trade;", 0x2122},
    {"&ndash;", 0x2013}, {"&mdash;", 0x2014}, {"&hellip;", 0x2026}, {"&lsquo;", 0x2018}, {"&rsquo;", 0x2019},
    {"&ldquo;", 0x201C}, {"&rdquo;", 0x201D}, {"&laquo;", 0xAB},   {"&raquo;", 0xBB},   {"&euro;", 0x20AC},
    {"&pound;", 0xA3},   {"&deg;", 0xB0},     {"&times;", 0xD7},   {"&eacute;", 0xE9},  {"&egrave;", 0xE8},
    {"&agrave;", 0xE0},  {"&uuml;", 0xFC},    {"&ouml;", 0xF6},    {"&auml;", 0xE4},    {"&szlig;", 0xDF},
    {"&ccedil;", 0xE7},  {"&ntilde;", 0xF1},
};

void AppendEntity(std::string& out, std::string_view entity)
{
    if (entity.starts_with("&#") && entity.ends_with(';') && entity.size() > 3) {
        const bool hex = entity[2] == 'x' || entity[2] == 'X';
        std::string digits(entity.substr(hex ? 3 : 2, entity.size() - (hex ? 4 : 3)));
        // md4c allows at most 8 digits: strtoul cannot overflow, and past U+10FFFF becomes U+FFFD.
        AppendCodePoint(out, std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10));
        return;
    }
    for (const Entity& known : kEntities) {
        if (known.name == entity) {
            AppendCodePoint(out, known.codePoint);
            return;
        }
    }
    out += entity;
}

struct Collector {
    std::vector<MarkdownBlock>& blocks;
    std::string text;
    int imageDepth = 0;

    void Flush(int level)
    {
        if (text.find_first_not_of(" \t\n") != std::string::npos) blocks.push_back({std::move(text), level});
        text.clear();
    }
};

int EnterBlock(MD_BLOCKTYPE, void*, void* self)
{
    static_cast<Collector*>(self)->Flush(0);
    return 0;
}

int LeaveBlock(MD_BLOCKTYPE type, void* detail, void* self)
{
    const int level = type == MD_BLOCK_H ? int(static_cast<MD_BLOCK_H_DETAIL*>(detail)->level) : 0;
    static_cast<Collector*>(self)->Flush(level);
    return 0;
}

int EnterSpan(MD_SPANTYPE type, void*, void* self)
{
    if (type == MD_SPAN_IMG) ++static_cast<Collector*>(self)->imageDepth;
    return 0;
}

int LeaveSpan(MD_SPANTYPE type, void*, void* self)
{
    if (type == MD_SPAN_IMG) --static_cast<Collector*>(self)->imageDepth;
    return 0;
}

int Text(MD_TEXTTYPE type, const MD_CHAR* text, MD_SIZE size, void* self)
{
    Collector& collector = *static_cast<Collector*>(self);
    if (collector.imageDepth > 0) return 0;  // an image's alt text describes what is not read
    const std::string_view piece(text, size);
    switch (type) {
    case MD_TEXT_HTML: break;  // tags and comments
    case MD_TEXT_BR:
    case MD_TEXT_SOFTBR: collector.text += ' '; break;
    case MD_TEXT_NULLCHAR: AppendCodePoint(collector.text, 0); break;
    case MD_TEXT_ENTITY: AppendEntity(collector.text, piece); break;
    default: collector.text += piece; break;
    }
    return 0;
}

}  // namespace

bool MarkdownBlocks(std::string_view markdown, std::vector<MarkdownBlock>& blocks)
{
    if (markdown.size() > UINT_MAX) return false;
    MD_PARSER parser{};
    parser.flags = MD_FLAG_TABLES | MD_FLAG_STRIKETHROUGH | MD_FLAG_TASKLISTS;
    parser.enter_block = EnterBlock;
    parser.leave_block = LeaveBlock;
    parser.enter_span = EnterSpan;
    parser.leave_span = LeaveSpan;
    parser.text = Text;
    Collector collector{blocks, {}, 0};
    return md_parse(markdown.data(), MD_SIZE(markdown.size()), &parser, &collector) == 0;
}

}  // namespace document
