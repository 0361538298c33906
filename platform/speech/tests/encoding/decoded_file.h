// The helpers moved to the shared test support.
#pragma once

#include <decoded_media.h>
