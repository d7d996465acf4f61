#pragma once

#include "Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace spawn {

// Files larger than this are refused before anything is allocated for them.
inline constexpr std::uint64_t kMaxReadSize = std::uint64_t{1} << 30; // 1 GiB

// The whole file in one read. Only regular files are read (links are followed): a device, a FIFO,
// a socket or a folder fails at once with "(not a regular file)", a file above kMaxReadSize, or
// one there is no memory for, with "(file too large)". A file that grows meanwhile is read up to
// its size at opening plus what one more read returns.
Result<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

// Files are copied in blocks of this size.
inline constexpr std::size_t kCopyBlockSize = 4096;

struct WriteOptions {
    // The backup made of this file just before, named when an in-place write fails midway.
    std::string backupPath;
    // A new file takes its owner, group and permission bits from this file (when it can be
    // read) instead of 0666 under the umask. A file replaced keeps its own in any case.
    std::string metadataFrom;
};

// Writes `bytes` to `path` so that a failure never leaves a half-written file:
// - the bytes go to a temporary file in the folder of the file finally meant (a symbolic link, also
//   a chain of links or a dangling one, is written through and stays a link), are flushed to disk,
//   and the temporary file is renamed over that file; the folder is then flushed too. The
//   temporary file is created exclusively (no file of the user's is ever taken for it), and its
//   name is the target's, cut where needed, with a random suffix: it fits the folder's name limit
//   whenever the target's name does;
// - the file keeps the permission bits, and where the process may set them the owner and group, of
//   the file it replaces; a new file gets 0666 under the umask;
// - a file the process may not write is not replaced: "(permission denied)";
// - an existing device, FIFO or socket (also through links, such as /dev/stdout) is written
//   straight into as a shell redirection does: opened for writing without being created,
//   truncated or replaced;
// - only when the folder refuses the temporary file (no permission) while the file itself is
//   writable, the file is written in place: truncated, written and flushed. Should that fail, the
//   message says that the file may be incomplete and names `options.backupPath` if given.
// Any other failure leaves the old file whole and no temporary file behind.
Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                           const WriteOptions& options = {});

// Copies the regular file `from` to `to` in blocks of kCopyBlockSize, written as
// writeFileAtomically writes: a failure leaves the previous `to` whole unless it had to be written
// in place. A new `to` takes the owner, group and permission bits of `from`. A `to` that is `from`
// itself (the same file through a symbolic or hard link) is refused, naming both, and nothing is
// written.
Status copyFileAtomically(const std::string& from, const std::string& to);

// Test seam: while one of these lives, the writes of file data above fail with `error` once
// `bytesBefore` bytes have gone into the file being written, as on a full disk.
class ScopedWriteFailure {
public:
    ScopedWriteFailure(std::size_t bytesBefore, int error);
    ~ScopedWriteFailure();
    ScopedWriteFailure(const ScopedWriteFailure&) = delete;
    ScopedWriteFailure& operator=(const ScopedWriteFailure&) = delete;
};

} // namespace spawn
