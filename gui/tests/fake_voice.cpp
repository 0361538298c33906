#include "fake_voice.h"

#include <varnel/class_table.h>
#include <varnel/com_object.h>
#include <oaidl.h>
#include <oleauto.h>
#include <winnls.h>

namespace gui_test {
namespace {

// {5B1D0C47-9E0A-4C7E-8B51-0F6A3D2E9C11}
const CLSID kFakeVoiceClsid = {0x5b1d0c47, 0x9e0a, 0x4c7e, {0x8b, 0x51, 0x0f, 0x6a, 0x3d, 0x2e, 0x9c, 0x11}};

std::string Utf8(BSTR text)
{
    if (!text) return {};
    int units = static_cast<int>(SysStringLen(text));
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, units, out.data(), bytes, nullptr, nullptr);
    return out;
}

BSTR Bstr(const std::string& utf8)
{
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(units));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out, units);
    return out;
}

// Argument `position` (0 = first in calling order) as type vt.
HRESULT Argument(DISPPARAMS* params, UINT position, VARTYPE vt, VARIANT* value)
{
    UINT argErr = 0;
    return DispGetParam(params, position, vt, value, &argErr);
}

// The value of a property put (the one named argument).
HRESULT PutValue(DISPPARAMS* params, VARTYPE vt, VARIANT* value)
{
    if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    return VariantChangeType(value, &params->rgvarg[0], 0, vt);
}

HRESULT Raise(EXCEPINFO* info, const char* description)
{
    if (info) {
        *info = EXCEPINFO{};
        info->bstrDescription = Bstr(description);
        info->bstrSource = Bstr("Varnel.TestVoice");
        info->scode = E_INVALIDARG;
    }
    return DISP_E_EXCEPTION;
}

class DispatchBase : public ComObject<IDispatch> {
public:
    DispatchBase() { ++FakeVoice().liveObjects; }
    ~DispatchBase() override { --FakeVoice().liveObjects; }
    STDMETHOD(GetTypeInfoCount)(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
};

class FakeToken : public DispatchBase {
public:
    explicit FakeToken(std::string description) : description_(std::move(description)) {}
    const std::string& Description() const { return description_; }

    STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        if (id != 4 || flags != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
        if (result) {
            VariantInit(result);
            result->vt = VT_BSTR;
            result->bstrVal = Bstr(description_);
        }
        return S_OK;
    }

private:
    std::string description_;
};

class FakeTokens : public DispatchBase {
public:
    STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                      UINT*) override
    {
        const auto& voices = FakeVoice().voices;
        if (id == 1 && flags == DISPATCH_PROPERTYGET) {
            VariantInit(result);
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(voices.size());
            return S_OK;
        }
        if (id != 0 || flags != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
        VARIANT index;
        VariantInit(&index);
        if (HRESULT hr = Argument(params, 0, VT_I4, &index); FAILED(hr)) return hr;
        if (index.lVal < 0 || index.lVal >= static_cast<LONG>(voices.size())) return Raise(info, "Index out of range");
        VariantInit(result);
        result->vt = VT_DISPATCH;
        result->pdispVal = NewComObject<FakeToken>(voices[static_cast<std::size_t>(index.lVal)]);
        return S_OK;
    }
};

class FakeStatus : public DispatchBase {
public:
    STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        const auto& state = FakeVoice();
        if (flags != DISPATCH_PROPERTYGET) return DISP_E_MEMBERNOTFOUND;
        long value = 0;
        switch (id) {
        case 1: value = state.currentStream; break;
        case 4: value = state.runningState; break;
        case 5: value = state.wordPosition; break;
        case 6: value = state.wordLength; break;
        default: return DISP_E_MEMBERNOTFOUND;
        }
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(value);
        return S_OK;
    }
};

class FakeVoiceObject : public DispatchBase {
public:
    STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                      UINT*) override
    {
        auto& state = FakeVoice();
        VARIANT value;
        VariantInit(&value);
        switch (id) {
        case 2:
            if (flags != DISPATCH_PROPERTYPUTREF) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = PutValue(params, VT_DISPATCH, &value); FAILED(hr)) return hr;
            state.voice = static_cast<FakeToken*>(value.pdispVal)->Description();
            ++state.voicePuts;
            VariantClear(&value);
            return S_OK;
        case 5:
        case 6: {
            long& property = id == 5 ? state.rate : state.volume;
            long low = id == 5 ? -10 : 0, high = id == 5 ? 10 : 100;
            if (flags == DISPATCH_PROPERTYGET) {
                VariantInit(result);
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(property);
                return S_OK;
            }
            if (flags != DISPATCH_PROPERTYPUT) return DISP_E_MEMBERNOTFOUND;
            if (HRESULT hr = PutValue(params, VT_I4, &value); FAILED(hr)) return hr;
            if (value.lVal < low || value.lVal > high) return Raise(info, "Value out of range");
            property = value.lVal;
            return S_OK;
        }
        case 12: {
            if (flags != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
            VARIANT speakFlags;
            VariantInit(&speakFlags);
            if (HRESULT hr = Argument(params, 0, VT_BSTR, &value); FAILED(hr)) return hr;
            if (HRESULT hr = Argument(params, 1, VT_I4, &speakFlags); FAILED(hr)) return hr;
            state.spoken.push_back({Utf8(value.bstrVal), speakFlags.lVal, state.rate, state.volume, state.voice});
            VariantClear(&value);
            if (result) {
                VariantInit(result);
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(state.spoken.size());
            }
            return S_OK;
        }
        case 1:
            if (flags != DISPATCH_PROPERTYGET) return DISP_E_MEMBERNOTFOUND;
            VariantInit(result);
            result->vt = VT_DISPATCH;
            result->pdispVal = NewComObject<FakeStatus>();
            return S_OK;
        case 14:
        case 15:
            if (flags != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
            ++(id == 14 ? state.pauses : state.resumes);
            return S_OK;
        case 19:
            if (flags != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
            VariantInit(result);
            result->vt = VT_BOOL;
            result->boolVal = state.done ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case 17:
            if (flags != DISPATCH_METHOD) return DISP_E_MEMBERNOTFOUND;
            VariantInit(result);
            result->vt = VT_DISPATCH;
            result->pdispVal = NewComObject<FakeTokens>();
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }
};

}  // namespace

FakeVoiceState& FakeVoice()
{
    static FakeVoiceState state;
    return state;
}

void ResetFakeVoice(std::vector<std::string> voices)
{
    int live = FakeVoice().liveObjects;
    FakeVoice() = FakeVoiceState{};
    FakeVoice().voices = std::move(voices);
    FakeVoice().liveObjects = live;
}

void RegisterFakeVoiceClass()
{
    static const bool registered = [] {
        CoRegisterInprocClass({kFakeVoiceClsid, kFakeVoiceProgId, &CreateInprocInstance<FakeVoiceObject>});
        return true;
    }();
    (void)registered;
}

}  // namespace gui_test
