#include "container_writer.h"

#include "container_writers.h"

#include <sapi.h>

namespace speech {

std::unique_ptr<ContainerWriter> CreateContainerWriter(AudioContainer container, FileSink& out, HRESULT* hr)
{
    *hr = S_OK;
    switch (container) {
    case AudioContainer::Opus: return CreateOggOpusWriter(out);
    case AudioContainer::Vorbis: return CreateOggVorbisWriter(out);
    case AudioContainer::Mp3: return CreateMp3Writer(out);
    case AudioContainer::Flac: return CreateFlacWriter(out);
    case AudioContainer::M4a:
    case AudioContainer::M4b: return CreateMp4Writer(out, container == AudioContainer::M4b, hr);
    default: break;
    }
    *hr = SPERR_UNSUPPORTED_FORMAT;
    return nullptr;
}

}  // namespace speech
