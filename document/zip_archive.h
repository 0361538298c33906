// A ZIP archive (EPUB, DOCX, ODT) on libzip: its entry names, and each entry
// as pieces that inflate in bounded steps.
#pragma once

#include "part_source.h"

#include <memory>
#include <string>
#include <vector>

struct zip;

namespace document {

class ZipArchive {
public:
    // The archive at `path`, checked for consistency as it opens; on failure
    // null, with libzip's words for why in `problem`.
    static std::unique_ptr<ZipArchive> Open(const std::string& path, std::string& problem);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // The entry's name as stored: exactly `name`, else one that differs only
    // in letter case; empty when there is none.
    std::string Find(const std::string& name) const;
    std::vector<std::string> Names() const;

    // The entry `name` (as stored), at most `largest` inflated bytes. The
    // archive must outlive the source.
    PieceSource Entry(const std::string& name, std::uint64_t largest) const;
    // A small entry whole (mimetype, at most `largest` bytes); nothing on failure.
    std::optional<std::string> SmallEntry(const std::string& name, std::size_t largest) const;

private:
    explicit ZipArchive(zip* archive) : archive_(archive) {}
    std::optional<ReadFailure> Read(const std::string& name, std::uint64_t largest, const PieceSink& sink) const;

    zip* archive_;
};

}  // namespace document
