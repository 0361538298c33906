// Support for the local-server tests: message pumping instead of sleeping,
// the helper program, and the socket folder of the isolated environment.
#pragma once

#include "../socket_folder.h"
#include "test_objects.h"
#include "test_server_objects.h"

#include <processthreadsapi.h>
#include <winreg.h>
#include <winuser.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace local_server_test {

// The message a client thread posts to the pumping thread when it is done.
inline constexpr UINT kDoneMessage = WM_APP + 1;
// Posted to the main thread when a test object goes, to wake its pump.
inline constexpr UINT kObjectGone = WM_APP + 2;

// Dispatches this thread's messages until `done` holds, checking it after each.
inline void PumpUntil(const std::function<bool()>& done)
{
    MSG msg;
    while (!done()) {
        ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
        DispatchMessageA(&msg);
    }
}

// Runs `client` on a new thread in an apartment of its own while this thread
// pumps its messages (serving what it registered) until the client is done.
inline void RunClientWhilePumping(const std::function<void()>& client, DWORD coinit = COINIT_APARTMENTTHREADED)
{
    DWORD pumping = GetCurrentThreadId();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread's queue exists before the client posts
    std::thread thread([&] {
        {
            ComScope com(coinit);
            client();
        }
        PostThreadMessageA(pumping, kDoneMessage, 0, 0);
    });
    while (GetMessageA(&msg, nullptr, 0, 0) > 0 && !(msg.message == kDoneMessage && !msg.hwnd))
        DispatchMessageA(&msg);
    thread.join();
}

// Test objects report their end to the thread that set this up.
class ObjectEndsPosted {
public:
    ObjectEndsPosted()
    {
        DWORD thread = GetCurrentThreadId();
        g_testServerLife.onDestroyed = [thread] { PostThreadMessageA(thread, kObjectGone, 0, 0); };
    }
    ~ObjectEndsPosted() { g_testServerLife.onDestroyed = nullptr; }
};

inline std::filesystem::path HelperProgram()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "com_test_server";
}

// A running copy of the helper program, its standard output piped here and
// its standard input a pipe held open until the object goes (so "hold" holds).
class HelperProcess {
public:
    explicit HelperProcess(std::vector<std::string> arguments)
    {
        int out[2], in[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        if (pipe2(in, O_CLOEXEC) != 0) {
            close(out[0]);
            close(out[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        std::string program = HelperProgram().string();
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(in[0]);
        output_ = out[0];
        input_ = in[1];
    }
    ~HelperProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            Wait();
        }
        if (output_ >= 0) close(output_);
        if (input_ >= 0) close(input_);
    }
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    pid_t pid() const { return pid_; }
    // The next line it prints, without its end; empty at the end of its output.
    std::string ReadLine()
    {
        std::string line;
        char c;
        while (read(output_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    // Its exit status once it has ended.
    int Wait()
    {
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_) pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    int input_ = -1;
};

// Makes the helper program the class's local server in the registry.
inline void RegisterHelperAsLocalServer(REFCLSID clsid, const std::string& arguments)
{
    std::string key = "CLSID\\" + FormatGuid(clsid) + "\\LocalServer32";
    std::string command = "\"" + HelperProgram().string() + "\" " + arguments;
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, command.c_str(), 0), ERROR_SUCCESS);
}

inline LONG ProcessIdOf(IDispatch* object, HRESULT& hr)
{
    DISPPARAMS none{};
    ScopedVariant result;
    hr = object->Invoke(kProcessId, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
    return result.v.vt == VT_I4 ? result.v.lVal : 0;
}

}  // namespace local_server_test
