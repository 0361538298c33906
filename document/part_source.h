// A part of a document (an archive entry, a file) as the readers see it: bytes
// handed over piece by piece, so a part need not be held whole (only HTML is,
// see ParseMarkup) and no declared size is trusted.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace document {

// Why a part could not be read to its end.
struct ReadFailure {
    enum class Reason { Missing, Damaged, TooLarge };
    Reason reason;
    std::string detail;  // what the archive or the system said, or the limit passed
};

// Takes the next piece; false stops the reading (the reader has what it needs).
using PieceSink = std::function<bool(std::string_view piece)>;

// Hands the part's bytes to the sink from its start; each call starts over.
// Nothing when the part was read to its end or the sink stopped it.
using PieceSource = std::function<std::optional<ReadFailure>(const PieceSink& sink)>;

// The largest part that is read: far above any real book's chapter file or
// document.xml, while a part that unpacks to gigabytes stops here.
inline constexpr std::uint64_t kLargestPart = std::uint64_t{1} << 30;
// Package documents, tables of contents, styles and metadata are small.
inline constexpr std::uint64_t kLargestMetadataPart = std::uint64_t{16} << 20;

// A file on disk, read in pieces, at most `largest` bytes.
PieceSource FilePieces(std::string path, std::uint64_t largest = kLargestPart);
// Bytes in memory (the fuzz targets and tests).
PieceSource MemoryPieces(std::string_view bytes);

// "1 GiB", "16 MiB": a limit as the messages name it.
std::string SizeWords(std::uint64_t bytes);

}  // namespace document
