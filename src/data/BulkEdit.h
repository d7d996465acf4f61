#pragma once

// One field changed across many records: "set every wolf's respawn time to 4000", "add 3 to the
// count of every entry of creature 16". The arithmetic and its checks live here, so that the
// window, spawn-tool and the benchmarks compute the same bytes.

#include "NumberText.h"
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
    // For an entry field: only the entries whose NPC--ID is this. An area field refuses it.
    std::optional<std::int32_t> onlyCreature;
    BulkOperation operation = BulkOperation::Set;
    // As typed: the value to set or add, or the factor. Blanks around it are dropped; what is left
    // is a decimal number as the JSON and the form write them: an optional sign and digits, for a
    // float field (and a factor) also a point and digits, for a float field an exponent too. A
    // factor of an integer or byte field has at most 9 decimals.
    std::string value;
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

// Whether the field may be edited so and the value reads as the field's kind of number, before
// any record is looked at: the error says what is wrong with the field or the value.
Status checkBulkEditValue(const BulkEditSpec& spec);

// Computes the edit over the records at `positions` (1-based, each valid). Integers and bytes
// compute exactly; multiplication rounds half away from zero. Floats compute in double and are
// stored as float32. What checkBulkEditValue refuses, an area field with onlyCreature, or a result
// outside the field's range (a byte -128..127 as the form shows it, an int32, a finite float
// beyond float32), refuses the whole edit, a result naming the first record and field it meets.
// Fields whose bytes would not change are left out.
Result<BulkEditPlan> planBulkEdit(const SpawnRecordList& records, std::span<const std::int32_t> positions,
                                  const BulkEditSpec& spec);

} // namespace spawn
