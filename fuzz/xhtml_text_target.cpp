// XHTML and HTML into blocks, from memory, with a small text limit so that it
// is reached too: the same blocks whole or in pieces, each block valid UTF-8
// with single blanks, anchors inside the blocks, and plain prose read word for
// word.
#include "document_checks.h"
#include "fuzz_target.h"

#include <xhtml_blocks.h>

#include <cctype>

namespace {

constexpr std::size_t kLargest = 4096;

bool IsPlainProse(std::string_view text)
{
    if (text.find_first_not_of(" \n") == std::string_view::npos) return false;
    for (char c : text)
        if (!(std::isalpha(static_cast<unsigned char>(c)) || c == ' ' || c == '\n' || c == '.' || c == ',')) return false;
    return true;
}

std::string Words(std::string_view text)
{
    std::string words;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && !words.empty()) words += ' ';
        blank = false;
        words += c;
    }
    return words;
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzXhtmlText)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::set<std::string, std::less<>> wanted = {"a", "b", "chapter-2"};
    const document::XhtmlReading whole = document::ReadXhtml(document::MemoryPieces(bytes), wanted, kLargest);
    const document::XhtmlReading pieces = document::ReadXhtml(fuzz::TwoPieces(bytes, size ? data[size - 1] * 3 : 0), wanted, kLargest);
    FUZZ_CHECK(whole.markup.status == pieces.markup.status);
    if (whole.markup.status != document::MarkupResult::Status::Parsed) {
        // Only a document that declares entities stays unread.
        FUZZ_CHECK(whole.markup.declaresEntities);
        return 0;
    }
    const document::XhtmlPage& page = whole.page;
    FUZZ_CHECK(page.blocks.size() == pieces.page.blocks.size() && page.anchors == pieces.page.anchors);
    std::size_t total = 0;
    for (std::size_t i = 0; i < page.blocks.size(); ++i) {
        const document::Block& block = page.blocks[i];
        FUZZ_CHECK(block.text == pieces.page.blocks[i].text && block.level == pieces.page.blocks[i].level);
        FUZZ_CHECK(fuzz::IsBlockText(block.text));
        FUZZ_CHECK(block.level >= 0 && block.level <= 6);
        total += block.text.size();
    }
    FUZZ_CHECK(total <= kLargest);
    for (const auto& [id, position] : page.anchors) FUZZ_CHECK(wanted.count(id) && position <= page.blocks.size());
    FUZZ_CHECK(fuzz::IsUtf8(page.title) && fuzz::IsUtf8(page.author));
    if (IsPlainProse(bytes) && size < kLargest) {
        std::string spoken;
        for (const document::Block& block : page.blocks) spoken += block.text + ' ';
        FUZZ_CHECK(Words(spoken) == Words(bytes));
    }
    return 0;
}
