#include "speech_test_support.h"

#include <varnel/class_table.h>
#include <varnel/speech_classes.h>
#include <oaidl.h>
#include <scratch_dir.h>

namespace speech {
namespace {

using speech_test::ComTest;

class ClassRegistrationsTest : public ComTest {
protected:
    testing_support::IsolatedEnvironment environment_;  // CLSIDFromProgID may read the registry
};

constexpr CLSID kEngineClasses[] = {CLSID_SpVoice, CLSID_SpObjectTokenCategory, CLSID_SpStream, CLSID_SpFileStream,
                                    CLSID_SpMMAudioOut};

HRESULT CreateUnknown(REFCLSID clsid)
{
    CComPtr<IUnknown> object;
    return object.CoCreateInstance(clsid);
}

// The program links the plain archive: the classes are there only once registered.
TEST_F(ClassRegistrationsTest, RegisteringMakesEveryClassAvailable)
{
    for (const CLSID& clsid : kEngineClasses) com::UnregisterInprocClass(clsid);
    for (const CLSID& clsid : kEngineClasses) EXPECT_EQ(CreateUnknown(clsid), REGDB_E_CLASSNOTREG);
    CLSID byName{};
    EXPECT_EQ(CLSIDFromProgID(u"SAPI.SpVoice", &byName), CO_E_CLASSSTRING);

    RegisterSpeechClasses();
    for (const CLSID& clsid : kEngineClasses) EXPECT_EQ(CreateUnknown(clsid), S_OK);
    EXPECT_EQ(CLSIDFromProgID(u"SAPI.SpVoice", &byName), S_OK);
}

TEST_F(ClassRegistrationsTest, RegisteringAgainKeepsOneClassPerClsid)
{
    RegisterSpeechClasses();
    ASSERT_TRUE(com::UnregisterInprocClass(CLSID_SpVoice));
    EXPECT_FALSE(com::FindInprocClass(CLSID_SpVoice)) << "a second entry was left behind";
    RegisterSpeechClasses();
}

TEST_F(ClassRegistrationsTest, EveryEngineClassIsCreatedByItsClsid)
{
    CComPtr<ISpVoice> voice;
    EXPECT_EQ(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, reinterpret_cast<void**>(&voice)), S_OK);
    CComPtr<IDispatch> automation;
    EXPECT_EQ(voice.QueryInterface(&automation), S_OK);
    CComPtr<ISpObjectTokenCategory> category;
    EXPECT_EQ(category.CoCreateInstance(CLSID_SpObjectTokenCategory), S_OK);
    CComPtr<ISpStream> stream, fileStream;
    EXPECT_EQ(stream.CoCreateInstance(CLSID_SpStream), S_OK);
    EXPECT_EQ(fileStream.CoCreateInstance(CLSID_SpFileStream), S_OK);
    CComPtr<ISpStreamFormat> audio;
    EXPECT_EQ(audio.CoCreateInstance(CLSID_SpMMAudioOut), S_OK);
    CComPtr<ISequentialStream> sequential;
    EXPECT_EQ(stream.QueryInterface(&sequential), S_OK);
    CComPtr<ISpVoice> aggregated;
    IUnknown* outer = voice;
    EXPECT_EQ(CoCreateInstance(CLSID_SpVoice, outer, CLSCTX_ALL, IID_ISpVoice, reinterpret_cast<void**>(&aggregated)),
              CLASS_E_NOAGGREGATION);
}

TEST_F(ClassRegistrationsTest, ProgIdsNameTheClasses)
{
    struct { const char16_t* progId; CLSID clsid; } names[] = {
        {u"SAPI.SpVoice", CLSID_SpVoice},
        {u"SAPI.SpObjectTokenCategory", CLSID_SpObjectTokenCategory},
        {u"SAPI.SpStream", CLSID_SpStream},
        {u"SAPI.SpFileStream", CLSID_SpFileStream},
        {u"sapi.spvoice", CLSID_SpVoice},
    };
    for (auto& name : names) {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(name.progId, &clsid), S_OK);
        EXPECT_EQ(clsid, name.clsid);
    }
}

TEST(ClassRegistrations, CreationNeedsAnInitialisedThread)
{
    CComPtr<ISpVoice> voice;
    EXPECT_EQ(voice.CoCreateInstance(CLSID_SpVoice), CO_E_NOTINITIALIZED);
}

}  // namespace
}  // namespace speech
