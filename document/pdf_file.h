// A PDF opened with poppler: its information, its outline and the lines of its
// pages. The only file that sees poppler and GLib.
#pragma once

#include "pdf_layout.h"

#include <memory>
#include <string>
#include <vector>

namespace document {

class PdfFile {
public:
    enum class Failure { None, CannotOpen, Damaged, Encrypted };
    struct Opening;

    static Opening Open(const std::string& path);
    ~PdfFile();
    PdfFile(PdfFile&&) noexcept;
    PdfFile& operator=(PdfFile&&) noexcept;

    int PageCount() const;
    PdfPage Page(int index) const;
    std::string Title() const;   // from the document information
    std::string Author() const;
    std::string Metadata() const;  // the XMP packet, may be empty
    std::vector<PdfMark> TopLevelMarks() const;  // in the outline's order

private:
    struct Handle;
    explicit PdfFile(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle_;
};

struct PdfFile::Opening {
    std::unique_ptr<PdfFile> file;  // when opened
    Failure failure = Failure::None;
    std::string detail;  // for CannotOpen, the problem ("cannot be opened: ...")
};

}  // namespace document
