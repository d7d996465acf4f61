#pragma once

// Raw bytes as text, for formats that carry uninterpreted parts of a file: base64 (RFC 4648,
// standard alphabet, padded) and plain hex.

#include "Result.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace spawn {

std::string encodeBase64(std::span<const std::uint8_t> bytes);

// Reads padded base64 in its one canonical form: a multiple of 4 characters of the standard
// alphabet, '=' only as the last one or two, unused bits zero. No white space. The error names
// the first offending character (1-based) or says what is wrong with the length.
Result<std::vector<std::uint8_t>> decodeBase64(std::string_view text);

// Two lowercase hex digits per byte, in order.
std::string formatHexBytes(std::span<const std::uint8_t> bytes);

// Uninterpreted bytes as a person can compare them: hex up to 63 bytes, from 64 on
// "N bytes, sha256 <digest>".
std::string bytesSummaryText(std::span<const std::uint8_t> bytes);

// Reads exactly `count` bytes as 2 × `count` hex digits of either case.
Result<std::vector<std::uint8_t>> parseHexBytes(std::string_view text, std::size_t count);

} // namespace spawn
