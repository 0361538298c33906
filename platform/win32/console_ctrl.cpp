// Console control events from POSIX signals. A signal handler only writes the
// signal's number into a pipe; a dispatcher thread turns it into an event and
// runs the handlers on a thread of its own, as Windows does.
#include <winbase.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};

DWORD EventOf(int signal)
{
    switch (signal) {
    case SIGINT: return CTRL_C_EVENT;
    case SIGQUIT: return CTRL_BREAK_EVENT;
    default: return CTRL_CLOSE_EVENT;
    }
}

int signalPipeWrite = -1;

void OnSignal(int signal)
{
    int saved = errno;
    auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] ssize_t ignored = write(signalPipeWrite, &byte, 1);
    errno = saved;
}

// The default action: end the process as Windows's default handler does.
// Static destructors are skipped because other threads may still run.
[[noreturn]] void EndProcess()
{
    std::fflush(nullptr);
    _exit(1);
}

class ControlDispatcher {
public:
    static ControlDispatcher& Instance()
    {
        static auto* instance = new ControlDispatcher;  // lives until the process ends
        return *instance;
    }

    BOOL Add(PHANDLER_ROUTINE handler)
    {
        std::lock_guard lock(mutex_);
        if (!Install()) return FALSE;
        if (handler) handlers_.push_back(handler);
        else ignoreCtrlC_ = true;
        return TRUE;
    }

    BOOL Remove(PHANDLER_ROUTINE handler)
    {
        std::lock_guard lock(mutex_);
        if (!handler) {
            ignoreCtrlC_ = false;
            return TRUE;
        }
        auto found = std::find(handlers_.rbegin(), handlers_.rend(), handler);
        if (found == handlers_.rend()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        handlers_.erase(std::next(found).base());
        return TRUE;
    }

private:
    bool Install()
    {
        if (installed_) return true;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            SetLastError(ERROR_TOO_MANY_OPEN_FILES);
            return false;
        }
        fcntl(fds[1], F_SETFL, O_NONBLOCK);  // a flood of signals never blocks a handler
        readEnd_ = fds[0];
        signalPipeWrite = fds[1];
        StartThreadWithSignalsBlocked([this] { Run(); });
        struct sigaction action {};
        action.sa_handler = OnSignal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        for (int signal : kSignals) sigaction(signal, &action, nullptr);
        installed_ = true;
        return true;
    }

    // Threads of the dispatcher never take the signals themselves, so a signal
    // raised by a thread is handled on that thread before raise returns.
    template <typename Body>
    static void StartThreadWithSignalsBlocked(Body body)
    {
        sigset_t blocked, previous;
        sigemptyset(&blocked);
        for (int signal : kSignals) sigaddset(&blocked, signal);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous);
        std::thread(std::move(body)).detach();
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }

    void Run()
    {
        for (;;) {
            unsigned char signal;
            ssize_t got = read(readEnd_, &signal, 1);
            if (got < 0 && errno == EINTR) continue;
            if (got != 1) return;
            DWORD event = EventOf(signal);
            std::vector<PHANDLER_ROUTINE> handlers;
            {
                std::lock_guard lock(mutex_);
                if (event == CTRL_C_EVENT && ignoreCtrlC_) continue;
                handlers.assign(handlers_.rbegin(), handlers_.rend());
            }
            std::thread([event, handlers = std::move(handlers)] { Handle(event, handlers); }).detach();
        }
    }

    static void Handle(DWORD event, const std::vector<PHANDLER_ROUTINE>& handlers)
    {
        bool handled = false;
        for (auto handler : handlers)
            if (handler(event)) {
                handled = true;
                break;
            }
        if (!handled || event == CTRL_CLOSE_EVENT) EndProcess();
    }

    std::mutex mutex_;
    std::vector<PHANDLER_ROUTINE> handlers_;
    bool ignoreCtrlC_ = false;
    bool installed_ = false;
    int readEnd_ = -1;
};

}  // namespace

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add)
{
    auto& dispatcher = ControlDispatcher::Instance();
    return add ? dispatcher.Add(handler) : dispatcher.Remove(handler);
}
