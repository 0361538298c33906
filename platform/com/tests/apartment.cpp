#include "test_objects.h"

#include <gtest/gtest.h>

#include <atlbase.h>

namespace {

// Whether the calling thread may create objects, seen through the public calls.
HRESULT CreateResult()
{
    CComPtr<ITestThing> thing;
    return CoCreateInstance(CLSID_TestCounting, nullptr, CLSCTX_INPROC_SERVER, IID_ITestThing,
                            reinterpret_cast<void**>(&thing));
}

class Apartment : public ::testing::Test {
protected:
    TestClassesRegistered classes;
};

TEST_F(Apartment, FirstCallSucceedsAndNestedCallsAreCounted)
{
    RunOnNewThread([] {
        EXPECT_EQ(CreateResult(), CO_E_NOTINITIALIZED);
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(CreateResult(), S_OK);  // one initialisation still open
        CoUninitialize();
        EXPECT_EQ(CreateResult(), CO_E_NOTINITIALIZED);
        CoUninitialize();  // one too many: harmless
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        CoUninitialize();
    });
}

TEST_F(Apartment, ChangingTheModelFailsAndIsNotCounted)
{
    RunOnNewThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE), S_FALSE);
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(CreateResult(), CO_E_NOTINITIALIZED);
        // After the last CoUninitialize the thread may pick the other model.
        EXPECT_EQ(CoInitialize(nullptr), S_OK);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        CoUninitialize();
        EXPECT_EQ(CreateResult(), CO_E_NOTINITIALIZED);
    });
}

TEST_F(Apartment, RejectsUnknownFlagsAndAReservedArgument)
{
    RunOnNewThread([] {
        int reserved = 0;
        EXPECT_EQ(CoInitialize(&reserved), E_INVALIDARG);
        EXPECT_EQ(CoInitializeEx(nullptr, 0x100), E_INVALIDARG);
        EXPECT_EQ(CreateResult(), CO_E_NOTINITIALIZED);
    });
}

TEST_F(Apartment, EachThreadHasItsOwnState)
{
    RunOnNewThread([] {
        ComScope com;
        ASSERT_EQ(com.result(), S_OK);
        RunOnNewThread([] { EXPECT_EQ(CreateResult(), CO_E_NOTINITIALIZED); });
        RunOnNewThread([] {
            ComScope other(COINIT_MULTITHREADED);  // no mode clash with the outer thread
            EXPECT_EQ(other.result(), S_OK);
            EXPECT_EQ(CreateResult(), S_OK);
        });
        EXPECT_EQ(CreateResult(), S_OK);
    });
}

}  // namespace
