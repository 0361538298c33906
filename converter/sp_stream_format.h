// The SDK's stream format record: a format identifier and a WAVEFORMATEX block
// from the COM task allocator, freed when the record takes another or ends.
#pragma once

#include <sapi.h>

namespace narrate {

class CSpStreamFormat {
public:
    CSpStreamFormat() = default;
    ~CSpStreamFormat();
    CSpStreamFormat(const CSpStreamFormat&) = delete;
    CSpStreamFormat& operator=(const CSpStreamFormat&) = delete;

    // Takes over the format `stream` reports.
    HRESULT AssignFormat(ISpStreamFormat* stream);

    const GUID& FormatId() const { return m_guidFormatId; }
    const WAVEFORMATEX* WaveFormatExPtr() const { return m_pCoMemWaveFormatEx; }

private:
    void Clear();

    GUID m_guidFormatId = GUID_NULL;
    WAVEFORMATEX* m_pCoMemWaveFormatEx = nullptr;
};

}  // namespace narrate
