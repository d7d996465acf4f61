#include "Win32EventLoop.h"

namespace spawn::win32 {

namespace {

constexpr UINT kRunTask = WM_APP + 1; // lParam: a std::function<void()>* to run and delete
constexpr const wchar_t* kClassName = L"SpawnEditorEventLoop";

} // namespace

class Win32EventLoop::LoopTimer final : public Timer {
public:
    LoopTimer(Win32EventLoop& loop, UINT_PTR id, std::function<void()> timeout)
        : m_loop(loop), m_id(id), m_timeout(std::move(timeout)) {
        m_loop.m_timers[m_id] = this;
    }
    ~LoopTimer() override {
        stop();
        m_loop.m_timers.erase(m_id);
    }
    void start(std::chrono::milliseconds delay) override {
        SetTimer(m_loop.m_window, m_id, static_cast<UINT>(std::max<std::int64_t>(delay.count(), USER_TIMER_MINIMUM)),
                 nullptr);
        m_active = true;
    }
    void stop() override {
        if (m_active) {
            KillTimer(m_loop.m_window, m_id);
            m_active = false;
        }
    }
    bool isActive() const override { return m_active; }
    void fire() {
        stop(); // single-shot
        m_timeout();
    }

private:
    Win32EventLoop& m_loop;
    UINT_PTR m_id;
    std::function<void()> m_timeout;
    bool m_active = false;
};

Win32EventLoop::Win32EventLoop() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass); // a second loop finds the class registered
    m_window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32EventLoop::~Win32EventLoop() {
    // Tasks still queued are dropped, as the objects they refer to are going too.
    MSG message;
    while (PeekMessageW(&message, m_window, kRunTask, kRunTask, PM_REMOVE)) {
        delete reinterpret_cast<std::function<void()>*>(message.lParam);
    }
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    DestroyWindow(m_window);
}

std::unique_ptr<Timer> Win32EventLoop::makeTimer(std::function<void()> timeout) {
    return std::make_unique<LoopTimer>(*this, m_nextTimerId++, std::move(timeout));
}

void Win32EventLoop::post(std::function<void()> task) {
    auto* held = new std::function<void()>(std::move(task));
    if (!PostMessageW(m_window, kRunTask, 0, reinterpret_cast<LPARAM>(held))) {
        delete held;
    }
}

LRESULT CALLBACK Win32EventLoop::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32EventLoop*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kRunTask) {
        const std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lParam));
        if (self != nullptr) {
            (*task)();
        }
        return 0;
    }
    if (message == WM_TIMER && self != nullptr) {
        if (const auto found = self->m_timers.find(wParam); found != self->m_timers.end()) {
            found->second->fire();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace spawn::win32
