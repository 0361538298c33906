// The writer of each compressed container (container_writer.cpp picks one).
#pragma once

#include "container_writer.h"

namespace speech {

std::unique_ptr<ContainerWriter> CreateOggOpusWriter(FileSink& out);

}  // namespace speech
