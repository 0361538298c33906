// The kinds of audio file the engine writes, chosen by the file's extension.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace speech {

enum class AudioContainer : std::uint32_t { Wav, Flac, Opus, Vorbis, Mp3, M4a, M4b };

// The container an extension names, any letter case, with or without its dot
// ("opus", ".OPUS"); nullopt for any other.
std::optional<AudioContainer> ContainerForExtension(std::u16string_view extension);
// The container a file name's extension names; nullopt for any other, and for none.
std::optional<AudioContainer> ContainerForFileName(std::u16string_view name);
// The extensions that name a container, for messages: ".wav, .flac, ...".
const char* ContainerExtensions();

// The clock of the container's timestamps: Ogg Opus counts at 48 kHz whatever the
// input, Ogg Vorbis at half an input's rate above 24 kHz, the others at the input's.
std::uint32_t TimelineRate(AudioContainer container, std::uint32_t inputRate);

}  // namespace speech
