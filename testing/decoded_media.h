// What FFmpeg, an outside decoder, makes of an audio file the programs wrote: its samples,
// its duration, tags and chapters. Tests that check a container use it, so each
// file is judged by a reader that is not ours.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace encoding_test {

// The output of a command, or nothing when it did not end well.
inline std::optional<std::string> CommandOutput(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char chunk[1 << 16];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, got);
    return pclose(pipe) == 0 ? std::optional<std::string>(out) : std::nullopt;
}

inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The file decoded to 16-bit mono samples at `rate`.
inline std::optional<std::vector<std::int16_t>> Decoded(const std::string& path, int rate = 22050)
{
    std::optional<std::string> bytes = CommandOutput("ffmpeg -v error -nostdin -i " + Quoted(path) +
                                                     " -f s16le -ac 1 -ar " + std::to_string(rate) + " -");
    if (!bytes) return std::nullopt;
    std::vector<std::int16_t> samples(bytes->size() / 2);
    std::copy_n(reinterpret_cast<const std::int16_t*>(bytes->data()), samples.size(), samples.data());
    return samples;
}

struct ProbedChapter {
    double start = 0, end = 0;
    std::string title;
};

struct Probed {
    std::string format;  // ffprobe's format name: "ogg", "mp3", "flac", "mov,mp4,m4a,3gp,3g2,mj2"
    std::string codec;
    double duration = 0;
    std::map<std::string, std::string> tags;  // the format's and the stream's, keys in lower case
    std::vector<ProbedChapter> chapters;
    std::string brand;  // MP4's major brand
};

// ffprobe's "flat" output, read back.
inline std::optional<Probed> Probe(const std::string& path)
{
    std::optional<std::string> out = CommandOutput("ffprobe -v error -show_format -show_streams -show_chapters -of flat " +
                                                   Quoted(path));
    if (!out) return std::nullopt;
    Probed probed;
    std::size_t at = 0;
    while (at < out->size()) {
        std::size_t end = out->find('\n', at);
        if (end == std::string::npos) end = out->size();
        const std::string line = out->substr(at, end - at);
        at = end + 1;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
        auto lower = [](std::string text) {
            for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return text;
        };
        if (key == "format.format_name") probed.format = value;
        else if (key == "format.duration") probed.duration = std::stod(value);
        else if (key == "streams.stream.0.codec_name") probed.codec = value;
        else if (key == "format.tags.major_brand") probed.brand = value;
        else if (key.rfind("format.tags.", 0) == 0) probed.tags[lower(key.substr(12))] = value;
        else if (key.rfind("streams.stream.0.tags.", 0) == 0) probed.tags[lower(key.substr(22))] = value;
        else if (key.rfind("chapters.chapter.", 0) == 0) {
            std::size_t dot = key.find('.', 17);
            std::size_t index = std::stoul(key.substr(17, dot - 17));
            if (probed.chapters.size() <= index) probed.chapters.resize(index + 1);
            const std::string field = key.substr(dot + 1);
            if (field == "start_time") probed.chapters[index].start = std::stod(value);
            else if (field == "end_time") probed.chapters[index].end = std::stod(value);
            else if (field == "tags.title") probed.chapters[index].title = value;
        }
    }
    return probed;
}

// The first sample at or after `from` louder than `level`; the size when none is.
inline std::size_t FirstSound(const std::vector<std::int16_t>& samples, std::size_t from, int level = 256)
{
    for (std::size_t i = from; i < samples.size(); ++i)
        if (samples[i] >= level || samples[i] <= -level) return i;
    return samples.size();
}

}  // namespace encoding_test
