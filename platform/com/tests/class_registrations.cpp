#include "local_server_support.h"

#include "../socket_calls.h"

#include <atlbase.h>
#include <winbase.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace {

using namespace local_server_test;
namespace fs = std::filesystem;

constexpr CLSID kClass = CLSID_TestServer;

class ClassRegistration : public ::testing::Test {
protected:
    ClassRegistration() { factory.Attach(NewComObject<TestServerFactory>()); }

    HRESULT Register(DWORD clsctx, DWORD flags, DWORD* cookie)
    {
        return CoRegisterClassObject(kClass, factory, clsctx, flags, cookie);
    }
    // The class's sockets in the folder.
    std::vector<std::string> Sockets() const { return com::local::ClassSockets(com::local::SocketFolder(), kClass); }

    testing_support::IsolatedEnvironment environment{true};
    ComScope com;
    CComPtr<IClassFactory> factory;
};

// Whether a thread of its own (an apartment of its own) reaches the class object.
HRESULT GetClassObjectElsewhere(DWORD clsctx)
{
    HRESULT hr = E_UNEXPECTED;
    RunClientWhilePumping([&] {
        CComPtr<IClassFactory> found;
        hr = CoGetClassObject(kClass, clsctx, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&found));
    });
    return hr;
}

TEST_F(ClassRegistration, EveryContextAndKindOfUseRegistersAndRevokes)
{
    ULONG before = RefCount(factory);
    for (DWORD clsctx : {DWORD{CLSCTX_INPROC_SERVER}, DWORD{CLSCTX_LOCAL_SERVER},
                         DWORD{CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER}}) {
        for (DWORD flags : {DWORD{REGCLS_SINGLEUSE}, DWORD{REGCLS_MULTIPLEUSE}, DWORD{REGCLS_MULTI_SEPARATE}}) {
            DWORD cookie = 0;
            ASSERT_EQ(Register(clsctx, flags, &cookie), S_OK) << clsctx << " " << flags;
            EXPECT_NE(cookie, 0u);
            EXPECT_EQ(RefCount(factory), before + 1);  // the registration holds it
            EXPECT_EQ(Sockets().size(), (clsctx & CLSCTX_LOCAL_SERVER) ? 1u : 0u);
            EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
            EXPECT_EQ(RefCount(factory), before);
            EXPECT_TRUE(Sockets().empty());
        }
    }
}

TEST_F(ClassRegistration, AnObjectWithoutIClassFactoryRegistersForLocalServer)
{
    CComPtr<ITestThing> thing;
    thing.Attach(NewComObject<CountingObject>());
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kClass, thing, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie), S_OK);
    // In its own apartment it is found, but it cannot create anything.
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
}

TEST_F(ClassRegistration, ArgumentsCookiesAndInitialisationAreChecked)
{
    DWORD cookie = 0;
    EXPECT_EQ(CoRegisterClassObject(kClass, nullptr, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), E_INVALIDARG);
    EXPECT_EQ(Register(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, nullptr), E_INVALIDARG);
    EXPECT_EQ(CoRevokeClassObject(0xBAD), E_INVALIDARG);
    ASSERT_EQ(Register(CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);

    IClassFactory* raw = factory;
    RunOnNewThread([raw] {
        DWORD cookie = 0xDEAD;
        EXPECT_EQ(CoRegisterClassObject(kClass, raw, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie),
                  CO_E_NOTINITIALIZED);
        EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_NOTINITIALIZED);
    });
    EXPECT_EQ(RefCount(factory), 1u);
}

TEST_F(ClassRegistration, AClassTwiceInOneApartmentIsAlreadyRegisteredButNotInAnother)
{
    DWORD cookie = 0, second = 0;
    ASSERT_EQ(Register(CLSCTX_INPROC_SERVER, REGCLS_SINGLEUSE, &cookie), S_OK);
    EXPECT_EQ(Register(CLSCTX_INPROC_SERVER, REGCLS_SINGLEUSE, &second), CO_E_OBJISREG);
    EXPECT_EQ(second, 0u);
    // Multiple use serves the process's own requests too, so it meets the first.
    EXPECT_EQ(Register(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &second), CO_E_OBJISREG);
    IClassFactory* raw = factory;
    RunOnNewThread([raw] {
        ComScope com;
        DWORD cookie = 0;
        EXPECT_EQ(CoRegisterClassObject(kClass, raw, CLSCTX_INPROC_SERVER, REGCLS_SINGLEUSE, &cookie), S_OK);
        EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    });
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
}

TEST_F(ClassRegistration, AnInprocRegistrationServesItsOwnApartmentOnly)
{
    DWORD cookie = 0;
    ASSERT_EQ(Register(CLSCTX_INPROC_SERVER, REGCLS_SINGLEUSE, &cookie), S_OK);
    EXPECT_EQ(GetClassObjectElsewhere(CLSCTX_INPROC_SERVER), REGDB_E_CLASSNOTREG);
    CComPtr<IClassFactory> found;
    EXPECT_EQ(CoGetClassObject(kClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&found)),
              S_OK);
    EXPECT_EQ(found.p, factory.p);  // the object itself, no proxy
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
}

