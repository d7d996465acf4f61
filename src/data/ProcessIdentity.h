#pragma once

#include <cstdint>

namespace spawn {

// One run of a program on this machine: its process ID and when the process started, in the
// system's own units, so that an ID the system hands out again later is not taken for the old run.
// The only place that asks the operating system about processes.
struct ProcessIdentity {
    std::int64_t pid = 0;
    std::uint64_t started = 0; // 0: the system did not tell
    bool operator==(const ProcessIdentity&) const = default;
};

ProcessIdentity thisProcess();

// Whether that run still goes on: a process with that ID exists, started when `process` says (any
// time when that is 0) and has not ended (a process that ended but is not yet reaped has).
bool processRuns(const ProcessIdentity& process);

} // namespace spawn
