#pragma once

#include "Result.h"

#include <cstddef>
#include <cstdint>
#include <compare>
#include <iterator>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
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

// Where a record list keeps its records: blocks that records are made in one after another, so
// that a list read in order reads memory in order, and records given back are made anew there.
class RecordPool;

// Every record of the spawn file in file order. Positions are 1-based; a position outside
// 1..count() is refused and changes nothing. Each record stays where it was made in memory while
// the list holds it, and the list orders pointers to them: records come and go anywhere in a list
// of 50,000 for the cost of moving its pointers, not its records.
class SpawnRecordList {
public:
    SpawnRecordList() = default;
    ~SpawnRecordList() { clear(); }
    SpawnRecordList(const SpawnRecordList& other);
    SpawnRecordList& operator=(const SpawnRecordList& other);
    SpawnRecordList(SpawnRecordList&& other) noexcept;
    SpawnRecordList& operator=(SpawnRecordList&& other) noexcept;

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

    // Records taken out of a list as they are, to be put back later (a removal and its undo)
    // without copying or moving them; owned here until then.
    class Detached {
    public:
        Detached() = default;
        ~Detached();
        Detached(Detached&& other) noexcept
            : m_pool(std::exchange(other.m_pool, {})), m_records(std::exchange(other.m_records, {})) {}
        Detached& operator=(Detached&& other) noexcept;
        Detached(const Detached&) = delete;
        Detached& operator=(const Detached&) = delete;

        std::size_t size() const { return m_records.size(); }
        bool empty() const { return m_records.empty(); }
        // Precondition: i < size().
        const SpawnRecord& at(std::size_t i) const { return *m_records[i]; }
        // Makes holders of these records.
        static Detached of(std::vector<SpawnRecord> records);
        // The records themselves, in order; nothing is left here.
        std::vector<SpawnRecord> release();

    private:
        friend class SpawnRecordList;
        std::shared_ptr<RecordPool> m_pool; // where the records live
        std::vector<SpawnRecord*> m_records;
    };
    // As removePositions and insertPositions, handing the records over as they are.
    Detached detachPositions(std::span<const std::int32_t> positions);
    void attachPositions(std::span<const std::int32_t> positions, Detached records);

    // Every record's creature ID, in list order (read without touching the records).
    std::span<const std::int32_t> creatureIds() const { return m_creatureIds; }

    // The 1-based position of the record with this serial, or nothing when it is not in the list.
    std::optional<std::int32_t> positionOf(std::uint64_t serial) const;

    // Precondition: 1 <= position <= count().
    const SpawnRecord& at(std::int32_t position) const;
    // The record at a 0-based index. Precondition: index < count().
    const SpawnRecord& atIndex(std::size_t index) const { return *m_records[index]; }

    // The records in order, as const references.
    class ConstIterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = SpawnRecord;
        using difference_type = std::ptrdiff_t;
        using pointer = const SpawnRecord*;
        using reference = const SpawnRecord&;

        ConstIterator() = default;
        explicit ConstIterator(SpawnRecord* const* at) : m_at(at) {}
        reference operator*() const { return **m_at; }
        pointer operator->() const { return *m_at; }
        reference operator[](difference_type n) const { return *m_at[n]; }
        ConstIterator& operator++() { ++m_at; return *this; }
        ConstIterator operator++(int) { ConstIterator was = *this; ++m_at; return was; }
        ConstIterator& operator--() { --m_at; return *this; }
        ConstIterator operator--(int) { ConstIterator was = *this; --m_at; return was; }
        ConstIterator& operator+=(difference_type n) { m_at += n; return *this; }
        ConstIterator& operator-=(difference_type n) { m_at -= n; return *this; }
        friend ConstIterator operator+(ConstIterator it, difference_type n) { return it += n; }
        friend ConstIterator operator+(difference_type n, ConstIterator it) { return it += n; }
        friend ConstIterator operator-(ConstIterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(ConstIterator a, ConstIterator b) { return a.m_at - b.m_at; }
        friend bool operator==(ConstIterator a, ConstIterator b) { return a.m_at == b.m_at; }
        friend auto operator<=>(ConstIterator a, ConstIterator b) { return a.m_at <=> b.m_at; }

    private:
        SpawnRecord* const* m_at = nullptr;
    };
    ConstIterator begin() const { return ConstIterator(m_records.data()); }
    ConstIterator end() const { return ConstIterator(m_records.data() + m_records.size()); }

    // Total size of every record's bytes.
    std::size_t byteSize() const;

    void reserve(std::size_t count) {
        m_records.reserve(count);
        m_serials.reserve(count);
        m_creatureIds.reserve(count);
    }

private:
    bool isValidPosition(std::int32_t position) const { return position >= 1 && position <= count(); }
    void clear();

    RecordPool& pool();

    // Made in the pool when a record comes in, given back when it goes out. Plain pointers, so
    // that moving them is moving memory.
    std::shared_ptr<RecordPool> m_pool;
    std::vector<SpawnRecord*> m_records;
    std::vector<std::uint64_t> m_serials;    // m_records[i]->serial, for finding a record by serial
    std::vector<std::int32_t> m_creatureIds; // m_records[i]->creatureId, for a search by creature ID
    std::uint64_t m_lastSerial = 0;
};

} // namespace spawn
