#include <sphelper.h>

CSpStreamFormat::~CSpStreamFormat() { Clear(); }

void CSpStreamFormat::Clear()
{
    CoTaskMemFree(m_pCoMemWaveFormatEx);
    m_pCoMemWaveFormatEx = nullptr;
    m_guidFormatId = GUID_NULL;
}

HRESULT CSpStreamFormat::AssignFormat(ISpStreamFormat* stream)
{
    Clear();
    if (!stream) return E_POINTER;
    HRESULT hr = stream->GetFormat(&m_guidFormatId, &m_pCoMemWaveFormatEx);
    if (FAILED(hr)) Clear();  // a half-filled answer is not a format
    return hr;
}
