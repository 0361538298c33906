#include "local_server_support.h"

#include "../class_registrations.h"
#include "../client_connection.h"
#include "../local_activation.h"
#include "../socket_calls.h"
#include "../wire_protocol.h"

#include <atlbase.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <cstring>

#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace {

using namespace local_server_test;
using com::wire::kFrameHeaderBytes;

int RawConnect(const std::string& path)
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SendBytes(int fd, const std::vector<std::uint8_t>& bytes)
{
    send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

// Everything the server sends until it closes the connection.
std::vector<std::uint8_t> ReadToEnd(int fd)
{
    std::vector<std::uint8_t> all;
    std::uint8_t buffer[4096];
    ssize_t got;
    while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) all.insert(all.end(), buffer, buffer + got);
    return all;
}

// One frame's body, or nothing at the end of the stream.
std::optional<std::vector<std::uint8_t>> ReadFrame(int fd)
{
    std::uint8_t header[kFrameHeaderBytes];
    if (recv(fd, header, sizeof header, MSG_WAITALL) != static_cast<ssize_t>(sizeof header)) return std::nullopt;
    std::uint32_t length = header[0] | header[1] << 8 | header[2] << 16 | std::uint32_t{header[3]} << 24;
    std::vector<std::uint8_t> body(length);
    if (recv(fd, body.data(), length, MSG_WAITALL) != static_cast<ssize_t>(length)) return std::nullopt;
    return body;
}

std::vector<std::uint8_t> LengthOnly(std::uint32_t length)
{
    return {std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(length >> 16), std::uint8_t(length >> 24)};
}

class ServerConnections : public ::testing::Test {
protected:
    void SetUp() override
    {
        factory.Attach(NewComObject<TestServerFactory>());
        ASSERT_EQ(CoRegisterClassObject(CLSID_TestServer, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie),
                  S_OK);
        auto sockets = com::local::ClassSockets(com::local::SocketFolder(), CLSID_TestServer);
        ASSERT_EQ(sockets.size(), 1u);
        path = sockets[0];
    }
    void TearDown() override
    {
        PumpUntil([] { return g_testServerLife.live == 0; });
        EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    }

    // A regular client still gets its object and its answers.
    static void ExpectStillServing()
    {
        RunClientWhilePumping([] {
            CComPtr<IDispatch> object;
            ASSERT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                       reinterpret_cast<void**>(&object)),
                      S_OK);
            HRESULT hr;
            EXPECT_EQ(ProcessIdOf(object, hr), getpid());
        });
    }

    testing_support::IsolatedEnvironment environment{true};
    ComScope com;
    ObjectEndsPosted ends;
    CComPtr<IClassFactory> factory;
    DWORD cookie = 0;
    std::string path;
};

