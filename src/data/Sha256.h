#pragma once

// SHA-256 (FIPS 180-4), for naming large uninterpreted parts of a file by their content.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace spawn {

inline constexpr std::size_t kSha256Size = 32;

std::array<std::uint8_t, kSha256Size> sha256(std::span<const std::uint8_t> bytes);

// The digest as 64 lowercase hex digits.
std::string sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace spawn
