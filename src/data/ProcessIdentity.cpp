#include "ProcessIdentity.h"

#ifdef _WIN32

#include <windows.h>

// Windows: the process's creation time, and whether it has an exit code yet.

namespace spawn {

namespace {

std::uint64_t creationTime(HANDLE process) {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

} // namespace

ProcessIdentity thisProcess() {
    return {static_cast<std::int64_t>(GetCurrentProcessId()), creationTime(GetCurrentProcess())};
}

bool processRuns(const ProcessIdentity& process) {
    if (process.pid <= 0) {
        return false;
    }
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process.pid));
    if (handle == nullptr) {
        // A process we may not look at still runs; one that is gone cannot be opened at all.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(handle, &exitCode) && exitCode == STILL_ACTIVE;
    const std::uint64_t started = creationTime(handle);
    CloseHandle(handle);
    return running && (process.started == 0 || started == 0 || started == process.started);
}

} // namespace spawn

#else

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include <signal.h>
#include <unistd.h>

// Linux: /proc/<pid>/stat. A Windows build gives these two functions their Win32 form here
// (OpenProcess, GetExitCodeProcess and GetProcessTimes' creation time); nothing else changes.

namespace spawn {

namespace {

struct ProcessState {
    char state = '?';
    std::uint64_t started = 0; // clock ticks since the machine started
};

// "pid (name) state ppid …": the name may hold spaces and parentheses, so the fields are counted
// from the last ')'. The start time is field 22, the state field 3.
std::optional<ProcessState> readStat(std::int64_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    if (!file) {
        return std::nullopt; // no such process
    }
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    constexpr int kStateField = 3;
    constexpr int kStartField = 22;
    ProcessState result;
    std::string_view rest = std::string_view(text).substr(close + 1);
    for (int field = kStateField; field <= kStartField; ++field) {
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
        const std::string_view value = rest.substr(0, rest.find(' '));
        if (value.empty()) {
            return std::nullopt;
        }
        if (field == kStateField) {
            result.state = value.front();
        } else if (field == kStartField) {
            const auto parsed = std::from_chars(value.data(), value.data() + value.size(), result.started);
            if (parsed.ec != std::errc{} || parsed.ptr != value.data() + value.size()) {
                return std::nullopt;
            }
        }
        rest.remove_prefix(value.size());
    }
    return result;
}

} // namespace

ProcessIdentity thisProcess() {
    const std::int64_t pid = ::getpid();
    const auto stat = readStat(pid);
    return {pid, stat ? stat->started : 0};
}

bool processRuns(const ProcessIdentity& process) {
    if (process.pid <= 0) {
        return false;
    }
    const auto stat = readStat(process.pid);
    if (!stat) {
        // Without /proc only the ID can be asked about: a process that has it counts as running,
        // so its copy waits rather than being offered while it may still be written.
        static const bool haveProc = readStat(::getpid()).has_value();
        return !haveProc && (::kill(static_cast<pid_t>(process.pid), 0) == 0 || errno == EPERM);
    }
    // 'Z': ended, not yet reaped; 'X': going.
    if (stat->state == 'Z' || stat->state == 'X') {
        return false;
    }
    return process.started == 0 || stat->started == process.started;
}

} // namespace spawn

#endif
