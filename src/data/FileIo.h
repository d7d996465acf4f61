#pragma once

#include "Result.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace spawn {

// The whole file in one read.
Result<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

// Copies `from` into `to` (created or truncated) in blocks of kCopyBlockSize bytes, reading until
// a read comes back short.
inline constexpr std::size_t kCopyBlockSize = 4096;
Status copyFileInBlocks(const std::string& from, const std::string& to);

// Writes the bytes to a temporary file in the same folder, flushes it to disk and renames it over
// `path`: a failure at any point leaves the previous file whole.
Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace spawn
