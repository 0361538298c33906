#include "sp_voice.h"

#include "pulse_calls.h"
#include "speech_test_support.h"
#include "voice_catalog.h"

#include <scratch_dir.h>

#include <oleauto.h>
#include <winbase.h>

#include <string>
#include <vector>

namespace speech {
namespace {

using namespace speech_test;

// One automation call: arguments in calling order, the result kept.
class Call {
public:
    Call& Int(LONG value)
    {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = value;
        args_.push_back(v);
        return *this;
    }
    Call& Text(const char16_t* text)
    {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = text ? SysAllocString(text) : nullptr;
        args_.push_back(v);
        return *this;
    }
    Call& Object(IDispatch* object)
    {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_DISPATCH;
        v.pdispVal = object;
        if (object) object->AddRef();
        args_.push_back(v);
        return *this;
    }
    HRESULT Invoke(IDispatch* target, DISPID id, WORD flags)
    {
        std::vector<VARIANT> reversed(args_.rbegin(), args_.rend());
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            params.rgdispidNamedArgs = &put;
            params.cNamedArgs = 1;
        }
        VariantClear(&result);
        ClearException();
        return target->Invoke(id, IID_NULL, 0, flags, &params, &result, &exception, &argErr);
    }
    ~Call()
    {
        for (VARIANT& v : args_) VariantClear(&v);
        VariantClear(&result);
        ClearException();
    }

    VARIANT result{};
    EXCEPINFO exception{};
    UINT argErr = 99;

private:
    void ClearException()
    {
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        exception = EXCEPINFO{};
    }
    std::vector<VARIANT> args_;
};

class VoiceDispatchTest : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(u"SAPI.SpVoice", &clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_SpVoice);
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&voice_)), S_OK);
    }
    void TearDown() override
    {
        voice_.Release();
        ComTest::TearDown();
    }
    CComPtr<IDispatch> Voices()
    {
        Call call;
        EXPECT_EQ(call.Text(nullptr).Text(nullptr).Invoke(voice_, 17, DISPATCH_METHOD), S_OK);
        EXPECT_EQ(call.result.vt, VT_DISPATCH);
        CComPtr<IDispatch> voices;
        voices.Attach(call.result.pdispVal);
        call.result.vt = VT_EMPTY;
        return voices;
    }
    CComPtr<IDispatch> Item(IDispatch* voices, LONG index)
    {
        Call call;
        EXPECT_EQ(call.Int(index).Invoke(voices, DISPID_VALUE, DISPATCH_METHOD), S_OK);
        CComPtr<IDispatch> token;
        token.Attach(call.result.pdispVal);
        call.result.vt = VT_EMPTY;
        return token;
    }
    std::u16string Description(IDispatch* token)
    {
        Call call;
        EXPECT_EQ(call.Int(0).Invoke(token, 4, DISPATCH_METHOD), S_OK);
        EXPECT_EQ(call.result.vt, VT_BSTR);
        return std::u16string(call.result.bstrVal, SysStringLen(call.result.bstrVal));
    }

    testing_support::IsolatedEnvironment environment_;
    CComPtr<IDispatch> voice_;
};

TEST_F(VoiceDispatchTest, NamesMapToTheMembersWithoutRegardToCase)
{
    struct { const char16_t* name; DISPID id; } members[] = {
        {u"Voice", 2}, {u"rate", 5}, {u"VOLUME", 6}, {u"Speak", 12}, {u"getvoices", 17}};
    for (auto& member : members) {
        LPOLESTR name = const_cast<LPOLESTR>(member.name);
        DISPID id = 0;
        EXPECT_EQ(voice_->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
        EXPECT_EQ(id, member.id);
    }
    LPOLESTR unknown = const_cast<LPOLESTR>(u"Shout");
    DISPID id = 0;
    EXPECT_EQ(voice_->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    auto voices = Voices();
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"count"), const_cast<LPOLESTR>(u"ITEM")};
    DISPID ids[2];
    EXPECT_EQ(voices->GetIDsOfNames(IID_NULL, &names[0], 1, 0, &ids[0]), S_OK);
    EXPECT_EQ(voices->GetIDsOfNames(IID_NULL, &names[1], 1, 0, &ids[1]), S_OK);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 0);
    auto token = Item(voices, 0);
    LPOLESTR description = const_cast<LPOLESTR>(u"GetDescription");
    EXPECT_EQ(token->GetIDsOfNames(IID_NULL, &description, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 4);
}

