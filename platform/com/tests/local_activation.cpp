#include "local_server_support.h"

#include "../client_connection.h"
#include "../local_activation.h"

#include <atlbase.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <cstring>

#include <chrono>
#include <sstream>
#include <vector>

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

// "com_test_server hold" with VARNEL_DEBUG=com: it creates a test object,
// starting the registered server, and keeps it until let go. Both processes
// write their trace on one pipe, which ends when both have ended.
class TracedHold {
public:
    TracedHold()
    {
        int in[2], out[2], err[2];
        if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return;
        win32::sys::UniqueFd childIn(in[0]), childOut(out[1]), childErr(err[1]);
        input_ = win32::sys::UniqueFd(in[1]);
        output_ = win32::sys::UniqueFd(out[0]);
        trace_ = win32::sys::UniqueFd(err[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, childIn.get(), STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, childOut.get(), STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, childErr.get(), STDERR_FILENO);
        std::string program = HelperProgram().string(), mode = "hold";
        char* argv[] = {program.data(), mode.data(), nullptr};
        std::vector<std::string> variables{"VARNEL_DEBUG=com"};
        for (char** variable = environ; *variable; ++variable)
            if (std::strncmp(*variable, "VARNEL_DEBUG=", 13) != 0) variables.emplace_back(*variable);
        std::vector<char*> envp;
        for (auto& variable : variables) envp.push_back(variable.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~TracedHold()
    {
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    TracedHold(const TracedHold&) = delete;
    TracedHold& operator=(const TracedHold&) = delete;

    std::string ReadLine()
    {
        std::string line;
        char c;
        while (read(output_.get(), &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    void LetGo() { input_.Reset(); }
    // Every trace line of both processes, once both have ended.
    std::vector<std::string> TraceToEnd()
    {
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = read(trace_.get(), buffer, sizeof buffer)) > 0;) text.append(buffer, got);
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.starts_with("varnel:com: ")) lines.push_back(line.substr(12));
        return lines;
    }

private:
    pid_t pid_ = -1;
    win32::sys::UniqueFd input_, output_, trace_;
};

// The first line that starts with `prefix`; lines.size() when none does.
std::size_t Find(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].starts_with(prefix)) return i;
    return lines.size();
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

TEST_F(LocalActivation, WithTheComChannelOnClientAndServerTraceTheRoadInOrder)
{
    RegisterHelperAsLocalServer(CLSID_TestServer, "single");
    TracedHold client;
    ASSERT_EQ(client.ReadLine(), "holding");
    client.LetGo();
    auto lines = client.TraceToEnd();
    std::string clsid = FormatGuid(CLSID_TestServer);
    std::size_t create = Find(lines, "CoCreateInstance " + clsid + " LOCAL_SERVER");
    std::size_t route = Find(lines, clsid + " -> local server");
    std::size_t start = Find(lines, "server start: ");
    std::size_t started = Find(lines, "server started: pid ");
    std::size_t registered = Find(lines, "CoRegisterClassObject " + clsid + " LOCAL_SERVER SINGLEUSE -> cookie ");
    std::size_t connecting = Find(lines, "connecting " + com::local::SocketFolder() + "/" + clsid + ".");
    std::size_t welcomed = Find(lines, "client welcomed: class object ");
    std::size_t connected = Find(lines, "connected: server pid ");
    std::size_t factory = Find(lines, "request QueryInterface object ");
    std::size_t instance = Find(lines, "request CreateInstance object ");
    std::size_t created = Find(lines, "CoCreateInstance " + clsid + " -> 0x00000000");
    std::size_t letGo = Find(lines, "request Release object 2, ");
    std::size_t revoked = Find(lines, "CoRevokeClassObject cookie ");
    for (std::size_t index : {create, route, start, started, registered, connecting, welcomed, connected, factory, instance,
                              created, letGo, revoked})
        ASSERT_LT(index, lines.size()) << ::testing::PrintToString(lines);
    EXPECT_LT(create, route);
    EXPECT_LT(route, start);
    EXPECT_LT(start, registered);
    EXPECT_LT(started, connecting);
    EXPECT_LT(registered, welcomed);
    EXPECT_LT(connecting, welcomed);
    EXPECT_LT(welcomed, connected);
    EXPECT_LT(connected, factory);
    EXPECT_LT(factory, instance);
    EXPECT_LT(instance, created);
    EXPECT_LT(created, letGo);
    EXPECT_LT(letGo, revoked);
    // Gone or not by then, the client's session ends with the server.
    EXPECT_LT(Find(lines, "client session ends"), lines.size());
    EXPECT_NE(lines[start].find(" single /Embedding"), std::string::npos) << lines[start];
    EXPECT_EQ(lines[connected], "connected: server pid " + lines[started].substr(20));
}

}  // namespace
