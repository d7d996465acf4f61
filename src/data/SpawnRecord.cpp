#include "SpawnRecord.h"

#include "ByteReader.h"
#include "ElementNameTables.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <cassert>

namespace spawn {

using namespace SpawnLayout;

SpawnRecord::SpawnRecord() : displayName(kNameNotFound) {}

Result<SpawnRecord> SpawnRecord::fromBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kAreaHeaderSize) {
        return Error{"record shorter than its area header"};
    }
    const std::int32_t k = readI32At(bytes, kEntryCountOffset);
    if (!isValidEntryCount(k)) {
        return Error{"entry count " + std::to_string(k) + " outside 0.." + std::to_string(kMaxEntryCount)};
    }
    if (bytes.size() != recordSize(k)) {
        return Error{"record size does not match its entry count"};
    }
    SpawnRecord record;
    record.entryCount = k;
    record.bytes.assign(bytes.begin(), bytes.end());
    if (k > 0) {
        record.creatureId = readI32At(bytes, kAreaHeaderSize + kCreatureIdOffset);
    }
    return record;
}

Result<SpawnRecord> SpawnRecord::fromBytes(std::vector<std::uint8_t>&& bytes) {
    auto record = fromBytes(std::span<const std::uint8_t>(bytes));
    if (record) {
        record.value().bytes = std::move(bytes);
    }
    return record;
}

void SpawnRecord::applyName(const ElementNameTables& names) {
    if (entryCount <= 0) {
        return;
    }
    if (const auto name = names.findCreatureName(creatureId)) {
        displayName = *name;
    }
}

std::string recordFieldTypes(std::int32_t entryCount) {
    std::string types(kAreaFieldTypes);
    types.reserve(kAreaFieldCount + kEntryFieldCount * static_cast<std::size_t>(entryCount));
    for (std::int32_t i = 0; i < entryCount; ++i) {
        types += kEntryFieldTypes;
    }
    return types;
}

void SpawnRecordList::append(SpawnRecord record) {
    record.serial = ++m_lastSerial;
    m_records.push_back(std::move(record));
}

bool SpawnRecordList::replaceAt(std::int32_t position, SpawnRecord record) {
    if (!isValidPosition(position)) {
        return false;
    }
    SpawnRecord& slot = m_records[static_cast<std::size_t>(position - 1)];
    record.serial = slot.serial;
    slot = std::move(record);
    return true;
}

SpawnRecord SpawnRecordList::exchangeAt(std::int32_t position, SpawnRecord record) {
    assert(isValidPosition(position));
    SpawnRecord& slot = m_records[static_cast<std::size_t>(position - 1)];
    record.serial = slot.serial;
    std::swap(slot, record);
    return record;
}

bool SpawnRecordList::insertAt(std::int32_t position, SpawnRecord record) {
    if (position < 1 || position > count() + 1) {
        return false;
    }
    if (record.serial == 0) {
        record.serial = ++m_lastSerial;
    }
    m_lastSerial = std::max(m_lastSerial, record.serial);
    m_records.insert(m_records.begin() + (position - 1), std::move(record));
    return true;
}

std::optional<std::int32_t> SpawnRecordList::positionOf(std::uint64_t serial) const {
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].serial == serial) {
            return static_cast<std::int32_t>(i + 1);
        }
    }
    return std::nullopt;
}

bool SpawnRecordList::removeAt(std::int32_t position) {
    if (!isValidPosition(position)) {
        return false;
    }
    m_records.erase(m_records.begin() + (position - 1));
    return true;
}

std::vector<SpawnRecord> SpawnRecordList::removePositions(std::span<const std::int32_t> positions) {
    std::vector<SpawnRecord> taken;
    taken.reserve(positions.size());
    std::size_t write = 0;
    std::size_t next = 0;
    for (std::size_t read = 0; read < m_records.size(); ++read) {
        if (next < positions.size() && static_cast<std::size_t>(positions[next]) == read + 1) {
            taken.push_back(std::move(m_records[read]));
            ++next;
        } else {
            if (write != read) {
                m_records[write] = std::move(m_records[read]);
            }
            ++write;
        }
    }
    m_records.resize(write);
    return taken;
}

void SpawnRecordList::insertPositions(std::span<const std::int32_t> positions,
                                      std::vector<SpawnRecord> records) {
    assert(positions.size() == records.size());
    const std::size_t total = m_records.size() + records.size();
    std::vector<SpawnRecord> merged;
    merged.reserve(total);
    std::size_t kept = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < total; ++i) {
        if (next < positions.size() && static_cast<std::size_t>(positions[next]) == i + 1) {
            SpawnRecord& record = records[next++];
            if (record.serial == 0) {
                record.serial = ++m_lastSerial;
            }
            m_lastSerial = std::max(m_lastSerial, record.serial);
            merged.push_back(std::move(record));
        } else {
            merged.push_back(std::move(m_records[kept++]));
        }
    }
    m_records = std::move(merged);
}

const SpawnRecord& SpawnRecordList::at(std::int32_t position) const {
    assert(isValidPosition(position));
    return m_records[static_cast<std::size_t>(position - 1)];
}

std::size_t SpawnRecordList::byteSize() const {
    std::size_t total = 0;
    for (const auto& r : m_records) {
        total += r.bytes.size();
    }
    return total;
}

} // namespace spawn
