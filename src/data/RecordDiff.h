#pragma once

// Two lists of records compared record by record, and two records field by field.
//
// Records are aligned by a longest common subsequence of whole records (equal means the same
// bytes), so that an inserted or removed record does not make every later one look changed.
// Between two matched records the unmatched records of each side pair up in order as changed by
// likeness: the pairs hold as many fields with equal bytes as they can, and a record pairs only
// with one whose area header shares at least half of its fields. Those that pair with none were
// removed (only in the first list) or added (only in the second).

#include "SpawnRecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace spawn {

// A record's bytes, wherever they are kept.
using RecordBytesView = std::span<const std::uint8_t>;

// Views of every record's bytes, in list order; valid while the list is not changed.
std::vector<RecordBytesView> recordBytesViews(const SpawnRecordList& records);

// A copy of every record's bytes in one buffer, to compare a list with later.
class RecordBytesSnapshot {
public:
    RecordBytesSnapshot() = default;
    explicit RecordBytesSnapshot(const SpawnRecordList& records);

    std::size_t count() const { return m_ends.size(); }
    // Views of the records' bytes, valid as long as the snapshot is.
    std::vector<RecordBytesView> views() const;

private:
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::size_t> m_ends; // where each record's bytes end in m_bytes
};

enum class RecordChangeKind { Changed, Removed, Added };

struct RecordChange {
    RecordChangeKind kind = RecordChangeKind::Changed;
    std::int32_t a = 0; // 1-based position in the first list; 0 for an added record
    std::int32_t b = 0; // 1-based position in the second list; 0 for a removed record
    bool operator==(const RecordChange&) const = default;
};

struct RecordDiff {
    std::int32_t unchanged = 0;        // records matched: the length of the common subsequence
    std::vector<RecordChange> changes; // in file order
};

// Aligns `a` with `b`. The common subsequence is a longest one whenever the lists differ by up to
// a few hundred records (Myers' O(ND) algorithm over content numbers); beyond that the search is
// cut short as it goes, so that time stays near (n + m) x sqrt(n + m) and memory linear, and the
// result is still a valid alignment that may match fewer records than the best. The pairing is
// the best one for runs of up to 2,000 unmatched records a side; a longer run pairs only records
// near the line from its first pair of records to its last, in time and memory linear in its
// length. Changes come in file order on both sides.
RecordDiff diffRecords(std::span<const RecordBytesView> a, std::span<const RecordBytesView> b);

// The 0-based positions in `now` of the records that are changed or added against `before`, in
// order, by the alignment of diffRecords.
std::vector<std::int32_t> changedRecordIndexes(std::span<const RecordBytesView> before,
                                               std::span<const RecordBytesView> now);

// One form field that differs between two records, numbered and labelled as the form does it,
// with its text on each side as the form shows it; no text on the side whose record has no such
// field (the records have different entry counts).
struct FieldChange {
    std::size_t number = 0; // 1-based over the whole record
    std::string label;
    std::optional<std::string> a;
    std::optional<std::string> b;
    bool operator==(const FieldChange&) const = default;
};

// Every field whose bytes differ, in field order.
std::vector<FieldChange> diffRecordFields(const SpawnRecord& a, const SpawnRecord& b);

} // namespace spawn
