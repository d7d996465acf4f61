#pragma once

// The checks that find what will misbehave on the server although the file loads: one definition
// that the Problems window and `spawn-tool lint` share.

#include "ElementNameTables.h"
#include "SpawnFile.h"
#include "SpawnRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace spawn {

enum class ProblemCode {
    StoppedLoad,     // file: the load stopped before the record count was reached
    CountWord,       // file: the record-count word differs from the records read
    NoEntries,       // an area with no creature entries
    NotFinite,       // X, Y or Z is infinite or NaN
    OffMap,          // the area's map point lies outside the map
    UnknownCreature, // an entry's creature ID that the element database does not name
    ZeroCount,       // an entry's Total--> is 0 or less
    NegativeRespawn, // an entry's TimeResp is below 0
    Duplicate,       // a record byte-identical to an earlier one
};

inline constexpr std::array<ProblemCode, 9> kProblemCodes = {
    ProblemCode::StoppedLoad, ProblemCode::CountWord,       ProblemCode::NoEntries,
    ProblemCode::NotFinite,   ProblemCode::OffMap,          ProblemCode::UnknownCreature,
    ProblemCode::ZeroCount,   ProblemCode::NegativeRespawn, ProblemCode::Duplicate};

// "stopped-load", "count-word", "no-entries", ...
std::string_view problemCodeName(ProblemCode code);
std::optional<ProblemCode> problemCodeFromName(std::string_view name);
bool isFileProblem(ProblemCode code);

struct Problem {
    ProblemCode code = ProblemCode::NoEntries;
    std::optional<std::int32_t> position; // 1-based; none for a file-level problem without one
    std::optional<std::size_t> field;     // the form's numbering; none where no field applies
    std::string text;                     // one line, UTF-8

    bool operator==(const Problem&) const = default;
};

// The order problems are listed in: file-level first, then by position, field (none before any)
// and code name.
bool problemComesBefore(const Problem& a, const Problem& b);

// The file-level problems: where the load stopped (its position is the 1-based record it stopped
// at, its text the stop's message) and a record-count word unlike the number of records.
std::vector<Problem> fileProblems(std::int32_t countWord, std::int32_t recordCount,
                                  const std::optional<LoadStop>& stopped);

// Checks records one at a time, against the element database given (without one no creature is
// unknown). The database's creature IDs are put in a table of bits when they span a small enough
// range, so that the entries of a large file are looked up at the cost of a bit each.
class RecordChecker {
public:
    // `names`, when given, must outlive the checker.
    explicit RecordChecker(const ElementNameTables* names);

    // Appends the problems of one record at `position`, in order, leaving out duplicates (which
    // need the other records).
    void appendProblems(const SpawnRecord& record, std::int32_t position, std::vector<Problem>& out) const;

private:
    bool isKnownCreature(std::int32_t id) const;

    const ElementNameTables* m_names;
    std::int64_t m_lowestId = 0;
    std::vector<std::uint64_t> m_knownBits; // empty: ask the tables
};

// The problem of a record at `position` whose bytes equal those of the one at `earlier`.
Problem duplicateProblem(std::int32_t position, std::int32_t earlier);

// A hash of a record's bytes: equal bytes give equal hashes, so duplicates are looked for only
// among records of the same hash.
std::uint64_t recordBytesHash(std::span<const std::uint8_t> bytes);

// Every problem of a loaded file, in order.
std::vector<Problem> lintSpawnFile(const SpawnFile& file, const ElementNameTables* names);

} // namespace spawn
