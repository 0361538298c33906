// The writer of each compressed container (container_writer.cpp picks one).
#pragma once

#include "container_writer.h"

namespace speech {

std::unique_ptr<ContainerWriter> CreateOggOpusWriter(FileSink& out);
std::unique_ptr<ContainerWriter> CreateOggVorbisWriter(FileSink& out);
std::unique_ptr<ContainerWriter> CreateMp3Writer(FileSink& out);
std::unique_ptr<ContainerWriter> CreateFlacWriter(FileSink& out);
// AAC in MP4, an audiobook (.m4b) or not; nullptr with *hr when FFmpeg is missing.
std::unique_ptr<ContainerWriter> CreateMp4Writer(FileSink& out, bool audiobook, HRESULT* hr);

}  // namespace speech
