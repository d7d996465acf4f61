#pragma once

#include "ProcessIdentity.h"
#include "Result.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace spawn {

// What identifies one version of a file on disk: a rewrite changes its modification time or size,
// a replacement by rename its inode.
struct DiskStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0; // since 1970-01-01 UTC
    std::uint64_t inode = 0;     // 0 where the system has none
    bool operator==(const DiskStamp&) const = default;
};

// The stamp of the file at `path` (links followed); nothing when there is no such file.
std::optional<DiskStamp> diskStampOf(const std::string& path);

// The folder that holds recovery copies: $XDG_STATE_HOME/spawn-editor/recovery, with
// ~/.local/state standing in for an unset or relative XDG_STATE_HOME.
std::string defaultRecoveryFolder();

// Whose a recovery copy is: the window that keeps it, named by its process and a number that tells
// the process's windows apart (the editor runs one per process; a window that drops its work on a
// reload but keeps its copy goes on under a new number).
struct RecoveryOwner {
    ProcessIdentity process;
    std::uint64_t window = 0;
    bool operator==(const RecoveryOwner&) const = default;
};

// A new owner in this process, each call another window number.
RecoveryOwner newRecoveryOwner();

// A recovery copy's two files in `folder`: the spawn file's bytes and what is known about them.
// Both are named after the spawn file's full path (a hash of it, then its file name to help a
// reader) and their window: "<hash>-<name>@<pid>-<start>-<window>.data" and ".json". A copy
// written before each window kept its own has no owner: "<hash>-<name>.data" and ".json".
struct RecoveryPaths {
    std::string bytes;
    std::string info;
    std::optional<RecoveryOwner> owner;
};
RecoveryPaths recoveryPathsFor(const std::string& folder, const std::string& spawnPath,
                               const std::optional<RecoveryOwner>& owner = std::nullopt);

// The JSON beside the bytes.
struct RecoveryInfo {
    std::string spawnPath;
    std::string time;                   // when the copy was made, UTC, "2026-01-31T12:00:00Z"
    std::optional<DiskStamp> diskStamp; // the spawn file's when it was loaded or last saved
};

struct RecoveryCopy {
    RecoveryInfo info;
    std::vector<std::uint8_t> bytes;
};

// The time now, or a given time, in RecoveryInfo's form.
std::string recoveryTimeNow();
std::string recoveryTimeOf(std::chrono::system_clock::time_point time);
// A time in RecoveryInfo's form as local time, "2026-01-31 13:00:00"; any other text as it is.
std::string localRecoveryTimeText(const std::string& time);

// Writes the copy at `paths` of `info.spawnPath`'s document: the bytes first, then the JSON, each
// atomically, so the JSON never describes bytes that are not there yet. Creates `folder` (owner
// only) when needed.
Status writeRecoveryCopy(const std::string& folder, const RecoveryPaths& paths, const RecoveryInfo& info,
                         std::span<const std::uint8_t> bytes);

// The copy at `paths`, kept for `spawnPath`. Nothing when neither file is there; an error naming
// the file when one is there but cannot be read whole: bytes without their JSON or the other way
// round, a JSON that does not parse or names another spawn file.
Result<std::optional<RecoveryCopy>> readRecoveryCopy(const RecoveryPaths& paths,
                                                     const std::string& spawnPath);

// Removes both files of the copy; a copy that is not there is no failure.
Status removeRecoveryCopy(const RecoveryPaths& paths);

// Tells whether a window's process still runs (processRuns, or a stand-in in tests).
using ProcessCheck = std::function<bool(const ProcessIdentity&)>;

// The copies in `folder` kept for `spawnPath` by windows that no longer run, newest first (by
// when their JSON, or their one file, was last written), with an older version's copy among them.
// A copy whose window still runs is not listed: it is that window's to write and remove. A copy
// with only one of its two files is listed too, so that reading it reports it.
std::vector<RecoveryPaths> recoveryCopiesOfEndedWindows(const std::string& folder,
                                                        const std::string& spawnPath,
                                                        const ProcessCheck& runs);

// While a window has a spawn file open it keeps a small marker in `folder`
// ("<hash>-<name>@<pid>-<start>-<window>.open"), so that another window opening that file can say
// so. Removing a marker that is not there is no failure.
Status markFileOpen(const std::string& folder, const std::string& spawnPath, const RecoveryOwner& owner);
Status unmarkFileOpen(const std::string& folder, const std::string& spawnPath, const RecoveryOwner& owner);

// Whether a window other than `self` that still runs has `spawnPath` open. The markers of windows
// that no longer run are removed on the way.
bool fileOpenInAnotherWindow(const std::string& folder, const std::string& spawnPath,
                             const RecoveryOwner& self, const ProcessCheck& runs);

} // namespace spawn