TEST_F(VoiceDispatchTest, GetVoicesListsEveryVoiceWithItsDescriptionInCatalogOrder)
{
    const auto& catalog = VoiceCatalog::Instance().voices();
    for (bool empty : {false, true}) {
        Call get;
        const char16_t* attributes = empty ? u"" : nullptr;
        ASSERT_EQ(get.Text(attributes).Text(attributes).Invoke(voice_, 17, DISPATCH_METHOD), S_OK);
        CComPtr<IDispatch> voices;
        voices.Attach(get.result.pdispVal);
        get.result.vt = VT_EMPTY;
        Call count;
        ASSERT_EQ(count.Invoke(voices, 1, DISPATCH_PROPERTYGET), S_OK);
        EXPECT_EQ(count.result.vt, VT_I4);
        ASSERT_EQ(static_cast<std::size_t>(count.result.lVal), catalog.size());
        for (LONG i = 0; i < count.result.lVal; ++i) EXPECT_EQ(Description(Item(voices, i)), catalog[i].description);
    }
    Call none;  // no arguments at all lists every voice too
    ASSERT_EQ(none.Invoke(voice_, 17, DISPATCH_METHOD), S_OK);
}

TEST_F(VoiceDispatchTest, ItemOutsideTheCollectionRaisesAnExplainedException)
{
    auto voices = Voices();
    LONG count = static_cast<LONG>(VoiceCatalog::Instance().voices().size());
    for (LONG index : {count, LONG{-1}, count + 100}) {
        Call call;
        EXPECT_EQ(call.Int(index).Invoke(voices, DISPID_VALUE, DISPATCH_METHOD), DISP_E_EXCEPTION);
        EXPECT_EQ(call.result.vt, VT_EMPTY);
        ASSERT_NE(call.exception.bstrDescription, nullptr);
        EXPECT_NE(std::u16string(call.exception.bstrDescription).find(u"out of range"), std::u16string::npos);
        EXPECT_NE(call.exception.bstrSource, nullptr);
        EXPECT_TRUE(FAILED(call.exception.scode));
    }
}

TEST_F(VoiceDispatchTest, VoicePutByReferenceChoosesTheVoice)
{
    auto voices = Voices();
    auto last = VoiceCatalog::Instance().voices().size() - 1;
    auto token = Item(voices, static_cast<LONG>(last));
    Call put;
    ASSERT_EQ(put.Object(token).Invoke(voice_, 2, DISPATCH_PROPERTYPUTREF), S_OK);
    CComPtr<ISpVoice> custom;
    ASSERT_EQ(voice_.QueryInterface(&custom), S_OK);
    CComPtr<ISpObjectToken> chosen;
    ASSERT_EQ(custom->GetVoice(&chosen), S_OK);
    LPWSTR id = nullptr;
    chosen->GetId(&id);
    EXPECT_EQ(std::u16string(id), VoiceCatalog::Instance().voices()[last].tokenId);
    CoTaskMemFree(id);
    Call wrong;
    EXPECT_EQ(wrong.Object(voices).Invoke(voice_, 2, DISPATCH_PROPERTYPUTREF), DISP_E_TYPEMISMATCH);
}

TEST_F(VoiceDispatchTest, RateAndVolumeReadBackWhatWasWritten)
{
    for (auto [id, value] : {std::pair{DISPID{5}, LONG{-7}}, std::pair{DISPID{6}, LONG{30}}}) {
        Call put, get;
        ASSERT_EQ(put.Int(value).Invoke(voice_, id, DISPATCH_PROPERTYPUT), S_OK);
        ASSERT_EQ(get.Invoke(voice_, id, DISPATCH_PROPERTYGET), S_OK);
        EXPECT_EQ(get.result.vt, VT_I4);
        EXPECT_EQ(get.result.lVal, value);
    }
    Call text;  // text that VariantChangeType turns into a number is accepted
    ASSERT_EQ(text.Text(u"4").Invoke(voice_, 5, DISPATCH_PROPERTYPUT), S_OK);
    Call get;
    get.Invoke(voice_, 5, DISPATCH_PROPERTYGET);
    EXPECT_EQ(get.result.lVal, 4);
}

