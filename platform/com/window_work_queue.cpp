#include "work_queue.h"

#include <winbase.h>
#include <winuser.h>

#include <deque>
#include <mutex>
#include <utility>

namespace com {
namespace {

constexpr char kClassName[] = "VarnelComApartment";
// The message only wakes the apartment: the work itself waits in the queue, so
// nothing is lost or leaked when the window goes with messages still posted.
constexpr UINT kWorkMessage = WM_APP + 0x3C0;

class WindowWorkQueue final : public WorkQueue, public std::enable_shared_from_this<WindowWorkQueue> {
public:
    ~WindowWorkQueue() override { Close(); }

    HRESULT Open()
    {
        static const ATOM registered = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = &WindowWorkQueue::Procedure;
            windowClass.lpszClassName = kClassName;
            ATOM atom = RegisterClassA(&windowClass);
            return atom ? atom : ATOM{GetLastError() == ERROR_CLASS_ALREADY_EXISTS};
        }();
        if (!registered) return E_FAIL;
        window_ = CreateWindowExA(0, kClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        if (!window_) return HRESULT_FROM_WIN32(GetLastError());
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        return S_OK;
    }

    bool Post(Work work) override
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        pending_.push_back(std::move(work));
        // Under the lock, so the window cannot go meanwhile; posting never waits.
        PostMessageA(window_, kWorkMessage, 0, 0);
        return true;
    }

    void Close() override
    {
        std::deque<Work> dropped;
        HWND window = nullptr;
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
            dropped.swap(pending_);
            window = std::exchange(window_, nullptr);
        }
        if (window) {
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != kWorkMessage) return DefWindowProcA(window, message, wParam, lParam);
        if (auto* queue = reinterpret_cast<WindowWorkQueue*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
            queue->RunPending();
        return 0;
    }

    // Work may run a message loop of its own, which runs the next work inside it.
    void RunPending()
    {
        auto self = shared_from_this();
        for (;;) {
            Work work;
            {
                std::lock_guard lock(mutex_);
                if (closed_ || pending_.empty()) return;
                work = std::move(pending_.front());
                pending_.pop_front();
            }
            work();
        }
    }

    std::mutex mutex_;
    std::deque<Work> pending_;
    HWND window_ = nullptr;
    bool closed_ = false;
};

}  // namespace

std::shared_ptr<WorkQueue> MakeWindowWorkQueue(HRESULT& hr)
{
    auto queue = std::make_shared<WindowWorkQueue>();
    hr = queue->Open();
    if (FAILED(hr)) return nullptr;
    return queue;
}

}  // namespace com
