#include "SpawnRecord.h"

#include "ByteReader.h"
#include "ElementNameTables.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace spawn {

using namespace SpawnLayout;

SpawnRecord::SpawnRecord() : displayName(kNameNotFound) {}

namespace {

// Why `bytes` are no whole record, if they are not.
std::optional<std::string> recordBytesFault(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kAreaHeaderSize) {
        return "record shorter than its area header";
    }
    const std::int32_t k = readI32At(bytes, kEntryCountOffset);
    if (!isValidEntryCount(k)) {
        return "entry count " + std::to_string(k) + " outside 0.." + std::to_string(kMaxEntryCount);
    }
    if (bytes.size() != recordSize(k)) {
        return "record size does not match its entry count";
    }
    return std::nullopt;
}

} // namespace

Result<SpawnRecord> SpawnRecord::fromBytes(std::span<const std::uint8_t> bytes) {
    return fromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

Result<SpawnRecord> SpawnRecord::fromBytes(std::vector<std::uint8_t>&& bytes) {
    if (auto fault = recordBytesFault(bytes)) {
        return Error{std::move(*fault)};
    }
    SpawnRecord record;
    record.entryCount = readI32At(bytes, kEntryCountOffset);
    if (record.entryCount > 0) {
        record.creatureId = readI32At(bytes, kAreaHeaderSize + kCreatureIdOffset);
    }
    record.bytes = std::move(bytes);
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

// Blocks of room for records, made one after another, each twice the size of the one before up to
// a size that keeps a block of a large file within a few hundred kilobytes. A record is made in
// the next free room and ends when it is given back, its room then taken by the next one made.
// Whoever holds a record (a list, records detached from it) gives it back before letting go of
// the pool, so the pool ends with no record in it.
class RecordPool {
public:
    RecordPool() = default;
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;

    SpawnRecord* make(SpawnRecord&& record) {
        SpawnRecord* room = nullptr;
        if (!m_free.empty()) {
            room = m_free.back();
            m_free.pop_back();
        } else {
            if (m_blocks.empty() || m_used == m_blockSize) {
                m_blockSize = m_blocks.empty() ? kFirstBlock : std::min(m_blockSize * 2, kLargestBlock);
                m_blocks.push_back(std::make_unique<Room[]>(m_blockSize));
                m_used = 0;
            }
            room = &m_blocks.back()[m_used++].record;
        }
        return std::construct_at(room, std::move(record));
    }
    void giveBack(SpawnRecord* record) {
        std::destroy_at(record);
        m_free.push_back(record);
    }

private:
    // Room for one record, made and ended by the pool.
    union Room {
        Room() {}
        ~Room() {}
        SpawnRecord record;
    };
    static constexpr std::size_t kFirstBlock = 16;
    static constexpr std::size_t kLargestBlock = 4096;

    std::vector<std::unique_ptr<Room[]>> m_blocks;
    std::size_t m_blockSize = 0;
    std::size_t m_used = 0;
    std::vector<SpawnRecord*> m_free;
};

RecordPool& SpawnRecordList::pool() {
    if (!m_pool) {
        m_pool = std::make_shared<RecordPool>();
    }
    return *m_pool;
}

SpawnRecordList::SpawnRecordList(const SpawnRecordList& other)
    : m_serials(other.m_serials), m_creatureIds(other.m_creatureIds), m_lastSerial(other.m_lastSerial) {
    m_records.reserve(other.m_records.size());
    for (const SpawnRecord* record : other.m_records) {
        m_records.push_back(pool().make(SpawnRecord(*record)));
    }
}

SpawnRecordList& SpawnRecordList::operator=(const SpawnRecordList& other) {
    if (this != &other) {
        SpawnRecordList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

SpawnRecordList::SpawnRecordList(SpawnRecordList&& other) noexcept
    : m_pool(std::exchange(other.m_pool, {})), m_records(std::exchange(other.m_records, {})),
      m_serials(std::exchange(other.m_serials, {})), m_creatureIds(std::exchange(other.m_creatureIds, {})),
      m_lastSerial(other.m_lastSerial) {}

SpawnRecordList& SpawnRecordList::operator=(SpawnRecordList&& other) noexcept {
    if (this != &other) {
        clear();
        m_pool = std::exchange(other.m_pool, {});
        m_records = std::exchange(other.m_records, {});
        m_serials = std::exchange(other.m_serials, {});
        m_creatureIds = std::exchange(other.m_creatureIds, {});
        m_lastSerial = other.m_lastSerial;
    }
    return *this;
}

void SpawnRecordList::clear() {
    for (SpawnRecord* record : m_records) {
        m_pool->giveBack(record);
    }
    // The pool goes with the last of the list and of the records detached from it.
    m_pool.reset();
    m_records.clear();
    m_serials.clear();
    m_creatureIds.clear();
}

void SpawnRecordList::append(SpawnRecord record) {
    record.serial = ++m_lastSerial;
    m_serials.push_back(record.serial);
    m_creatureIds.push_back(record.creatureId);
    m_records.push_back(pool().make(std::move(record)));
}

bool SpawnRecordList::replaceAt(std::int32_t position, SpawnRecord record) {
    if (!isValidPosition(position)) {
        return false;
    }
    const auto index = static_cast<std::size_t>(position - 1);
    SpawnRecord& slot = *m_records[index];
    record.serial = slot.serial;
    m_creatureIds[index] = record.creatureId;
    slot = std::move(record);
    return true;
}

SpawnRecord SpawnRecordList::exchangeAt(std::int32_t position, SpawnRecord record) {
    assert(isValidPosition(position));
    const auto index = static_cast<std::size_t>(position - 1);
    SpawnRecord& slot = *m_records[index];
    record.serial = slot.serial;
    m_creatureIds[index] = record.creatureId;
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
    m_serials.insert(m_serials.begin() + (position - 1), record.serial);
    m_creatureIds.insert(m_creatureIds.begin() + (position - 1), record.creatureId);
    m_records.insert(m_records.begin() + (position - 1), pool().make(std::move(record)));
    return true;
}

std::optional<std::int32_t> SpawnRecordList::positionOf(std::uint64_t serial) const {
    const auto found = std::find(m_serials.begin(), m_serials.end(), serial);
    if (found == m_serials.end()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(found - m_serials.begin() + 1);
}

bool SpawnRecordList::removeAt(std::int32_t position) {
    if (!isValidPosition(position)) {
        return false;
    }
    const auto index = static_cast<std::size_t>(position - 1);
    pool().giveBack(m_records[index]);
    m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index));
    m_serials.erase(m_serials.begin() + static_cast<std::ptrdiff_t>(index));
    m_creatureIds.erase(m_creatureIds.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

SpawnRecordList::Detached::~Detached() {
    for (SpawnRecord* record : m_records) {
        m_pool->giveBack(record);
    }
}

SpawnRecordList::Detached& SpawnRecordList::Detached::operator=(Detached&& other) noexcept {
    if (this != &other) {
        Detached gone(std::move(*this));
        m_pool = std::exchange(other.m_pool, {});
        m_records = std::exchange(other.m_records, {});
    }
    return *this;
}

SpawnRecordList::Detached SpawnRecordList::Detached::of(std::vector<SpawnRecord> records) {
    Detached made;
    made.m_pool = std::make_shared<RecordPool>();
    made.m_records.reserve(records.size());
    for (SpawnRecord& record : records) {
        made.m_records.push_back(made.m_pool->make(std::move(record)));
    }
    return made;
}

std::vector<SpawnRecord> SpawnRecordList::Detached::release() {
    std::vector<SpawnRecord> records;
    records.reserve(m_records.size());
    for (SpawnRecord* record : m_records) {
        records.push_back(std::move(*record));
        m_pool->giveBack(record);
    }
    m_records.clear();
    return records;
}

SpawnRecordList::Detached SpawnRecordList::detachPositions(std::span<const std::int32_t> positions) {
    Detached taken;
    taken.m_pool = m_pool;
    taken.m_records.reserve(positions.size());
    if (positions.empty()) {
        return taken;
    }
    // The pointers between two removed records move down together, once each.
    auto write = static_cast<std::size_t>(positions.front() - 1);
    for (std::size_t k = 0; k < positions.size(); ++k) {
        const auto index = static_cast<std::size_t>(positions[k] - 1);
        taken.m_records.push_back(m_records[index]);
        const std::size_t runEnd = k + 1 < positions.size() ? static_cast<std::size_t>(positions[k + 1] - 1)
                                                            : m_records.size();
        const auto from = static_cast<std::ptrdiff_t>(index + 1);
        const auto to = static_cast<std::ptrdiff_t>(runEnd);
        std::copy(m_records.begin() + from, m_records.begin() + to,
                  m_records.begin() + static_cast<std::ptrdiff_t>(write));
        std::copy(m_serials.begin() + from, m_serials.begin() + to,
                  m_serials.begin() + static_cast<std::ptrdiff_t>(write));
        std::copy(m_creatureIds.begin() + from, m_creatureIds.begin() + to,
                  m_creatureIds.begin() + static_cast<std::ptrdiff_t>(write));
        write += runEnd - index - 1;
    }
    m_records.resize(write);
    m_serials.resize(write);
    m_creatureIds.resize(write);
    return taken;
}

void SpawnRecordList::attachPositions(std::span<const std::int32_t> positions, Detached records) {
    assert(positions.size() == records.size());
    if (positions.empty()) {
        return;
    }
    const std::size_t kept = m_records.size();
    const std::size_t total = kept + records.size();
    m_records.resize(total, nullptr);
    m_serials.resize(total, 0);
    m_creatureIds.resize(total, 0);
    // From the back: the pointers between two inserted places move up together, by the number of
    // records inserted before them; those before the first place stay.
    std::size_t end = kept; // the kept pointers [.., end) not yet moved
    for (std::size_t k = positions.size(); k-- > 0;) {
        const auto at = static_cast<std::size_t>(positions[k] - 1);
        const std::size_t start = at - k; // the kept pointers [start, end) go after `at`
        const auto from = static_cast<std::ptrdiff_t>(start);
        const auto to = static_cast<std::ptrdiff_t>(end);
        const auto dest = static_cast<std::ptrdiff_t>(end + k + 1);
        std::copy_backward(m_records.begin() + from, m_records.begin() + to, m_records.begin() + dest);
        std::copy_backward(m_serials.begin() + from, m_serials.begin() + to, m_serials.begin() + dest);
        std::copy_backward(m_creatureIds.begin() + from, m_creatureIds.begin() + to, m_creatureIds.begin() + dest);
        end = start;
    }
    // The records themselves, in order, so that serials given here count up along the list.
    // Records from elsewhere are made anew in this list's pool; its own come back as they are.
    const bool own = records.m_pool == m_pool && m_pool != nullptr;
    for (std::size_t k = 0; k < positions.size(); ++k) {
        SpawnRecord* record = std::exchange(records.m_records[k], nullptr);
        if (!own) {
            SpawnRecord* made = pool().make(std::move(*record));
            records.m_pool->giveBack(record);
            record = made;
        }
        if (record->serial == 0) {
            record->serial = ++m_lastSerial;
        }
        m_lastSerial = std::max(m_lastSerial, record->serial);
        const auto at = static_cast<std::size_t>(positions[k] - 1);
        m_serials[at] = record->serial;
        m_creatureIds[at] = record->creatureId;
        m_records[at] = record;
    }
    records.m_records.clear();
}

std::vector<SpawnRecord> SpawnRecordList::removePositions(std::span<const std::int32_t> positions) {
    return detachPositions(positions).release();
}

void SpawnRecordList::insertPositions(std::span<const std::int32_t> positions,
                                      std::vector<SpawnRecord> records) {
    attachPositions(positions, Detached::of(std::move(records)));
}

const SpawnRecord& SpawnRecordList::at(std::int32_t position) const {
    assert(isValidPosition(position));
    return *m_records[static_cast<std::size_t>(position - 1)];
}

std::size_t SpawnRecordList::byteSize() const {
    std::size_t total = 0;
    for (const SpawnRecord* r : m_records) {
        total += r->bytes.size();
    }
    return total;
}

} // namespace spawn