TEST_F(VoiceDispatchTest, OutOfRangeRateOrVolumeIsAnErrorAndKeepsTheOldValue)
{
    Call badRate, negativeVolume, loudVolume, get;
    EXPECT_EQ(badRate.Int(11).Invoke(voice_, 5, DISPATCH_PROPERTYPUT), DISP_E_EXCEPTION);
    EXPECT_EQ(badRate.exception.scode, E_INVALIDARG);
    EXPECT_NE(badRate.exception.bstrDescription, nullptr);
    EXPECT_EQ(negativeVolume.Int(-1).Invoke(voice_, 6, DISPATCH_PROPERTYPUT), DISP_E_EXCEPTION);
    EXPECT_EQ(loudVolume.Int(101).Invoke(voice_, 6, DISPATCH_PROPERTYPUT), DISP_E_EXCEPTION);
    get.Invoke(voice_, 6, DISPATCH_PROPERTYGET);
    EXPECT_EQ(get.result.lVal, 100);
    get.Invoke(voice_, 5, DISPATCH_PROPERTYGET);
    EXPECT_EQ(get.result.lVal, 0);
}

TEST_F(VoiceDispatchTest, WrongTypesAndCountsAreRefused)
{
    Call wrongType;
    EXPECT_EQ(wrongType.Text(u"fast").Invoke(voice_, 5, DISPATCH_PROPERTYPUT), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(wrongType.argErr, 0u);
    Call tooMany;
    EXPECT_EQ(tooMany.Text(u"a").Int(1).Int(2).Invoke(voice_, 12, DISPATCH_METHOD), DISP_E_BADPARAMCOUNT);
    Call none;
    EXPECT_EQ(none.Invoke(voice_, 12, DISPATCH_METHOD), DISP_E_BADPARAMCOUNT);
    Call badFlags;
    EXPECT_EQ(badFlags.Text(u"").Text(u"async").Invoke(voice_, 12, DISPATCH_METHOD), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(badFlags.argErr, 0u);  // rgvarg holds the last argument first
    Call item;
    auto voices = Voices();
    EXPECT_EQ(item.Invoke(voices, DISPID_VALUE, DISPATCH_METHOD), DISP_E_BADPARAMCOUNT);
    Call unknown;
    EXPECT_EQ(unknown.Invoke(voice_, 99, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
    Call getSpeak;
    EXPECT_EQ(getSpeak.Invoke(voice_, 12, DISPATCH_PROPERTYGET), DISP_E_MEMBERNOTFOUND);
    DISPPARAMS empty{};
    EXPECT_EQ(voice_->Invoke(5, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &empty, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

TEST_F(VoiceDispatchTest, SpeakReturnsIncreasingStreamNumbers)
{
    CComPtr<ISpVoice> custom;
    voice_.QueryInterface(&custom);
    auto memory = NewMemoryStream();
    custom->SetOutput(static_cast<ISpStreamFormat*>(memory), TRUE);
    Call first, second, stop;
    ASSERT_EQ(first.Text(u"One.").Int(SVSFlagsAsync).Invoke(voice_, 12, DISPATCH_METHOD), S_OK);
    ASSERT_EQ(second.Text(u"<silence msec=\"10\"/>Two.").Int(SVSFlagsAsync).Invoke(voice_, 12, DISPATCH_METHOD), S_OK);
    EXPECT_EQ(first.result.vt, VT_I4);
    EXPECT_EQ(second.result.lVal, first.result.lVal + 1);
    ASSERT_EQ(stop.Text(nullptr).Int(SVSFPurgeBeforeSpeak).Invoke(voice_, 12, DISPATCH_METHOD), S_OK);
    EXPECT_EQ(custom->WaitUntilDone(INFINITE), S_OK);
}

// Pause, Resume and Status through automation: a paused voice holds its request,
// and the status object tells the word and sentence reached, as positions of the text.
TEST_F(VoiceDispatchTest, PauseResumeAndTheStatusObject)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"pause"), const_cast<LPOLESTR>(u"Resume"),
                        const_cast<LPOLESTR>(u"STATUS")};
    DISPID ids[3] = {};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(voice_->GetIDsOfNames(IID_NULL, &names[i], 1, 0, &ids[i]), S_OK);
    EXPECT_EQ(ids[0], 14);
    EXPECT_EQ(ids[1], 15);
    EXPECT_EQ(ids[2], 1);

    CComPtr<ISpVoice> custom;
    voice_.QueryInterface(&custom);
    auto memory = NewMemoryStream();
    custom->SetOutput(static_cast<ISpStreamFormat*>(memory), TRUE);
    Call pause, speak, resume;
    ASSERT_EQ(pause.Invoke(voice_, 14, DISPATCH_METHOD), S_OK);
    const char16_t* text = u"First one. Then the second.";
    ASSERT_EQ(speak.Text(text).Int(SVSFlagsAsync).Invoke(voice_, 12, DISPATCH_METHOD), S_OK);
    EXPECT_EQ(custom->WaitUntilDone(100), S_FALSE);
    EXPECT_EQ(memory->Writes(), 0u);
    ASSERT_EQ(resume.Invoke(voice_, 15, DISPATCH_METHOD), S_OK);
    ASSERT_EQ(custom->WaitUntilDone(INFINITE), S_OK);

    Call status;
    ASSERT_EQ(status.Invoke(voice_, 1, DISPATCH_PROPERTYGET), S_OK);
    ASSERT_EQ(status.result.vt, VT_DISPATCH);
    IDispatch* object = status.result.pdispVal;
    auto property = [&](const char16_t* name) {
        LPOLESTR member = const_cast<LPOLESTR>(name);
        DISPID id = 0;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, &member, 1, 0, &id), S_OK);
        Call get;
        EXPECT_EQ(get.Invoke(object, id, DISPATCH_PROPERTYGET), S_OK);
        EXPECT_EQ(get.result.vt, VT_I4);
        return get.result.lVal;
    };
    const std::u16string spoken = text;
    EXPECT_EQ(spoken.substr(property(u"InputWordPosition"), property(u"InputWordLength")), u"second");
    EXPECT_EQ(spoken.substr(property(u"InputSentencePosition"), property(u"InputSentenceLength")),
              u"Then the second.");
    EXPECT_EQ(property(u"RunningState"), SRSEDone);
    Call wrongFlags;
    EXPECT_EQ(wrongFlags.Invoke(voice_, 14, DISPATCH_PROPERTYGET), DISP_E_MEMBERNOTFOUND);
}

pulse::PlaybackStream* NoServer(const pa_sample_spec*, const pa_buffer_attr*, int* error)
{
    *error = PA_ERR_CONNECTIONREFUSED;
    return nullptr;
}

// A caller shows the exception's description: the failure in words and as a number.
TEST_F(VoiceDispatchTest, FailuresAreDescribedInWordsAndByNumber)
{
    pulse::Table table = pulse::RealCalls();
    table.connect = NoServer;
    pulse::ScopedOverride noServer(table);
    Call speak;
    ASSERT_EQ(speak.Text(u"Hello.").Int(SVSFlagsAsync).Invoke(voice_, 12, DISPATCH_METHOD), DISP_E_EXCEPTION);
    EXPECT_EQ(speak.exception.scode, SPERR_NO_DRIVER);
    ASSERT_NE(speak.exception.bstrDescription, nullptr);
    EXPECT_EQ(std::u16string(speak.exception.bstrDescription),
              u"No audio server answered, so nothing can be heard (0x80045009).");

    // Every failure the engine returns has the system's words.
    for (HRESULT hr : {SPERR_UNINITIALIZED, SPERR_ALREADY_INITIALIZED, SPERR_UNSUPPORTED_FORMAT, SPERR_INVALID_FLAGS,
                       SPERR_DEVICE_BUSY, SPERR_NO_DRIVER, SPERR_AUDIO_STOPPED, SPERR_NO_MORE_ITEMS, SPERR_NOT_FOUND,
                       SPERR_STREAM_CLOSED, SPERR_ENGINE_FAILED}) {
        char text[256];
        EXPECT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 static_cast<DWORD>(hr), 0, text, sizeof text, nullptr), 0u)
            << std::hex << static_cast<unsigned>(hr);
    }
}

TEST_F(VoiceDispatchTest, TokenMembers)
{
    auto token = Item(Voices(), 0);
    Call noLocale, id;
    ASSERT_EQ(noLocale.Invoke(token, 4, DISPATCH_METHOD), S_OK);
    EXPECT_EQ(std::u16string(noLocale.result.bstrVal), VoiceCatalog::Instance().voices()[0].description);
    ASSERT_EQ(id.Invoke(token, 1, DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(std::u16string(id.result.bstrVal), VoiceCatalog::Instance().voices()[0].tokenId);
    Call wrong;
    EXPECT_EQ(wrong.Text(u"English").Invoke(token, 4, DISPATCH_METHOD), DISP_E_TYPEMISMATCH);
    UINT count = 9;
    EXPECT_EQ(token->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}

}  // namespace
}  // namespace speech
