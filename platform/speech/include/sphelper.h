// The SDK's helper functions and classes around the speech interfaces.
#pragma once

#include <sapi.h>

// Creates a SpStream and binds it to `pFileName`; *ppStream is set only on success.
HRESULT SPBindToFile(LPCWSTR pFileName, SPFILEMODE eMode, ISpStream** ppStream, const GUID* pFormatId = nullptr,
                     const WAVEFORMATEX* pWaveFormatEx = nullptr, ULONGLONG ullEventInterest = SPFEI_ALL_EVENTS);

// Creates a SpObjectTokenCategory set to `pszCategoryId`; *ppCategory is set only on success.
HRESULT SpGetCategoryFromId(const WCHAR* pszCategoryId, ISpObjectTokenCategory** ppCategory,
                            BOOL fCreateIfNotExist = FALSE);
// The tokens of a category that match the attribute filters (null: every token).
HRESULT SpEnumTokens(const WCHAR* pszCategoryId, const WCHAR* pszReqAttribs, const WCHAR* pszOptAttribs,
                     IEnumSpObjectTokens** ppEnum);

// Frees what an event's lParam holds (a string or an object) and zeroes the event.
void SpClearEvent(SPEVENT* pe);

// A stream format record: a format identifier and a WAVEFORMATEX block from the
// COM task allocator, freed when the record takes another or ends.
class CSpStreamFormat {
public:
    CSpStreamFormat() = default;
    ~CSpStreamFormat();
    CSpStreamFormat(const CSpStreamFormat&) = delete;
    CSpStreamFormat& operator=(const CSpStreamFormat&) = delete;

    // Takes over the format `pStream` reports.
    HRESULT AssignFormat(ISpStreamFormat* pStream);
    void Clear();

    const GUID& FormatId() const { return m_guidFormatId; }
    const WAVEFORMATEX* WaveFormatExPtr() const { return m_pCoMemWaveFormatEx; }

    GUID m_guidFormatId = GUID_NULL;
    WAVEFORMATEX* m_pCoMemWaveFormatEx = nullptr;
};
