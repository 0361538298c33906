#include "audio_container.h"

#include <array>
#include <cstddef>

namespace speech {
namespace {

struct Named {
    std::u16string_view extension;
    AudioContainer container;
};

constexpr std::array<Named, 7> kContainers = {{
    {u"wav", AudioContainer::Wav},
    {u"flac", AudioContainer::Flac},
    {u"opus", AudioContainer::Opus},
    {u"ogg", AudioContainer::Vorbis},
    {u"mp3", AudioContainer::Mp3},
    {u"m4a", AudioContainer::M4a},
    {u"m4b", AudioContainer::M4b},
}};

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

}  // namespace

std::optional<AudioContainer> ContainerForExtension(std::u16string_view extension)
{
    if (!extension.empty() && extension.front() == u'.') extension.remove_prefix(1);
    for (const Named& named : kContainers)
        if (EqualIgnoringCase(extension, named.extension)) return named.container;
    return std::nullopt;
}

std::optional<AudioContainer> ContainerForFileName(std::u16string_view name)
{
    const std::size_t slash = name.find_last_of(u'/');
    if (slash != std::u16string_view::npos) name.remove_prefix(slash + 1);
    const std::size_t dot = name.find_last_of(u'.');
    if (dot == std::u16string_view::npos || dot == 0) return std::nullopt;  // ".opus" is a hidden name
    return ContainerForExtension(name.substr(dot + 1));
}

const char* ContainerExtensions() { return ".wav, .flac, .opus, .ogg, .mp3, .m4a, .m4b"; }

std::uint32_t TimelineRate(AudioContainer container, std::uint32_t inputRate)
{
    if (container == AudioContainer::Opus) return 48000;
    if (container == AudioContainer::Vorbis && inputRate > 24000) return inputRate / 2;  // vorbis_codec.h says why
    return inputRate;
}

}  // namespace speech
