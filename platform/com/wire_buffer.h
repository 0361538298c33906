// The byte form of the local-server protocol's fields: little-endian integers,
// GUIDs, UTF-16 text (platform-internal). The reader never reads past its
// bytes and never allocates more than they can hold.
#pragma once

#include <guiddef.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace com::wire {

class Writer {
public:
    void U8(std::uint8_t value) { bytes_.push_back(value); }
    void U16(std::uint16_t value) { Unsigned(value, 2); }
    void U32(std::uint32_t value) { Unsigned(value, 4); }
    void U64(std::uint64_t value) { Unsigned(value, 8); }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void Guid(const GUID& guid);
    // A count of units, then the units.
    void Text(std::u16string_view text);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    void Unsigned(std::uint64_t value, int size);

    std::vector<std::uint8_t> bytes_;
};

// Reads fields in order. A field that is not all there makes the reader fail
// from then on: it gives zeros, and ok() turns false.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Unsigned(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Unsigned(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Unsigned(4)); }
    std::uint64_t U64() { return Unsigned(8); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    GUID Guid();
    std::u16string Text();
    // A count that announces `count` items of at least `itemBytes` each: fails
    // unless that many bytes are left, so no list is made larger than its data.
    std::uint32_t Count(std::size_t itemBytes);
    // Makes the reader fail, for a value that is not allowed where it is.
    void Fail() { failed_ = true; }

    bool ok() const { return !failed_; }
    // Every byte read and nothing missing: the whole message was understood.
    bool Finished() const { return !failed_ && position_ == bytes_.size(); }

private:
    std::uint64_t Unsigned(int size);
    bool Has(std::size_t size);

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

}  // namespace com::wire
