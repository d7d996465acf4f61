#include "RecordSearch.h"

#include "NumberText.h"

namespace spawn {

std::vector<std::int32_t> searchRecords(const SpawnRecordList& records, SearchMode mode,
                                        std::string_view text) {
    std::vector<std::int32_t> hits;
    std::int32_t position = 0;
    if (mode == SearchMode::Id) {
        const std::int32_t target = parseCInt(text);
        for (const std::int32_t id : records.creatureIds()) {
            if (id == target) {
                hits.push_back(position);
            }
            ++position;
        }
    } else {
        for (const SpawnRecord& record : records) {
            if (record.displayName.find(text) != std::string::npos) {
                hits.push_back(position);
            }
            ++position;
        }
    }
    return hits;
}

std::string hitCountLabelText(std::int32_t hits) {
    return "查找到 " + formatInt(hits) + " 项";
}

} // namespace spawn