TEST_F(ClassRegistration, ALocalServerServesOtherApartmentsThroughAProxyAndItsOwnDirectly)
{
    DWORD cookie = 0;
    ASSERT_EQ(Register(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    IClassFactory* raw = factory;
    RunClientWhilePumping([raw] {
        CComPtr<IClassFactory> proxy;
        ASSERT_EQ(CoGetClassObject(kClass, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                   reinterpret_cast<void**>(&proxy)),
                  S_OK);
        EXPECT_NE(proxy.p, raw);
        CComPtr<IDispatch> created;
        EXPECT_EQ(proxy->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&created)), S_OK);
        HRESULT hr;
        EXPECT_EQ(ProcessIdOf(created, hr), getpid());
        EXPECT_EQ(hr, S_OK);
    });
    CComPtr<IClassFactory> own;
    EXPECT_EQ(CoGetClassObject(kClass, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&own)),
              S_OK);
    EXPECT_EQ(own.p, factory.p);

    DWORD registered = cookie;
    RunOnNewThread([registered] {
        ComScope com;
        EXPECT_EQ(CoRevokeClassObject(registered), RPC_E_WRONG_THREAD);
    });
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
}

TEST_F(ClassRegistration, TheSocketIsNamedForTheClassAndAppearsWhole)
{
    DWORD cookie = 0;
    ASSERT_EQ(Register(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    auto sockets = Sockets();
    ASSERT_EQ(sockets.size(), 1u);
    fs::path socket = sockets[0];
    EXPECT_EQ(socket.filename().string(),
              FormatGuid(kClass) + "." + std::to_string(getpid()) + "." + std::to_string(cookie));
    EXPECT_TRUE(fs::is_socket(socket));
    // Nothing else is left in the folder: the name it was bound under is gone.
    EXPECT_EQ(std::distance(fs::directory_iterator(socket.parent_path()), fs::directory_iterator()), 1);
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_FALSE(fs::exists(socket));
}

int FailWithTooManyFiles(int, int)
{
    errno = EMFILE;
    return -1;
}

TEST_F(ClassRegistration, AFailureToListenLeavesNeitherReferenceNorSocket)
{
    com::net::Table failing = com::net::RealCalls();
    failing.listen = &FailWithTooManyFiles;
    com::net::ScopedOverride override(failing);
    DWORD cookie = 0xDEAD;
    EXPECT_EQ(Register(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie),
              HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES));
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(RefCount(factory), 1u);
    EXPECT_TRUE(fs::is_empty(com::local::SocketFolder()));
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoGetClassObject(kClass, CLSCTX_ALL, nullptr, IID_IClassFactory, &object), REGDB_E_CLASSNOTREG);
}

TEST_F(ClassRegistration, TheLastUninitializeOfTheApartmentRevokesItsClassObjects)
{
    IClassFactory* raw = factory;
    RunOnNewThread([raw] {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(CoInitialize(nullptr), S_FALSE);
        DWORD local = 0, inproc = 0;
        ASSERT_EQ(CoRegisterClassObject(kClass, raw, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &local), S_OK);
        ASSERT_EQ(CoRegisterClassObject(CLSID_TestChain, raw, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &inproc),
                  S_OK);
        CoUninitialize();
        EXPECT_EQ(RefCount(raw), 3u);  // still registered: the apartment lives on
        CoUninitialize();
        EXPECT_EQ(RefCount(raw), 1u);

        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoGetClassObject(CLSID_TestChain, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object),
                  REGDB_E_CLASSNOTREG);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(CoRevokeClassObject(local), E_INVALIDARG);
        CoUninitialize();
    });
    EXPECT_TRUE(Sockets().empty());
}

TEST_F(ClassRegistration, ASingleUseObjectServesOneClientThenLeavesPublicView)
{
    DWORD cookie = 0;
    ASSERT_EQ(Register(CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie), S_OK);
    RunClientWhilePumping([] {
        CComPtr<IClassFactory> first;
        EXPECT_EQ(CoGetClassObject(kClass, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                   reinterpret_cast<void**>(&first)),
                  S_OK);
        // No registry entry names a server to start: nothing else to be had.
        void* second = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoGetClassObject(kClass, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory, &second),
                  REGDB_E_CLASSNOTREG);
        EXPECT_EQ(second, nullptr);
    });
    EXPECT_TRUE(Sockets().empty());
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);  // the cookie stays good
}

TEST_F(ClassRegistration, MultithreadedRegistrationsAreServedOnARuntimeThread)
{
    RunOnNewThread([&] {
        ComScope mta(COINIT_MULTITHREADED);
        CComPtr<IClassFactory> served;
        served.Attach(NewComObject<TestServerFactory>());
        DWORD cookie = 0;
        ASSERT_EQ(CoRegisterClassObject(kClass, served, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
        RunOnNewThread([] {
            ComScope sta;  // this thread pumps nothing: the calls do not need it to
            CComPtr<IDispatch> created;
            ASSERT_EQ(CoCreateInstance(kClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                       reinterpret_cast<void**>(&created)),
                      S_OK);
            HRESULT hr;
            EXPECT_EQ(ProcessIdOf(created, hr), getpid());
            EXPECT_EQ(hr, S_OK);
        });
        EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    });
}

}  // namespace
