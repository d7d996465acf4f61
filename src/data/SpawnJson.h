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
//
// The records alone travel as {"format": 1, "records": [...]}: what a copy puts on the clipboard,
// and what paste and append take besides a whole export.

#include "Result.h"
#include "SpawnFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace spawn {

inline constexpr int kSpawnJsonFormat = 1;

// The document of a loaded file; `withNames` adds each record's display name.
std::string exportSpawnJson(const SpawnFile& file, bool withNames);

// Reads a document in full and checks every part of it before giving anything back. The error is
// one line naming the record (1-based) and field (1-based, counted over the whole record as the
// form numbers them) or the key that is wrong, and what is wrong with it.
Result<SpawnFile> importSpawnJson(std::span<const std::uint8_t> text);

// The records document of the records at `positions` (1-based, in the order given). Precondition:
// each position is within 1..records.count().
std::string exportRecordsJson(const SpawnRecordList& records, std::span<const std::int32_t> positions,
                              bool withNames);

// The records of a records document or of a whole export (whose other parts are checked as import
// checks them, then left). Refuses anything else with import's one-line reason. The records carry
// no names yet.
Result<std::vector<SpawnRecord>> importRecordsJson(std::span<const std::uint8_t> text);

// The records of a file given as the source of an append: a JSON document (export or records
// document) when it starts with "{" and reads as one, otherwise a spawn file, of which the records
// read before any stop are taken. Errors name the file.
Result<std::vector<SpawnRecord>> readRecordSource(const std::string& path);

} // namespace spawn
