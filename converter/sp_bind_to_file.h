// The SDK's helper that makes a stream bound to a file.
#pragma once

#include <sapi.h>

namespace narrate {

// Creates a SpStream and binds it to `fileName`; *stream is set only on success.
HRESULT SPBindToFile(LPCWSTR fileName, SPFILEMODE mode, ISpStream** stream, const GUID* formatId,
                     const WAVEFORMATEX* waveFormat, ULONGLONG eventInterest);

}  // namespace narrate
