#include "local_server_support.h"

#include "../client_connection.h"
#include "../local_activation.h"

#include <atlbase.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <cstring>

#include <chrono>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace {

using namespace local_server_test;
using namespace std::chrono_literals;

class LocalActivation : public ::testing::Test {
protected:
    testing_support::IsolatedEnvironment environment{true};
    ComScope com;
};

CComPtr<IDispatch> Create(HRESULT& hr, DWORD clsctx = CLSCTX_LOCAL_SERVER)
{
    CComPtr<IDispatch> object;
    hr = CoCreateInstance(CLSID_TestServer, nullptr, clsctx, IID_IDispatch, reinterpret_cast<void**>(&object));
    return object;
}

TEST_F(LocalActivation, ASingleUseServerServesTheFirstCreationAndTheRegistryStartsAnother)
{
    RegisterHelperAsLocalServer(CLSID_TestServer, "single");
    HelperProcess running({"single"});
    ASSERT_EQ(running.ReadLine(), "ready");

    HRESULT hr;
    auto first = Create(hr);
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(ProcessIdOf(first, hr), running.pid());
    auto second = Create(hr);
    ASSERT_EQ(hr, S_OK);
    LONG started = ProcessIdOf(second, hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_NE(started, running.pid());
    EXPECT_NE(started, 0);
    EXPECT_NE(started, getpid());

    first.Release();
    EXPECT_EQ(running.Wait(), 0);  // its last object is gone, so it ends
    second.Release();
}

TEST_F(LocalActivation, AMultipleUseServerServesEveryCreationInEveryContextThatIncludesIt)
{
    HelperProcess running({"multiple"});
    ASSERT_EQ(running.ReadLine(), "ready");
    HRESULT hr;
    auto first = Create(hr);
    ASSERT_EQ(hr, S_OK);
    auto second = Create(hr, CLSCTX_ALL);  // no in-process class of that name
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(ProcessIdOf(first, hr), running.pid());
    EXPECT_EQ(ProcessIdOf(second, hr), running.pid());
}

TEST_F(LocalActivation, AClassWithoutAnyRegistrationIsNotRegistered)
{
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoGetClassObject(CLSID_TestServer, CLSCTX_ALL, nullptr, IID_IClassFactory, &object),
              REGDB_E_CLASSNOTREG);
}

// The wait is far longer than any test may take: these must fail at once.
TEST_F(LocalActivation, AServerThatEndsBeforeRegisteringOrCannotStartFailsAtOnce)
{
    com::local::ScopedServerStartTimeout patient(std::chrono::hours(1));
    RegisterHelperAsLocalServer(CLSID_TestServer, "exit");
    HRESULT hr;
    EXPECT_FALSE(Create(hr));
    EXPECT_EQ(hr, CO_E_SERVER_EXEC_FAILURE);

    std::string key = "CLSID\\" + FormatGuid(CLSID_TestServer) + "\\LocalServer32";
    const char missing[] = "/nonexistent/varnel-server";
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, missing, 0), ERROR_SUCCESS);
    EXPECT_FALSE(Create(hr));
    EXPECT_EQ(hr, CO_E_SERVER_EXEC_FAILURE);
}

TEST_F(LocalActivation, AServerThatNeverRegistersFailsWhenTheWaitRunsOut)
{
    auto fifo = environment.root() / "idle";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    RegisterHelperAsLocalServer(CLSID_TestServer, "idle \"" + fifo.string() + "\"");
    {
        com::local::ScopedServerStartTimeout shortWait(50ms);
        HRESULT hr;
        EXPECT_FALSE(Create(hr));
        EXPECT_EQ(hr, CO_E_SERVER_EXEC_FAILURE);
    }
    // Lets the idle server go: it ends when its fifo's writer closes.
    int writer = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    close(writer);
}

TEST_F(LocalActivation, CallsToAServerThatDiedFailWithServerUnavailable)
{
    HelperProcess running({"multiple"});
    ASSERT_EQ(running.ReadLine(), "ready");
    HRESULT hr;
    auto object = Create(hr);
    ASSERT_EQ(hr, S_OK);
    kill(running.pid(), SIGKILL);
    running.Wait();
    ProcessIdOf(object, hr);
    EXPECT_EQ(hr, com::kServerUnavailable);
    OLECHAR name[] = u"Echo";
    LPOLESTR names[] = {name};
    DISPID id;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), com::kServerUnavailable);
}

TEST_F(LocalActivation, ASocketNobodyListensOnIsRemovedOnTheWay)
{
    std::string folder = com::local::SocketFolder();
    ASSERT_EQ(com::local::CheckSocketFolder(folder, true), S_OK);
    std::string stale = folder + "/" + FormatGuid(CLSID_TestServer) + ".1.1";
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, stale.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);  // bound, never listening: what a killed server leaves
    EXPECT_FALSE(com::local::ConnectToRunning(folder, CLSID_TestServer));
    EXPECT_FALSE(std::filesystem::exists(stale));
}

}  // namespace
