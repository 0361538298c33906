#include "pdf_file.h"

#include <poppler.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace document {
namespace {

template <typename T>
struct GObjectUnref {
    void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref<T>>;

struct GFree {
    void operator()(void* memory) const { g_free(memory); }
};
using GString = std::unique_ptr<char, GFree>;

struct IndexIterFree {
    void operator()(PopplerIndexIter* iter) const { poppler_index_iter_free(iter); }
};
using IndexIter = std::unique_ptr<PopplerIndexIter, IndexIterFree>;

struct ActionFree {
    void operator()(PopplerAction* action) const { poppler_action_free(action); }
};
struct DestFree {
    void operator()(PopplerDest* dest) const { poppler_dest_free(dest); }
};

std::string Take(char* text)
{
    GString owned(text);
    return owned ? std::string(owned.get()) : std::string();
}

// poppler reports through GLib's log; the converter's standard error carries
// only its own lines.
void SilencePoppler()
{
    static const bool silenced = [] {
        g_log_set_handler("Poppler", GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
                          [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        return true;
    }();
    (void)silenced;
}

std::string LowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = char(text[0] - 'A' + 'a');
    return text;
}

// Opening the file first tells a missing or unreadable file from a damaged one.
std::optional<std::string> WhyUnreadable(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return "is a folder, not a PDF";
    std::ifstream probe(path, std::ios::binary);
    if (!probe) return "cannot be opened: " + LowerFirst(std::error_code(errno, std::generic_category()).message());
    return std::nullopt;
}

std::optional<PdfMark> MarkOf(PopplerDocument* document, PopplerAction* action, int pageCount)
{
    if (!action || action->type != POPPLER_ACTION_GOTO_DEST || !action->goto_dest.dest) return std::nullopt;
    PopplerDest* dest = action->goto_dest.dest;
    std::unique_ptr<PopplerDest, DestFree> named;
    if (dest->type == POPPLER_DEST_NAMED) {
        named.reset(poppler_document_find_dest(document, dest->named_dest));
        if (!named) return std::nullopt;
        dest = named.get();
    }
    if (dest->page_num < 1 || dest->page_num > pageCount) return std::nullopt;
    PdfMark mark;
    mark.page = dest->page_num - 1;
    const bool hasTop = (dest->type == POPPLER_DEST_XYZ && dest->change_top) || dest->type == POPPLER_DEST_FITH ||
                        dest->type == POPPLER_DEST_FITBH || dest->type == POPPLER_DEST_FITR;
    if (hasTop) {
        GObjectPtr<PopplerPage> page(poppler_document_get_page(document, mark.page));
        double width = 0, height = 0;
        if (page) poppler_page_get_size(page.get(), &width, &height);
        mark.top = height - dest->top;  // destinations count from the bottom
    }
    return mark;
}

// An entry without a destination of its own starts where its first child does.
std::optional<PdfMark> MarkOfEntry(PopplerDocument* document, PopplerIndexIter* iter, int pageCount, int depth)
{
    std::unique_ptr<PopplerAction, ActionFree> action(poppler_index_iter_get_action(iter));
    std::optional<PdfMark> mark = MarkOf(document, action.get(), pageCount);
    if (!mark && depth < 8) {
        IndexIter child(poppler_index_iter_get_child(iter));
        if (child) do {
                mark = MarkOfEntry(document, child.get(), pageCount, depth + 1);
            } while (!mark && poppler_index_iter_next(child.get()));
    }
    if (mark && action && action->any.title) mark->title = action->any.title;
    return mark;
}

bool IsBlank(gunichar c) { return c == ' ' || c == '\t' || c == 0xA0; }

// The lines of poppler's text with the boxes of their characters: the layout
// gives one box per character of the text, line ends included.
std::vector<PdfLine> LinesOf(const char* text, const PopplerRectangle* boxes, guint boxCount)
{
    std::vector<PdfLine> lines;
    PdfLine line;
    bool hasBox = false, inFirstWord = true;
    double firstWordLeft = 0;
    auto finish = [&] {
        while (!line.text.empty() && line.text.back() == ' ') line.text.pop_back();
        if (!line.text.empty() && hasBox) lines.push_back(std::move(line));
        line = PdfLine();
        hasBox = false;
        inFirstWord = true;
    };
    guint index = 0;
    for (const char* at = text; *at; at = g_utf8_next_char(at), ++index) {
        const gunichar c = g_utf8_get_char(at);
        if (c == '\n') {
            finish();
            continue;
        }
        if (IsBlank(c)) {
            if (!line.text.empty()) {
                line.text += ' ';
                inFirstWord = false;
            }
            continue;
        }
        line.text.append(at, g_utf8_next_char(at) - at);
        if (index >= boxCount) continue;
        const PopplerRectangle& box = boxes[index];
        if (!hasBox) {
            line.left = box.x1, line.top = box.y1, line.right = box.x2, line.bottom = box.y2;
            firstWordLeft = box.x1;
            hasBox = true;
        } else {
            line.left = std::min(line.left, box.x1), line.top = std::min(line.top, box.y1);
            line.right = std::max(line.right, box.x2), line.bottom = std::max(line.bottom, box.y2);
        }
        if (inFirstWord) line.firstWordWidth = box.x2 - firstWordLeft;
    }
    finish();
    return lines;
}

}  // namespace

struct PdfFile::Handle {
    GObjectPtr<PopplerDocument> document;
};

PdfFile::PdfFile(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
PdfFile::~PdfFile() = default;
PdfFile::PdfFile(PdfFile&&) noexcept = default;
PdfFile& PdfFile::operator=(PdfFile&&) noexcept = default;

PdfFile::Opening PdfFile::Open(const std::string& path)
{
    SilencePoppler();
    Opening opening;
    if (std::optional<std::string> why = WhyUnreadable(path)) {
        opening.failure = Failure::CannotOpen;
        opening.detail = *why;
        return opening;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    GString uri(g_filename_to_uri(absolute.c_str(), nullptr, nullptr));
    GError* failure = nullptr;
    GObjectPtr<PopplerDocument> document(uri ? poppler_document_new_from_file(uri.get(), nullptr, &failure) : nullptr);
    if (!document) {
        const bool encrypted = failure && failure->domain == POPPLER_ERROR && failure->code == POPPLER_ERROR_ENCRYPTED;
        opening.failure = encrypted ? Failure::Encrypted : Failure::Damaged;
        if (failure) g_error_free(failure);
        return opening;
    }
    auto handle = std::make_unique<Handle>();
    handle->document = std::move(document);
    opening.file.reset(new PdfFile(std::move(handle)));
    return opening;
}

int PdfFile::PageCount() const { return poppler_document_get_n_pages(handle_->document.get()); }

PdfPage PdfFile::Page(int index) const
{
    PdfPage result;
    GObjectPtr<PopplerPage> page(poppler_document_get_page(handle_->document.get(), index));
    if (!page) return result;
    std::string text = Take(poppler_page_get_text(page.get()));
    PopplerRectangle* boxes = nullptr;
    guint boxCount = 0;
    if (!poppler_page_get_text_layout(page.get(), &boxes, &boxCount)) boxCount = 0;
    std::unique_ptr<PopplerRectangle, GFree> ownedBoxes(boxes);
    result.lines = LinesOf(text.c_str(), boxes, boxCount);
    return result;
}

std::string PdfFile::Title() const { return Take(poppler_document_get_title(handle_->document.get())); }
std::string PdfFile::Author() const { return Take(poppler_document_get_author(handle_->document.get())); }
std::string PdfFile::Metadata() const { return Take(poppler_document_get_metadata(handle_->document.get())); }

std::vector<PdfMark> PdfFile::TopLevelMarks() const
{
    std::vector<PdfMark> marks;
    PopplerDocument* document = handle_->document.get();
    IndexIter iter(poppler_index_iter_new(document));
    if (!iter) return marks;
    const int pageCount = PageCount();
    do {
        if (std::optional<PdfMark> mark = MarkOfEntry(document, iter.get(), pageCount, 0))
            marks.push_back(std::move(*mark));
    } while (poppler_index_iter_next(iter.get()));
    return marks;
}

}  // namespace document
