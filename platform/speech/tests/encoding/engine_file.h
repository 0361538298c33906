// Samples written into a compressed file by the engine's own writer, in one piece,
// and the fields of ffprobe's output that decoded_media.h's Probe leaves out.
#pragma once

#include <decoded_media.h>

#include "encoding/encoded_file_writer.h"

#include <map>

namespace encoding_test {

struct Mark {
    std::size_t at;  // a chapter of this title begins at this sample frame
    std::string title;
};

// Writes `samples` (interleaved, whole frames) into the writer, starting each
// chapter where its mark says.
inline HRESULT WriteSamples(speech::EncodedFileWriter& writer, const WAVEFORMATEX& format,
                            const std::vector<std::int16_t>& samples, const std::vector<Mark>& marks = {})
{
    std::size_t at = 0;
    auto writeTo = [&](std::size_t to) {
        HRESULT hr = writer.Write(samples.data() + at * format.nChannels, (to - at) * format.nBlockAlign);
        at = to;
        return hr;
    };
    for (const Mark& mark : marks) {
        if (HRESULT hr = writeTo(mark.at); FAILED(hr)) return hr;
        writer.StartChapter(mark.title);
    }
    return writeTo(samples.size() / format.nChannels);
}

inline HRESULT WriteFile(const std::string& path, speech::AudioContainer container, const WAVEFORMATEX& format,
                         const std::vector<std::int16_t>& samples, const speech::AudioTags& tags = {},
                         const std::vector<Mark>& marks = {})
{
    speech::EncodedFileWriter writer;
    if (HRESULT hr = writer.Create(path, format, container); FAILED(hr)) return hr;
    writer.SetTags(tags);
    if (HRESULT hr = WriteSamples(writer, format, samples, marks); FAILED(hr)) return hr;
    return writer.Finish();
}

// ffprobe's flat output for `entries` (as -show_entries names them), by key:
// "streams.stream.0.duration_ts" and so on, quotes removed.
inline std::map<std::string, std::string> ProbeEntries(const std::string& path, const std::string& entries)
{
    std::map<std::string, std::string> fields;
    std::optional<std::string> out =
        CommandOutput("ffprobe -v error -show_entries " + entries + " -of flat " + Quoted(path));
    if (!out) return fields;
    std::size_t at = 0;
    while (at < out->size()) {
        std::size_t end = out->find('\n', at);
        if (end == std::string::npos) end = out->size();
        const std::string line = out->substr(at, end - at);
        at = end + 1;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
        fields[line.substr(0, equals)] = value;
    }
    return fields;
}

// Silence appended up to `length` frames.
inline std::vector<std::int16_t> PaddedTo(std::vector<std::int16_t> samples, std::size_t length)
{
    samples.resize(std::max(samples.size(), length), 0);
    return samples;
}

}  // namespace encoding_test