TEST_F(ServerConnections, MalformedGreetingsCloseTheConnectionWithoutAnAnswer)
{
    std::vector<std::vector<std::uint8_t>> greetings = {
        {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P'},  // a length far over the largest frame
        LengthOnly(com::wire::kMaxFrameBytes + 1),            // oversized, no payload ever sent
        LengthOnly(0),
        {9, 0, 0, 0, static_cast<std::uint8_t>(com::wire::Kind::Hello), 'V', 'C', 'O', 'M', 1, 0, 0, 0},  // bad magic
    };
    auto request = com::wire::EncodeRequest({});  // a request before any hello
    greetings.push_back(request);
    for (const auto& greeting : greetings) {
        int fd = RawConnect(path);
        ASSERT_GE(fd, 0);
        SendBytes(fd, greeting);
        EXPECT_TRUE(ReadToEnd(fd).empty());
        close(fd);
    }
    // A frame cut short, then the end of the stream.
    int fd = RawConnect(path);
    auto hello = com::wire::EncodeHello();
    SendBytes(fd, std::vector<std::uint8_t>(hello.begin(), hello.end() - 2));
    shutdown(fd, SHUT_WR);
    EXPECT_TRUE(ReadToEnd(fd).empty());
    close(fd);
    ExpectStillServing();
}

// Out of descriptors, the server turns the client away instead of leaving it
// waiting (and itself spinning on a listener it cannot accept from).
int failedAccepts = 0;
int AcceptOutOfDescriptorsOnce(int fd, sockaddr* address, socklen_t* length, int flags)
{
    if (failedAccepts++ == 0) {
        errno = EMFILE;
        return -1;
    }
    return com::net::RealCalls().accept4(fd, address, length, flags);
}

TEST_F(ServerConnections, OutOfDescriptorsTheClientIsTurnedAway)
{
    auto calls = com::net::RealCalls();
    calls.accept4 = AcceptOutOfDescriptorsOnce;
    failedAccepts = 0;
    {
        com::net::ScopedOverride override(calls);
        int fd = RawConnect(path);
        ASSERT_GE(fd, 0);
        SendBytes(fd, com::wire::EncodeHello());
        EXPECT_TRUE(ReadToEnd(fd).empty()) << "closed without an answer";
        close(fd);
    }
    EXPECT_GE(failedAccepts, 2) << "the refused accept, then the one that made room";
    ExpectStillServing();
}

TEST_F(ServerConnections, AMalformedRequestDropsTheClientAndReleasesWhatItHeld)
{
    std::string socket = path;
    RunClientWhilePumping([socket] {
        int fd = RawConnect(socket);
        ASSERT_GE(fd, 0);
        SendBytes(fd, com::wire::EncodeHello());
        auto welcome = ReadFrame(fd);
        ASSERT_TRUE(welcome);
        auto greeted = com::wire::DecodeWelcome(*welcome);
        ASSERT_TRUE(greeted);
        EXPECT_EQ(greeted->processId, static_cast<std::uint32_t>(getpid()));

        com::wire::Request create;
        create.kind = com::wire::Kind::CreateInstance;
        create.callId = 1;
        create.object = greeted->classObject;
        create.iid = IID_IDispatch;
        SendBytes(fd, com::wire::EncodeRequest(create));
        auto reply = ReadFrame(fd);
        ASSERT_TRUE(reply);
        auto created = com::wire::DecodeReply(*reply, com::wire::Kind::CreateInstance);
        ASSERT_TRUE(created);
        EXPECT_EQ(created->hr, S_OK);
        EXPECT_NE(created->object, 0u);
        EXPECT_EQ(g_testServerLife.live, 1);

        // Giving back more references than were handed out breaks the protocol.
        com::wire::Request release;
        release.kind = com::wire::Kind::Release;
        release.object = created->object;
        release.number = 2;
        SendBytes(fd, com::wire::EncodeRequest(release));
        EXPECT_TRUE(ReadToEnd(fd).empty());
        close(fd);
    });
    PumpUntil([] { return g_testServerLife.live == 0; });

    RunClientWhilePumping([socket] {
        int fd = RawConnect(socket);
        SendBytes(fd, com::wire::EncodeHello());
        ASSERT_TRUE(ReadFrame(fd));
        std::vector<std::uint8_t> unknownKind = {5, 0, 0, 0, 0x7E, 1, 2, 3, 4};
        SendBytes(fd, unknownKind);
        EXPECT_TRUE(ReadToEnd(fd).empty());
        close(fd);
    });
    ExpectStillServing();
}

TEST_F(ServerConnections, AClientKilledWithSigkillHasItsObjectsReleased)
{
    HelperProcess client({"hold"});
    ASSERT_GT(client.pid(), 0);
    PumpUntil([] { return g_testServerLife.live == 1; });  // created for the client, on this thread
    kill(client.pid(), SIGKILL);
    int status = client.Wait();
    EXPECT_TRUE(WIFSIGNALED(status));
    PumpUntil([] { return g_testServerLife.live == 0; });
}

TEST(SingleUseConnections, AClientQueuedBehindTheFirstIsRefusedCleanly)
{
    testing_support::IsolatedEnvironment environment(true);
    ComScope com;
    CComPtr<IClassFactory> factory;
    factory.Attach(NewComObject<TestServerFactory>());
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_TestServer, factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie), S_OK);
    std::string path = com::local::ClassSockets(com::local::SocketFolder(), CLSID_TestServer).at(0);
    RunClientWhilePumping([path] {
        int first = RawConnect(path), second = RawConnect(path);
        ASSERT_GE(first, 0);
        ASSERT_GE(second, 0);
        SendBytes(first, com::wire::EncodeHello());
        auto welcome = ReadFrame(first);
        ASSERT_TRUE(welcome);
        EXPECT_TRUE(com::wire::DecodeWelcome(*welcome));
        SendBytes(second, com::wire::EncodeHello());
        EXPECT_TRUE(ReadToEnd(second).empty());
        close(second);
        close(first);
    });
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
}

