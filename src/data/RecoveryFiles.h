#pragma once

#include "Result.h"

#include <cstdint>
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

// A recovery copy's two files in `folder`: the spawn file's bytes and what is known about them.
// Both are named after the spawn file's full path (a hash of it, then its file name to help a
// reader), so that every spawn file has one copy of its own.
struct RecoveryPaths {
    std::string bytes; // "<hash>-<name>.data"
    std::string info;  // "<hash>-<name>.json"
};
RecoveryPaths recoveryPathsFor(const std::string& folder, const std::string& spawnPath);

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

// The time now in RecoveryInfo's form.
std::string recoveryTimeNow();

// Writes the copy of `info.spawnPath`'s document: the bytes first, then the JSON, each atomically,
// so the JSON never describes bytes that are not there yet. Creates `folder` (owner only) when
// needed.
Status writeRecoveryCopy(const std::string& folder, const RecoveryInfo& info,
                         std::span<const std::uint8_t> bytes);

// The copy kept for `spawnPath`. Nothing when there is none; an error naming the file when one is
// there but cannot be read whole: bytes without their JSON or the other way round, a JSON that does
// not parse or names another spawn file.
Result<std::optional<RecoveryCopy>> readRecoveryCopy(const std::string& folder, const std::string& spawnPath);

// Removes both files of the copy for `spawnPath`; a copy that is not there is no failure.
Status removeRecoveryCopy(const std::string& folder, const std::string& spawnPath);

} // namespace spawn
