// The client on Windows: its window by title, the window's process, opened with every access
// right, and read with ReadProcessMemory. The handle is closed when the process object goes.

#include "ClientPosition.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace spawn {

namespace {

// PROCESS_ALL_ACCESS as it was before Windows Vista widened it; accepted by every version.
constexpr DWORD kProcessAllAccess = 0x1F0FFF;

class Win32Process : public ClientProcess {
public:
    explicit Win32Process(HANDLE handle) : m_handle(handle) {}
    ~Win32Process() override { CloseHandle(m_handle); }
    Win32Process(const Win32Process&) = delete;
    Win32Process& operator=(const Win32Process&) = delete;

    bool read(std::uint32_t address, std::span<std::uint8_t> bytes) override {
        SIZE_T done = 0;
        const auto* from = reinterpret_cast<LPCVOID>(static_cast<std::uintptr_t>(address));
        return ReadProcessMemory(m_handle, from, bytes.data(), bytes.size(), &done) != 0 &&
               done == bytes.size();
    }

private:
    HANDLE m_handle;
};

class Win32ClientConnector : public ClientConnector {
public:
    ClientOpenResult open(std::string_view windowTitle) override {
        const std::string title(windowTitle);
        const HWND window = FindWindowA(nullptr, title.c_str());
        if (window == nullptr) {
            return ClientOpenFailure::NoWindow;
        }
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        const HANDLE handle = OpenProcess(kProcessAllAccess, FALSE, pid);
        if (handle == nullptr) {
            return ClientOpenFailure::NotOpened;
        }
        return std::make_unique<Win32Process>(handle);
    }
};

} // namespace

std::unique_ptr<ClientConnector> makeClientConnector() {
    return std::make_unique<Win32ClientConnector>();
}

} // namespace spawn
