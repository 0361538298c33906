#include "zip_archive.h"

#include <zip.h>

#include <vector>

namespace document {
namespace {

constexpr std::size_t kPieceSize = 64 * 1024;

struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

std::string ArchiveError(zip_t* archive)
{
    const char* words = zip_error_strerror(zip_get_error(archive));
    return words ? words : "unknown error";
}

}  // namespace

std::unique_ptr<ZipArchive> ZipArchive::Open(const std::string& path, std::string& problem)
{
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        problem = zip_error_strerror(&error);
        zip_error_fini(&error);
        return nullptr;
    }
    return std::unique_ptr<ZipArchive>(new ZipArchive(archive));
}

ZipArchive::~ZipArchive() { zip_discard(archive_); }

std::string ZipArchive::Find(const std::string& name) const
{
    zip_int64_t index = zip_name_locate(archive_, name.c_str(), ZIP_FL_ENC_GUESS);
    if (index < 0) index = zip_name_locate(archive_, name.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
    if (index < 0) return {};
    const char* stored = zip_get_name(archive_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
    return stored ? stored : std::string();
}

std::vector<std::string> ZipArchive::Names() const
{
    std::vector<std::string> names;
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        if (name) names.emplace_back(name);
    }
    return names;
}

std::optional<ReadFailure> ZipArchive::Read(const std::string& name, std::uint64_t largest, const PieceSink& sink) const
{
    const zip_int64_t index = zip_name_locate(archive_, name.c_str(), ZIP_FL_ENC_GUESS);
    if (index < 0) return ReadFailure{ReadFailure::Reason::Missing, name + " is not in the archive"};
    std::unique_ptr<zip_file_t, EntryCloser> entry(zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0));
    if (!entry) return ReadFailure{ReadFailure::Reason::Damaged, ArchiveError(archive_) + " in " + name};
    std::vector<char> piece(kPieceSize);
    std::uint64_t total = 0;
    for (;;) {
        // libzip checks the data against its CRC as the last piece arrives.
        const zip_int64_t got = zip_fread(entry.get(), piece.data(), piece.size());
        if (got < 0) {
            const char* words = zip_error_strerror(zip_file_get_error(entry.get()));
            return ReadFailure{ReadFailure::Reason::Damaged, std::string(words ? words : "read error") + " in " + name};
        }
        if (got == 0) return std::nullopt;
        total += static_cast<std::uint64_t>(got);
        if (total > largest)
            return ReadFailure{ReadFailure::Reason::TooLarge, name + " unpacks to more than " + SizeWords(largest)};
        if (!sink(std::string_view(piece.data(), static_cast<std::size_t>(got)))) return std::nullopt;
    }
}

PieceSource ZipArchive::Entry(const std::string& name, std::uint64_t largest) const
{
    return [this, name, largest](const PieceSink& sink) { return Read(name, largest, sink); };
}

std::optional<std::string> ZipArchive::SmallEntry(const std::string& name, std::size_t largest) const
{
    std::string bytes;
    if (Read(name, largest, [&](std::string_view piece) { bytes += piece; return true; })) return std::nullopt;
    return bytes;
}

}  // namespace document