// ---- other users --------------------------------------------------------------

struct Nobody {
    uid_t uid;
    gid_t gid;
};

std::optional<Nobody> FindNobody()
{
    passwd* entry = getpwnam("nobody");
    if (!entry) return std::nullopt;
    return Nobody{entry->pw_uid, entry->pw_gid};
}

// A folder that another user may reach: its parents open to traversal.
class SharedFolder {
public:
    SharedFolder()
    {
        chmod(root_.path().c_str(), 0711);
        std::filesystem::create_directory(path());
    }
    std::filesystem::path path() const { return root_ / "shared"; }

private:
    testing_support::ScratchDir root_;
};

TEST(LocalServerUsers, AnotherUsersClientIsRefusedAndGetsNothing)
{
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user (nobody)";
    auto nobody = FindNobody();
    if (!nobody) GTEST_SKIP() << "this system has no user named nobody";
    testing_support::IsolatedEnvironment environment(true);
    ComScope com;
    SharedFolder folder;
    chmod(folder.path().c_str(), 0711);
    CComPtr<IClassFactory> factory;
    factory.Attach(NewComObject<TestServerFactory>());
    DWORD cookie = 0;
    // The user's own folder keeps everyone else out; this one lets them reach the socket.
    ASSERT_EQ(com::RegisterClassObjectInFolder(folder.path(), CLSID_TestServer, factory, CLSCTX_LOCAL_SERVER,
                                               REGCLS_SINGLEUSE, &cookie),
              HRESULT(E_ACCESSDENIED));
    chmod(folder.path().c_str(), 0700);
    ASSERT_EQ(com::RegisterClassObjectInFolder(folder.path(), CLSID_TestServer, factory, CLSCTX_LOCAL_SERVER,
                                               REGCLS_SINGLEUSE, &cookie),
              S_OK);
    chmod(folder.path().c_str(), 0711);
    auto sockets = com::local::ClassSockets(folder.path(), CLSID_TestServer);
    ASSERT_EQ(sockets.size(), 1u);
    chmod(sockets[0].c_str(), 0777);

    pid_t child = fork();
    if (child == 0) {
        if (setgid(nobody->gid) != 0 || setuid(nobody->uid) != 0) _exit(10);
        int fd = RawConnect(sockets[0]);
        if (fd < 0) _exit(11);
        auto hello = com::wire::EncodeHello();
        send(fd, hello.data(), hello.size(), MSG_NOSIGNAL);
        char byte;
        _exit(recv(fd, &byte, 1, 0) > 0 ? 12 : 0);  // nothing at all may come back
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // The refused client did not use up the single-use object.
    chmod(folder.path().c_str(), 0700);
    std::string shared = folder.path();
    RunClientWhilePumping([shared] { EXPECT_TRUE(com::local::ConnectToRunning(shared, CLSID_TestServer)); });
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
}

TEST(LocalServerUsers, AServerOfAnotherUserIsNotTrusted)
{
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user (nobody)";
    auto nobody = FindNobody();
    if (!nobody) GTEST_SKIP() << "this system has no user named nobody";
    SharedFolder folder;
    chmod(folder.path().c_str(), 0777);
    std::string path = (folder.path() / (FormatGuid(CLSID_TestServer) + ".1.1")).string();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        if (setgid(nobody->gid) != 0 || setuid(nobody->uid) != 0) _exit(10);
        int listener = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 1) != 0)
            _exit(11);
        [[maybe_unused]] auto written = write(ready[1], "r", 1);
        int fd = accept(listener, nullptr, nullptr);
        auto welcome = com::wire::EncodeWelcome({1, 1});  // answers as a server would
        send(fd, welcome.data(), welcome.size(), MSG_NOSIGNAL);
        char byte;
        while (recv(fd, &byte, 1, 0) > 0) {
        }
        _exit(0);
    }
    close(ready[1]);
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    com::ClientConnection::Outcome outcome;
    EXPECT_FALSE(com::ClientConnection::Open(path, outcome));
    EXPECT_EQ(outcome, com::ClientConnection::Outcome::Unavailable);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
