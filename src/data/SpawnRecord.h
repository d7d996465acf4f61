#pragma once

#include "Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace spawn {

class ElementNameTables;

// One spawn area: its raw bytes exactly as in the file, and what the list shows of it.
struct SpawnRecord {
    std::int32_t entryCount = 0;
    std::int32_t creatureId = 0; // the first creature entry's ID; 0 without entries
    std::vector<std::uint8_t> bytes;
    std::string displayName; // UTF-8
    // Which record this is while the program runs, whatever position it moves to; never written
    // to a file. The list gives each appended record a new one; a replacement keeps its slot's.
    std::uint64_t serial = 0;

    SpawnRecord();

    // Builds a record from its complete bytes (area header and every entry). Fails when the
    // header's entry count is outside 0..100 or the bytes are not exactly that record's size.
    static Result<SpawnRecord> fromBytes(std::span<const std::uint8_t> bytes);
    // The same, taking the bytes over instead of copying them.
    static Result<SpawnRecord> fromBytes(std::vector<std::uint8_t>&& bytes);

    // Looks up the display name of creatureId; leaves the name unchanged when it is not found.
    void applyName(const ElementNameTables& names);
};

// The combined field-type string of a record with `entryCount` entries: the area string followed
// by one entry string per entry. Precondition: 0 <= entryCount.
std::string recordFieldTypes(std::int32_t entryCount);

// Every record of the spawn file in file order. Positions are 1-based; a position outside
// 1..count() is refused and changes nothing.
class SpawnRecordList {
public:
    std::int32_t count() const { return static_cast<std::int32_t>(m_records.size()); }
    bool isEmpty() const { return m_records.empty(); }

    // The record gets a new serial.
    void append(SpawnRecord record);
    // The new record takes the serial of the one it replaces.
    bool replaceAt(std::int32_t position, SpawnRecord record);
    // As replaceAt, giving back the record replaced. Precondition: 1 <= position <= count().
    SpawnRecord exchangeAt(std::int32_t position, SpawnRecord record);
    bool removeAt(std::int32_t position);
    // Puts a record back at `position` (1..count() + 1) with the serial it carries, as when a
    // removal is taken back. A record without a serial gets a new one.
    bool insertAt(std::int32_t position, SpawnRecord record);

    // Removes the records at `positions` (1-based, ascending, each valid and given once) in one pass
    // and returns them in that order.
    std::vector<SpawnRecord> removePositions(std::span<const std::int32_t> positions);
    // The reverse of removePositions: puts each record back so that it ends up at its position
    // (ascending, as removePositions took them), in one pass. Precondition: the positions fit the
    // list once every record is in.
    void insertPositions(std::span<const std::int32_t> positions, std::vector<SpawnRecord> records);

    // The 1-based position of the record with this serial, or nothing when it is not in the list.
    std::optional<std::int32_t> positionOf(std::uint64_t serial) const;

    // Precondition: 1 <= position <= count().
    const SpawnRecord& at(std::int32_t position) const;
    // The record at a 0-based index. Precondition: index < count().
    const SpawnRecord& atIndex(std::size_t index) const { return m_records[index]; }

    auto begin() const { return m_records.begin(); }
    auto end() const { return m_records.end(); }

    // Total size of every record's bytes.
    std::size_t byteSize() const;

    void reserve(std::size_t count) { m_records.reserve(count); }

private:
    bool isValidPosition(std::int32_t position) const { return position >= 1 && position <= count(); }

    std::vector<SpawnRecord> m_records;
    std::uint64_t m_lastSerial = 0;
};

} // namespace spawn
