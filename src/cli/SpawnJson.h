#pragma once

// A spawn file as one JSON document, and back, byte for byte:
//
//   {"format": 1, "leading_block": "<8 hex digits>", "header_words": [w1, w2, w3], "records": [
//    {"name": "…", "area": [20 values], "entries": [
//     [18 values],
//     [18 values]]},
//    {"area": [20 values], "entries": []}
//   ], "remainder": "<base64>"}
//
// Each record and each entry starts a line of its own, so that a diff of two exports shows which
// ones changed. Fields come in the form's order, each by its type: int32 and signed byte as
// integers, float32 as the shortest decimal that reads back to the same bits; a float32 that is
// not finite, and negative zero, is the string "0x" and the 8 hex digits of its bits, a form that
// import takes for any float. "count_word" appears after "header_words" only when the file's
// record-count word differs from the number of records read (a stopped load); import then writes
// it as given, otherwise the number of records. "name" is written on request and ignored by import.

#include "Result.h"
#include "SpawnFile.h"

#include <cstdint>
#include <span>
#include <string>

namespace spawn::tool {

inline constexpr int kSpawnJsonFormat = 1;

// The document of a loaded file; `withNames` adds each record's display name.
std::string exportSpawnJson(const SpawnFile& file, bool withNames);

// Reads a document in full and checks every part of it before giving anything back. The error is
// one line naming the record (1-based) and field (1-based, counted over the whole record as the
// form numbers them) or the key that is wrong, and what is wrong with it.
Result<SpawnFile> importSpawnJson(std::span<const std::uint8_t> text);

} // namespace spawn::tool
