#include "wire_buffer.h"

namespace com::wire {

void Writer::Unsigned(std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void Writer::Guid(const GUID& guid)
{
    U32(guid.Data1);
    U16(guid.Data2);
    U16(guid.Data3);
    for (BYTE b : guid.Data4) U8(b);
}

void Writer::Text(std::u16string_view text)
{
    U32(static_cast<std::uint32_t>(text.size()));
    for (char16_t unit : text) U16(unit);
}

bool Reader::Has(std::size_t size)
{
    if (failed_ || bytes_.size() - position_ < size) {
        failed_ = true;
        return false;
    }
    return true;
}

std::uint64_t Reader::Unsigned(int size)
{
    if (!Has(static_cast<std::size_t>(size))) return 0;
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) value |= std::uint64_t{bytes_[position_ + i]} << (8 * i);
    position_ += static_cast<std::size_t>(size);
    return value;
}

GUID Reader::Guid()
{
    GUID guid{};
    guid.Data1 = U32();
    guid.Data2 = U16();
    guid.Data3 = U16();
    for (BYTE& b : guid.Data4) b = U8();
    return failed_ ? GUID{} : guid;
}

std::u16string Reader::Text()
{
    std::uint32_t units = Count(2);
    std::u16string text;
    if (!ok()) return text;
    text.resize(units);
    for (auto& unit : text) unit = static_cast<char16_t>(U16());
    return text;
}

std::uint32_t Reader::Count(std::size_t itemBytes)
{
    std::uint32_t count = U32();
    if (failed_) return 0;
    if (itemBytes > 0 && count > (bytes_.size() - position_) / itemBytes) {
        failed_ = true;
        return 0;
    }
    return count;
}

}  // namespace com::wire
