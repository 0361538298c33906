#include "ogg_stream.h"

#include <sapi.h>

namespace speech {

OggStream::OggStream(FileSink& out, std::uint32_t serial) : out_(out)
{
    ogg_stream_init(&stream_, static_cast<int>(serial));
}

OggStream::~OggStream() { ogg_stream_clear(&stream_); }

HRESULT OggStream::Add(const std::uint8_t* data, std::size_t size, std::int64_t granule, bool last)
{
    ogg_packet packet{};
    packet.packet = const_cast<unsigned char*>(data);
    packet.bytes = static_cast<long>(size);
    packet.b_o_s = packetNumber_ == 0;
    packet.e_o_s = last;
    packet.granulepos = granule;
    packet.packetno = packetNumber_++;
    return ogg_stream_packetin(&stream_, &packet) == 0 ? S_OK : E_OUTOFMEMORY;
}

HRESULT OggStream::WritePages(bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream_, &page) : ogg_stream_pageout(&stream_, &page)) {
        if (HRESULT hr = out_.Write(page.header, static_cast<std::size_t>(page.header_len)); FAILED(hr)) return hr;
        if (HRESULT hr = out_.Write(page.body, static_cast<std::size_t>(page.body_len)); FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT OggStream::Header(const std::vector<std::uint8_t>& packet)
{
    if (HRESULT hr = Add(packet.data(), packet.size(), 0, false); FAILED(hr)) return hr;
    return WritePages(true);
}

HRESULT OggStream::Audio(const std::uint8_t* data, std::size_t size, std::int64_t granule, bool last)
{
    if (HRESULT hr = Add(data, size, granule, last); FAILED(hr)) return hr;
    return WritePages(last);
}

std::uint32_t OggSerialFor(const std::vector<std::uint8_t>& headers, std::uint64_t samples)
{
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (std::uint8_t byte : headers) hash = (hash ^ byte) * 16777619u;
    for (int i = 0; i < 8; ++i) hash = (hash ^ static_cast<std::uint8_t>(samples >> (8 * i))) * 16777619u;
    return hash;
}

}  // namespace speech
