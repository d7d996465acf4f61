#pragma once

// One field changed across many records: "set every wolf's respawn time to 4000", "add 3 to the
// count of every entry of creature 16". The arithmetic and its checks live here, so that the
// window, spawn-tool and the benchmarks compute the same bytes.

#include "Result.h"
#include "SpawnRecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace spawn {

enum class BulkFieldKind { Area, Entry };
enum class BulkOperation { Set, Add, Multiply };

struct BulkEditSpec {
    BulkFieldKind kind = BulkFieldKind::Area;
    // 1-based: an area field 1..20 but 2 (the entry count), or an entry field 1..18.
    std::size_t field = 1;
    // For an entry field: only the entries whose NPC--ID is this.
    std::optional<std::int32_t> onlyCreature;
    BulkOperation operation = BulkOperation::Set;
    std::string value; // as typed: the value to set or add, or the factor
};

struct BulkEditPlan {
    // The records whose bytes change, by 1-based position in the order given, with their new bytes.
    std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> changes;
    std::size_t fields = 0; // fields whose bytes change
};

// Whether a field may be edited in bulk (the entry count may not: it shapes the record).
bool isBulkEditableField(BulkFieldKind kind, std::size_t field);

// The field's label as the form shows it for the first entry, without its trailing ": ":
// "X--->", "TimeResp", or the field's number for unlabelled ones.
std::string bulkFieldName(BulkFieldKind kind, std::size_t field);

// Computes the edit over the records at `positions` (1-based, each valid). Integers and bytes
// compute exactly; multiplication rounds half away from zero. Floats compute in double and are
// stored as float32. A value that is no number, or a result outside the field's range (a byte
// -128..127 as the form shows it, an int32, a finite float beyond float32), refuses the whole
// edit naming the first record and field it meets. Fields whose bytes would not change are left
// out.
Result<BulkEditPlan> planBulkEdit(const SpawnRecordList& records, std::span<const std::int32_t> positions,
                                  const BulkEditSpec& spec);

// "1,234": thousands separated by commas whatever the locale.
std::string groupThousands(std::int64_t value);
// "1 record", "1,234 records".
std::string recordCountText(std::int64_t count);

} // namespace spawn
