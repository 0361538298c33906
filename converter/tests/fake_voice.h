// A voice that records what the converter asks of it, for the rendering tests.
#pragma once

#include <atlbase.h>
#include <varnel/com_object.h>
#include <sapi.h>

#include <string>
#include <vector>

namespace converter_test {

// An output reporting 22050 Hz 16-bit mono PCM, as the engine's default one.
class FakeOutput final : public ComObject<ISpStreamFormat> {
public:
    STDMETHOD(Write)(const void*, ULONG bytes, ULONG* written) override
    {
        if (written) *written = bytes;
        return S_OK;
    }
    STDMETHOD(GetFormat)(GUID* formatId, WAVEFORMATEX** format) override
    {
        ++formatCalls;
        auto* block = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
        *block = WAVEFORMATEX{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
        *formatId = SPDFID_WaveFormatEx;
        *format = block;
        return S_OK;
    }
    int formatCalls = 0;
};

class FakeVoice final : public ComObject<ISpVoice> {
public:
    FakeVoice() { output.Attach(new FakeOutput); }

    STDMETHOD(SetNotifyWindowMessage)(HWND, UINT, WPARAM, LPARAM) override { return E_NOTIMPL; }
    STDMETHOD(SetInterest)(ULONGLONG, ULONGLONG) override { return E_NOTIMPL; }
    STDMETHOD(GetEvents)(ULONG, SPEVENT*, ULONG*) override { return E_NOTIMPL; }
    STDMETHOD(GetInfo)(SPEVENTSOURCEINFO*) override { return E_NOTIMPL; }
    STDMETHOD(Pause)() override { return E_NOTIMPL; }
    STDMETHOD(Resume)() override { return E_NOTIMPL; }

    STDMETHOD(SetOutput)(IUnknown* stream, BOOL allowFormatChanges) override
    {
        calls.push_back(std::string("SetOutput(") + (stream == output.p ? "previous" : stream ? "wav" : "null") +
                        (allowFormatChanges ? ",TRUE)" : ",FALSE)"));
        return stream && stream != output.p ? setOutputResult : S_OK;
    }
    STDMETHOD(GetOutputStream)(ISpStreamFormat** stream) override
    {
        calls.push_back("GetOutputStream");
        *stream = getOutputResult == S_OK ? output.p : nullptr;
        if (*stream) (*stream)->AddRef();
        return getOutputResult;
    }
    STDMETHOD(SetVoice)(ISpObjectToken*) override
    {
        calls.push_back("SetVoice");
        return setVoiceResult;
    }
    STDMETHOD(GetVoice)(ISpObjectToken**) override { return E_NOTIMPL; }
    STDMETHOD(Speak)(LPCWSTR text, DWORD flags, ULONG*) override
    {
        calls.push_back("Speak(" + std::to_string(flags) + ")");
        spokenText = text ? text : u"<null>";
        return S_OK;
    }
    STDMETHOD(SetRate)(LONG rate) override
    {
        calls.push_back("SetRate(" + std::to_string(rate) + ")");
        return S_OK;
    }
    STDMETHOD(GetRate)(LONG*) override { return E_NOTIMPL; }
    STDMETHOD(SetVolume)(USHORT volume) override
    {
        calls.push_back("SetVolume(" + std::to_string(volume) + ")");
        return S_OK;
    }
    STDMETHOD(GetVolume)(USHORT*) override { return E_NOTIMPL; }
    STDMETHOD(WaitUntilDone)(ULONG timeout) override
    {
        calls.push_back("WaitUntilDone(" + std::to_string(timeout) + ")");
        return S_OK;
    }

    STDMETHOD(GetStatus)(SPVOICESTATUS* out, LPWSTR*) override
    {
        if (SUCCEEDED(statusResult)) *out = status;
        return statusResult;
    }

    SPVOICESTATUS status{};
    HRESULT statusResult = E_NOTIMPL;
    CComPtr<FakeOutput> output;
    HRESULT getOutputResult = S_OK;
    HRESULT setVoiceResult = S_OK;
    HRESULT setOutputResult = S_OK;
    std::vector<std::string> calls;
    std::u16string spokenText;
};

}  // namespace converter_test
