#include "com_apartment.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Runs `body` on a thread of its own, which starts outside COM.
template <typename Body>
void OnFreshThread(Body body)
{
    std::thread thread(body);
    thread.join();
}

// Whether the calling thread is in COM: a further CoInitialize says so (S_FALSE).
bool InCom()
{
    HRESULT hr = CoInitialize(nullptr);
    if (SUCCEEDED(hr)) CoUninitialize();
    return hr == S_FALSE;
}

TEST(ComApartment, InComForItsLifeOnly)
{
    OnFreshThread([] {
        {
            ComApartment com;
            EXPECT_EQ(com.result(), S_OK);
            EXPECT_TRUE(InCom());
        }
        EXPECT_FALSE(InCom());
    });
}

TEST(ComApartment, UninitializeLeavesOnceOnly)
{
    OnFreshThread([] {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);  // the thread's own, which outlives the apartment
        {
            ComApartment com;
            EXPECT_EQ(com.result(), S_FALSE);
            com.Uninitialize();
            EXPECT_EQ(com.result(), CO_E_NOTINITIALIZED);
        }
        EXPECT_TRUE(InCom());
        CoUninitialize();
        EXPECT_FALSE(InCom());
    });
}

TEST(ComApartment, AFailedStartLeavesNothing)
{
    OnFreshThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            ComApartment com;
            EXPECT_EQ(com.result(), RPC_E_CHANGED_MODE);
        }
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);  // still in the first
        CoUninitialize();
        CoUninitialize();
    });
}

}  // namespace
