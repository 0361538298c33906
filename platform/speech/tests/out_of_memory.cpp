// The engine's COM methods under allocation failure: each allocation a call
// makes on the caller's thread is made to fail in turn. The call must report
// E_OUTOFMEMORY (no C++ exception may reach a COM caller) and leave the object
// usable, so that the next attempt, with one more allocation allowed, goes on.
#include "speech_test_support.h"

#include <allocation_watch.h>

#include <oleauto.h>

#include <sphelper.h>

#include <functional>
#include <set>
#include <string>

namespace speech {
namespace {

using namespace speech_test;

struct SweepResult {
    std::size_t allocations = 0;  // the call's allocations on this thread
    std::set<HRESULT> failures;    // what the attempts that ran short returned
};

// Runs `call` with its 1st, 2nd, ... allocation failing until it runs without
// reaching the failing one; that last run must succeed.
SweepResult Sweep(const std::function<HRESULT()>& call)
{
    SweepResult result;
    const auto allocations = allocation_watch::SweepAllocations([&](allocation_watch::Watch& watch) {
        const HRESULT hr = call();
        const bool ranShort = watch.NthFailed();
        watch.StopFailing();
        if (ranShort) {
            if (hr != S_OK) result.failures.insert(hr);
        } else {
            EXPECT_EQ(hr, S_OK) << "with every allocation granted";
        }
    });
    EXPECT_TRUE(allocations) << "the call never ran through";
    result.allocations = allocations.value_or(0);
    return result;
}

void ExpectOnlyOutOfMemory(const SweepResult& result)
{
    for (HRESULT hr : result.failures) EXPECT_EQ(hr, E_OUTOFMEMORY) << std::hex << hr;
}

class OutOfMemory : public ComTest {};

TEST_F(OutOfMemory, VoiceMethodsReportItAndStayUsable)
{
    CComPtr<ISpVoice> voice = NewQuickVoice();
    auto stream = NewMemoryStream();
    ASSERT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE), S_OK);

    const SweepResult speak = Sweep([&] { return voice->Speak(u"Hello, <emph>reader</emph>.", SPF_DEFAULT, nullptr); });
    ExpectOnlyOutOfMemory(speak);
    EXPECT_GT(speak.allocations, 0u) << "a request is built on the caller's thread";
    EXPECT_FALSE(stream->Samples().empty());

    CComPtr<ISpObjectToken> token = VoiceToken(0);
    ExpectOnlyOutOfMemory(Sweep([&] { return voice->SetVoice(token); }));
    ExpectOnlyOutOfMemory(Sweep([&] {
        SPVOICESTATUS status;
        LPWSTR bookmark = nullptr;
        const HRESULT hr = voice->GetStatus(&status, &bookmark);
        CoTaskMemFree(bookmark);
        return hr;
    }));
    ExpectOnlyOutOfMemory(Sweep([&] {
        SPEVENT events[4];
        ULONG fetched = 0;
        const HRESULT hr = voice->GetEvents(4, events, &fetched);
        for (ULONG i = 0; i < fetched; ++i) SpClearEvent(&events[i]);
        return hr == S_FALSE ? S_OK : hr;
    }));
}

TEST_F(OutOfMemory, AutomationCallsReportIt)
{
    CComPtr<ISpVoice> voice = NewQuickVoice();
    auto stream = NewMemoryStream();
    ASSERT_EQ(voice->SetOutput(static_cast<ISpStreamFormat*>(stream), TRUE), S_OK);
    CComPtr<IDispatch> dispatch;
    ASSERT_EQ(voice->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);

    DISPID speak = 0;
    ExpectOnlyOutOfMemory(Sweep([&] {
        LPOLESTR name = const_cast<LPOLESTR>(u"Speak");
        return dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &speak);
    }));
    BSTR text = SysAllocString(u"Read this aloud.");
    const SweepResult invoke = Sweep([&] {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = text;
        DISPPARAMS params{&argument, nullptr, 1, 0};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception{};
        const HRESULT hr = dispatch->Invoke(speak, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, nullptr);
        VariantClear(&result);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        // A failing method reaches an automation client as an exception carrying its code.
        return hr == DISP_E_EXCEPTION ? exception.scode : hr;
    });
    ExpectOnlyOutOfMemory(invoke);
    EXPECT_GT(invoke.allocations, 0u);
    EXPECT_FALSE(stream->Samples().empty());
    SysFreeString(text);
}

TEST_F(OutOfMemory, CreationAndTokenMethodsReportIt)
{
    ExpectOnlyOutOfMemory(Sweep([] {
        CComPtr<ISpVoice> voice;
        return voice.CoCreateInstance(CLSID_SpVoice);
    }));
    CComPtr<ISpObjectTokenCategory> category;
    ASSERT_EQ(category.CoCreateInstance(CLSID_SpObjectTokenCategory), S_OK);
    ExpectOnlyOutOfMemory(Sweep([&] { return category->SetId(SPCAT_VOICES, FALSE); }));
    CComPtr<IEnumSpObjectTokens> tokens;
    ExpectOnlyOutOfMemory(Sweep([&] {
        tokens.Release();
        return category->EnumTokens(nullptr, nullptr, &tokens);
    }));
    ASSERT_TRUE(tokens);
    CComPtr<ISpObjectToken> token;
    ExpectOnlyOutOfMemory(Sweep([&] {
        token.Release();
        return tokens->Item(0, &token);
    }));
    ASSERT_TRUE(token);
    ExpectOnlyOutOfMemory(Sweep([&] {
        LPWSTR name = nullptr;
        const HRESULT hr = token->GetStringValue(nullptr, &name);
        CoTaskMemFree(name);
        return hr;
    }));
}

}  // namespace
}  // namespace speech
