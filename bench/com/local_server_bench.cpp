// Local-server figures: a client's CoCreateInstance that starts its server
// cold (com_test_server, from the registry), and the time from a client's
// SIGKILL to the server's release of what it held. Prints medians of runs.
#include "../figures.h"

#include "test_server_objects.h"

#include <atlbase.h>
#include <objbase.h>
#include <winreg.h>
#include <winuser.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using bench::Clock;
using bench::Median;
using bench::Ms;
namespace fs = std::filesystem;
constexpr int kRuns = 10;

fs::path Helper() { return fs::read_symlink("/proc/self/exe").parent_path() / "com_test_server"; }

void PumpUntil(int live)
{
    MSG msg;
    while (g_testServerLife.live != live && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
}

double ColdStart()
{
    auto start = Clock::now();
    CComPtr<IDispatch> object;
    HRESULT hr = object.CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_LOCAL_SERVER);
    auto took = Clock::now() - start;
    if (FAILED(hr)) {
        std::fprintf(stderr, "local_server_bench: CoCreateInstance failed: 0x%08X\n", static_cast<unsigned>(hr));
        std::exit(1);
    }
    return Ms(took);
}

double DeathToRelease()
{
    std::string program = Helper().string(), mode = "hold";
    char* argv[] = {program.data(), mode.data(), nullptr};
    int input[2];  // held open: the client keeps its object until its input ends
    if (pipe2(input, O_CLOEXEC) != 0) std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    pid_t client = 0;
    if (posix_spawn(&client, program.c_str(), &actions, nullptr, argv, environ) != 0) std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    PumpUntil(1);
    auto killed = Clock::now();
    kill(client, SIGKILL);
    PumpUntil(0);
    auto took = Clock::now() - killed;
    waitpid(client, nullptr, 0);
    close(input[1]);
    return Ms(took);
}

}  // namespace

int main()
{
    // Private folders: the user's registry and sockets stay untouched.
    char scratch[] = "/tmp/varnel-com-bench.XXXXXX";
    if (!mkdtemp(scratch)) return 1;
    setenv("XDG_DATA_HOME", scratch, 1);
    setenv("XDG_RUNTIME_DIR", scratch, 1);
    if (FAILED(CoInitialize(nullptr))) return 1;

    std::string key = "CLSID\\" + FormatGuid(CLSID_TestServer) + "\\LocalServer32";
    std::string command = "\"" + Helper().string() + "\" single";
    RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, command.c_str(), 0);
    std::vector<double> starts;
    for (int i = 0; i < kRuns; ++i) starts.push_back(ColdStart());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + FormatGuid(CLSID_TestServer)).c_str());

    DWORD thread = GetCurrentThreadId();
    g_testServerLife.onDestroyed = [thread] { PostThreadMessageA(thread, WM_APP, 0, 0); };
    CComPtr<IClassFactory> factory;
    factory.Attach(NewComObject<TestServerFactory>());
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(CLSID_TestServer, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie)))
        return 1;
    std::vector<double> releases;
    for (int i = 0; i < kRuns; ++i) releases.push_back(DeathToRelease());
    CoRevokeClassObject(cookie);
    g_testServerLife.onDestroyed = nullptr;
    factory.Release();
    CoUninitialize();
    fs::remove_all(scratch);

    std::printf("local server: cold start to object   %7.1f ms (median of %d)\n", Median(starts), kRuns);
    std::printf("local server: client death to release %7.2f ms (median of %d)\n", Median(releases), kRuns);
    return 0;
}
