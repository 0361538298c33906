// The tests' documents: the committed samples, and archives made at test time
// from them or from scratch with libzip.
#pragma once

#include <zip.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace document::testing {

inline std::string Sample(const std::string& name) { return std::string(VARNEL_DOCUMENT_SAMPLES) + "/" + name; }

inline std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct ZipEntry {
    std::string name;
    std::string data;
};

// Each entry's bytes, in the archive's order.
inline std::vector<ZipEntry> ZipEntries(const std::string& path)
{
    std::vector<ZipEntry> entries;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!archive) {
        ADD_FAILURE() << "cannot open " << path;
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        std::string data(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        zip_fread(file, data.data(), data.size());
        zip_fclose(file);
        entries.push_back({stat.name, std::move(data)});
    }
    zip_discard(archive);
    return entries;
}

// An entry of `head` and then `unit` `count` times, stored already deflated:
// each piece is compressed once and its bytes repeated, so an entry that
// inflates to gigabytes takes a moment to write and little disk.
struct RepeatedEntry {
    std::string name;
    std::string head;
    std::string unit;
    std::uint64_t count;
};

namespace detail {

// Raw deflate of `bytes` as blocks that end on a byte and refer to nothing before.
inline std::string Deflated(const std::string& bytes)
{
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, bytes.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FULL_FLUSH);
    out.resize(out.size() - stream.avail_out);
    deflateEnd(&stream);
    return out;
}

struct Repeated {
    explicit Repeated(const RepeatedEntry& entry)
        : head(Deflated(entry.head)), unit(Deflated(entry.unit)), count(entry.count),
          size(entry.head.size() + entry.unit.size() * entry.count)
    {
        const uLong unitCrc = crc32(0, reinterpret_cast<const Bytef*>(entry.unit.data()), static_cast<uInt>(entry.unit.size()));
        crc = crc32(0, reinterpret_cast<const Bytef*>(entry.head.data()), static_cast<uInt>(entry.head.size()));
        for (std::uint64_t i = 0; i < count; ++i) crc = crc32_combine(crc, unitCrc, static_cast<z_off_t>(entry.unit.size()));
    }
    std::uint64_t CompressedSize() const { return head.size() + unit.size() * count + kEnd.size(); }
    char At(std::uint64_t at) const
    {
        if (at < head.size()) return head[at];
        at -= head.size();
        if (at < unit.size() * count) return unit[at % unit.size()];
        return kEnd[at - unit.size() * count];
    }

    static inline const std::string kEnd{"\x03\x00", 2};  // an empty final block
    std::string head, unit;
    std::uint64_t count, size;
    uLong crc = 0;
    std::uint64_t at = 0;
};

inline zip_int64_t ServeRepeated(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    Repeated& repeated = *static_cast<Repeated*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN: repeated.at = 0; return 0;
    case ZIP_SOURCE_READ: {
        const std::uint64_t count = std::min<std::uint64_t>(length, repeated.CompressedSize() - repeated.at);
        for (std::uint64_t i = 0; i < count; ++i) static_cast<char*>(data)[i] = repeated.At(repeated.at++);
        return static_cast<zip_int64_t>(count);
    }
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_STAT: {
        zip_stat_t* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->size = repeated.size;
        stat->comp_size = repeated.CompressedSize();
        stat->crc = static_cast<zip_uint32_t>(repeated.crc);
        stat->comp_method = ZIP_CM_DEFLATE;  // libzip stores the data as it comes
        stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR: return 2 * sizeof(int);
    case ZIP_SOURCE_FREE: return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default: return -1;
    }
}

}  // namespace detail

// Writes the archive: "mimetype" first and stored, as EPUB and ODT keep it.
inline void WriteZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries,
                     const std::vector<RepeatedEntry>& repeated = {})
{
    std::filesystem::remove(path);
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(index, 0) << entry.name;
        if (entry.name == "mimetype") zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    std::vector<std::unique_ptr<detail::Repeated>> states;
    for (const RepeatedEntry& entry : repeated) {
        states.push_back(std::make_unique<detail::Repeated>(entry));
        zip_source_t* source = zip_source_function(archive, detail::ServeRepeated, states.back().get());
        ASSERT_GE(zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(archive), 0) << zip_strerror(archive);
}

// The entries with one replaced (or added when it is not there).
inline std::vector<ZipEntry> With(std::vector<ZipEntry> entries, const std::string& name, const std::string& data)
{
    for (ZipEntry& entry : entries)
        if (entry.name == name) {
            entry.data = data;
            return entries;
        }
    entries.push_back({name, data});
    return entries;
}

}  // namespace document::testing
