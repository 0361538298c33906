#include <sphelper.h>

#include <atlbase.h>

HRESULT SPBindToFile(LPCWSTR fileName, SPFILEMODE mode, ISpStream** stream, const GUID* formatId,
                     const WAVEFORMATEX* waveFormat, ULONGLONG eventInterest)
{
    if (!stream) return E_POINTER;
    CComPtr<ISpStream> created;
    HRESULT hr = created.CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL);
    if (SUCCEEDED(hr)) hr = created->BindToFile(fileName, mode, formatId, waveFormat, eventInterest);
    if (SUCCEEDED(hr)) *stream = created.Detach();
    return hr;
}
