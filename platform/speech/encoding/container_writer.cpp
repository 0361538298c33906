#include "container_writer.h"

#include "container_writers.h"

#include <sapi.h>

namespace speech {

std::unique_ptr<ContainerWriter> CreateContainerWriter(AudioContainer container, FileSink& out, HRESULT* hr)
{
    *hr = S_OK;
    switch (container) {
    case AudioContainer::Opus: return CreateOggOpusWriter(out);
    default: break;
    }
    *hr = SPERR_UNSUPPORTED_FORMAT;
    return nullptr;
}

}  // namespace speech
