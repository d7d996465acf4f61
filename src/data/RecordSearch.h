#pragma once

#include "SpawnRecord.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace spawn {

// What a search compares: the record's first creature ID, or its display name.
enum class SearchMode { Id, Name };

// The 0-based positions of the records that match `text`, in list order. By ID the text is read as
// atoi reads it (so "", "abc" and "0" look for records without entries, and digits beyond the int32
// range saturate); by name the text, as typed, has to occur in the display name, case-sensitively.
// Only a record's first creature entry counts either way.
std::vector<std::int32_t> searchRecords(const SpawnRecordList& records, SearchMode mode,
                                        std::string_view text);

// The count label after a search: "查找到 %d 项".
std::string hitCountLabelText(std::int32_t hits);

} // namespace spawn
