#pragma once

// Three spawn files merged: what two sides ("ours" and "theirs") each changed in a file they both
// started from (the base), brought together record by record as a version control merge needs.
//
// Each side is aligned with the base as diffRecords aligns two lists. A base record that only one
// side changed or removed takes that side's change; changed on both to the same bytes, that; changed
// on both differently, the record is merged field by field, and a field that both changed to
// different values is a conflict that keeps ours' value. Records a side inserted follow the base
// record they follow on that side, ours' first where both inserted at the same place, and a record
// both inserted there alike comes once. The parts around the records merge the same way.

#include "SpawnFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spawn {

enum class MergeSide { Ours, Theirs };

enum class MergeConflictKind {
    Field,          // both changed one field to different values
    Entries,        // both changed the record, not to the same number of creature entries
    RemovedChanged, // ours removed the record, theirs changed it
    ChangedRemoved, // ours changed the record, theirs removed it
    Header,         // both changed a part around the records differently
};

enum class MergeHeaderPart { None, LeadingBlock, HeaderWord, Remainder };

struct MergeConflict {
    MergeConflictKind kind = MergeConflictKind::Field;
    // 1-based position in the merged list; 0 for a header part, or for a record that the preferred
    // side's removal left out.
    std::int32_t record = 0;
    // 1-based positions of the record on each side; 0 where a side does not have it.
    std::int32_t baseRecord = 0;
    std::int32_t oursRecord = 0;
    std::int32_t theirsRecord = 0;
    // A field: its 1-based number over the whole record, with the form's label and each side's text
    // as the form shows it (none where a side lacks it). Entries: field 2, the entry count. A header
    // word: 1..3, the word after the record count. Else 0.
    std::size_t field = 0;
    std::string label;
    std::optional<std::string> base;
    std::optional<std::string> ours;
    std::optional<std::string> theirs;
    MergeHeaderPart part = MergeHeaderPart::None;
    // The side a preference took; without one, the merged file holds what is described above.
    std::optional<MergeSide> resolvedBy;
    bool operator==(const MergeConflict&) const = default;
};

struct SpawnMerge {
    SpawnFileContext context; // the record count word is the number of merged records
    SpawnRecordList records;
    // Merged records that hold a change of that side (changed, kept from a conflict or inserted); a
    // record with both sides' changes counts for both, an unchanged one for neither.
    std::int32_t fromOurs = 0;
    std::int32_t fromTheirs = 0;
    std::vector<MergeConflict> conflicts; // header parts first, then in merged order

    bool hasOpenConflicts() const;
};

// Merges `ours` and `theirs`, both made from `base`. Every conflict keeps what is said above unless
// `prefer` names a side, which is then taken for each conflict (its removal too).
// Precondition: no file's load stopped (its unread records would be merged as mere bytes).
SpawnMerge mergeSpawnFiles(const SpawnFile& base, const SpawnFile& ours, const SpawnFile& theirs,
                           std::optional<MergeSide> prefer = std::nullopt);

} // namespace spawn
