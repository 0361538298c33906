#include "spoken_piece.h"

#include <cstring>

namespace speech {
namespace {

struct Record {
    std::uint32_t kind;
    std::uint32_t reserved;
    std::uint64_t position, length, sample;
};

template <class T>
void Put(std::string& bytes, const T& value)
{
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <class T>
bool Take(std::string_view& bytes, T& value)
{
    if (bytes.size() < sizeof value) return false;
    std::memcpy(&value, bytes.data(), sizeof value);
    bytes.remove_prefix(sizeof value);
    return true;
}

}  // namespace

std::string EncodeSpokenPiece(const SpokenPiece& piece)
{
    std::string bytes;
    Put(bytes, piece.samples);
    Put(bytes, static_cast<std::uint64_t>(piece.events.size()));
    for (const SpokenEvent& event : piece.events)
        Put(bytes, Record{static_cast<std::uint32_t>(event.kind), 0, event.position, event.length, event.sample});
    return bytes;
}

std::optional<SpokenPiece> DecodeSpokenPiece(std::string_view bytes)
{
    SpokenPiece piece;
    std::uint64_t count = 0;
    if (!Take(bytes, piece.samples) || !Take(bytes, count) || count != bytes.size() / sizeof(Record)
        || bytes.size() % sizeof(Record))
        return std::nullopt;
    for (Record record; Take(bytes, record);) {
        if (record.kind > static_cast<std::uint32_t>(SpokenEvent::Kind::SentenceEnd)) return std::nullopt;
        piece.events.push_back({static_cast<SpokenEvent::Kind>(record.kind), static_cast<std::size_t>(record.position),
                                static_cast<std::size_t>(record.length), record.sample});
    }
    return piece;
}

}  // namespace speech
