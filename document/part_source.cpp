#include "part_source.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace document {
namespace {

constexpr std::size_t kPieceSize = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string SizeWords(std::uint64_t bytes)
{
    if (bytes >= (std::uint64_t{1} << 30) && bytes % (std::uint64_t{1} << 30) == 0)
        return std::to_string(bytes >> 30) + " GiB";
    if (bytes >= (std::uint64_t{1} << 20) && bytes % (std::uint64_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

PieceSource FilePieces(std::string path, std::uint64_t largest)
{
    return [path = std::move(path), largest](const PieceSink& sink) -> std::optional<ReadFailure> {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        if (!file) {
            const int error = errno;
            return ReadFailure{error == ENOENT ? ReadFailure::Reason::Missing : ReadFailure::Reason::Damaged,
                               std::strerror(error)};
        }
        std::vector<char> piece(kPieceSize);
        std::uint64_t total = 0;
        for (;;) {
            const std::size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
            if (got == 0) {
                if (std::ferror(file.get())) return ReadFailure{ReadFailure::Reason::Damaged, std::strerror(errno)};
                return std::nullopt;
            }
            total += got;
            if (total > largest) return ReadFailure{ReadFailure::Reason::TooLarge, "larger than " + SizeWords(largest)};
            if (!sink(std::string_view(piece.data(), got))) return std::nullopt;
        }
    };
}

PieceSource MemoryPieces(std::string_view bytes)
{
    return [bytes](const PieceSink& sink) -> std::optional<ReadFailure> {
        // In pieces as a file would come, so the parsers see piece boundaries in tests too.
        for (std::size_t at = 0; at < bytes.size(); at += kPieceSize)
            if (!sink(bytes.substr(at, kPieceSize))) break;
        return std::nullopt;
    };
}

}  // namespace document
