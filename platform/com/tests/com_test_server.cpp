// The local server and client of the runtime's tests.
//
//   com_test_server single|multiple [/Embedding]  registers the test class
//       (single or multiple use), prints "ready" (unless started by the
//       runtime, with /Embedding), serves until its last object is
//       released, then exits 0
//   com_test_server exit [/Embedding]  exits 3 before registering anything
//   com_test_server idle <fifo> [/Embedding]  never registers; exits once
//       the fifo's writer closes it
//   com_test_server hold  creates a test object through the runtime, prints
//       "holding", and keeps it until its standard input ends
#include "test_server_objects.h"

#include <objbase.h>
#include <winuser.h>

#include <cstdio>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

namespace {

void WaitForEndOfInput(int fd)
{
    char buffer[256];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
}

int Serve(DWORD flags, bool embedded)
{
    if (FAILED(CoInitialize(nullptr))) return 1;
    g_testServerLife.onDestroyed = [] {
        if (g_testServerLife.live == 0) PostQuitMessage(0);
    };
    auto* factory = NewComObject<TestServerFactory>();
    DWORD cookie = 0;
    HRESULT hr = CoRegisterClassObject(CLSID_TestServer, factory->Identity(), CLSCTX_LOCAL_SERVER, flags, &cookie);
    factory->Release();
    if (FAILED(hr)) {
        std::fprintf(stderr, "com_test_server: CoRegisterClassObject failed: 0x%08X\n", static_cast<unsigned>(hr));
        return 2;
    }
    if (!embedded) {
        std::printf("ready\n");
        std::fflush(stdout);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    CoRevokeClassObject(cookie);
    CoUninitialize();
    return 0;
}

int Hold()
{
    if (FAILED(CoInitialize(nullptr))) return 1;
    IDispatch* object = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&object));
    if (FAILED(hr)) {
        std::fprintf(stderr, "com_test_server: CoCreateInstance failed: 0x%08X\n", static_cast<unsigned>(hr));
        return 2;
    }
    std::printf("holding\n");
    std::fflush(stdout);
    WaitForEndOfInput(STDIN_FILENO);
    object->Release();
    CoUninitialize();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string_view mode = argc > 1 ? argv[1] : "";
    bool embedded = argc > 2 && std::string_view(argv[argc - 1]) == "/Embedding";
    if (mode == "single") return Serve(REGCLS_SINGLEUSE, embedded);
    if (mode == "multiple") return Serve(REGCLS_MULTIPLEUSE, embedded);
    if (mode == "exit") return 3;
    if (mode == "hold") return Hold();
    if (mode == "idle" && argc > 2) {
        int fifo = open(argv[2], O_RDONLY | O_CLOEXEC);
        if (fifo >= 0) WaitForEndOfInput(fifo);
        return 0;
    }
    std::fprintf(stderr, "usage: com_test_server single|multiple|exit|hold|idle <fifo>\n");
    return 64;
}
