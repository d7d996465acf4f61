#include "SpawnProblems.h"

#include "ByteReader.h"
#include "MapGrid.h"
#include "NumberText.h"
#include "RecordFields.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <tuple>

namespace spawn {

using namespace SpawnLayout;

namespace {

constexpr std::array<std::string_view, kProblemCodes.size()> kCodeNames = {
    "stopped-load",     "count-word", "no-entries",       "not-finite", "off-map",
    "unknown-creature", "zero-count", "negative-respawn", "duplicate"};

// Form fields of the area header the checks point at.
constexpr std::size_t kEntryCountField = 2;
constexpr std::size_t kXField = 3;
constexpr std::size_t kYField = 4;
constexpr std::size_t kZField = 5;

// The first three fields of a creature entry: its creature ID, Total--> and TimeResp, each an int32.
constexpr std::size_t kEntryIdField = 1;
constexpr std::size_t kEntryTotalField = 2;
constexpr std::size_t kEntryRespawnField = 3;
constexpr std::size_t kEntryTotalOffset = fieldStringSize(kEntryFieldTypes.substr(0, kEntryTotalField - 1));
constexpr std::size_t kEntryRespawnOffset =
    fieldStringSize(kEntryFieldTypes.substr(0, kEntryRespawnField - 1));
static_assert(kEntryFieldTypes.substr(0, 3) == "222");

// Known creature IDs go into a table of bits when they span fewer than this many values (a table
// of at most 2 MB); wider spreads are looked up in the name tables' index.
constexpr std::int64_t kMaxDenseIdRange = std::int64_t{1} << 24;
constexpr std::size_t kBitsPerWord = 64;

// Form field number of field f (1-based) of entry e (1-based).
std::size_t entryField(std::int32_t e, std::size_t f) {
    return kAreaFieldCount + kEntryFieldCount * static_cast<std::size_t>(e - 1) + f;
}

float floatAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return std::bit_cast<float>(readU32Le(bytes.subspan(offset).first<4>()));
}

std::string entryText(std::int32_t e, const std::string& rest) {
    return "entry " + formatInt(e) + ": " + rest;
}

void appendPositionProblems(std::span<const std::uint8_t> bytes, std::int32_t position,
                            std::vector<Problem>& out) {
    struct Axis {
        std::size_t field;
        std::size_t offset;
        const char* name;
    };
    constexpr std::array<Axis, 3> kAxes = {{{kXField, kPositionXOffset, "X"},
                                            {kYField, kPositionYOffset, "Y"},
                                            {kZField, kPositionZOffset, "Z"}}};
    for (const Axis& axis : kAxes) {
        const float value = floatAt(bytes, axis.offset);
        if (!std::isfinite(value)) {
            out.push_back({ProblemCode::NotFinite, position, axis.field,
                           std::string(axis.name) + " is " + formatGeneral6(static_cast<double>(value)) +
                               ", not a finite number"});
        }
        if (axis.field == kXField) {
            const float z = floatAt(bytes, kPositionZOffset);
            if (std::isfinite(value) && std::isfinite(z)) {
                const std::int32_t column =
                    mapValueOfWorld(static_cast<double>(value), MapGrid::kOriginColumn);
                const std::int32_t row = mapValueOfWorld(static_cast<double>(z), MapGrid::kOriginRow);
                if (!MapGrid::isOnGrid(column, row)) {
                    out.push_back({ProblemCode::OffMap, position, kXField,
                                   "map point (" + formatInt(column) + ", " + formatInt(row) +
                                       ") lies off the map (columns 0.." + formatInt(MapGrid::kColumns) +
                                       ", rows 0.." + formatInt(MapGrid::kRows) + ")"});
                }
            }
        }
    }
}

template <class IsKnown>
void appendEntryProblems(std::span<const std::uint8_t> bytes, std::int32_t position, std::int32_t entryCount,
                         bool checkIds, IsKnown isKnown, std::vector<Problem>& out) {
    for (std::int32_t e = 1; e <= entryCount; ++e) {
        const std::size_t at = kAreaHeaderSize + kCreatureEntrySize * static_cast<std::size_t>(e - 1);
        if (at + kCreatureEntrySize > bytes.size()) {
            return;
        }
        const std::int32_t id = readI32At(bytes, at + kCreatureIdOffset);
        if (checkIds && !isKnown(id)) {
            out.push_back({ProblemCode::UnknownCreature, position, entryField(e, kEntryIdField),
                           entryText(e, "creature " + formatInt(id) + " is not in the element database")});
        }
        const std::int32_t total = readI32At(bytes, at + kEntryTotalOffset);
        if (total <= 0) {
            out.push_back({ProblemCode::ZeroCount, position, entryField(e, kEntryTotalField),
                           entryText(e, "Total--> is " + formatInt(total) + ": nothing spawns")});
        }
        const std::int32_t respawn = readI32At(bytes, at + kEntryRespawnOffset);
        if (respawn < 0) {
            out.push_back({ProblemCode::NegativeRespawn, position, entryField(e, kEntryRespawnField),
                           entryText(e, "TimeResp is " + formatInt(respawn) + ", below 0")});
        }
    }
}

} // namespace

std::string_view problemCodeName(ProblemCode code) {
    return kCodeNames[static_cast<std::size_t>(code)];
}

std::optional<ProblemCode> problemCodeFromName(std::string_view name) {
    const auto found = std::find(kCodeNames.begin(), kCodeNames.end(), name);
    if (found == kCodeNames.end()) {
        return std::nullopt;
    }
    return kProblemCodes[static_cast<std::size_t>(found - kCodeNames.begin())];
}

bool isFileProblem(ProblemCode code) {
    return code == ProblemCode::StoppedLoad || code == ProblemCode::CountWord;
}

bool problemComesBefore(const Problem& a, const Problem& b) {
    // A missing position or field sorts first; the code's name breaks the remaining ties.
    auto key = [](const Problem& p) {
        return std::tuple(!isFileProblem(p.code), p.position.has_value(), p.position.value_or(0),
                          p.field.has_value(), p.field.value_or(0), problemCodeName(p.code));
    };
    return key(a) < key(b);
}

std::vector<Problem> fileProblems(std::int32_t countWord, std::int32_t recordCount,
                                  const std::optional<LoadStop>& stopped) {
    std::vector<Problem> out;
    if (countWord != recordCount) {
        out.push_back({ProblemCode::CountWord, std::nullopt, std::nullopt,
                       "the record-count word is " + formatInt(countWord) + " but " + formatInt(recordCount) +
                           (recordCount == 1 ? " record was read" : " records were read")});
    }
    if (stopped) {
        out.push_back({ProblemCode::StoppedLoad, stopped->position(), std::nullopt, stopped->message});
    }
    return out;
}

RecordChecker::RecordChecker(const ElementNameTables* names) : m_names(names) {
    if (!names) {
        return;
    }
    const auto& ids37 = names->list37().ids;
    const auto& ids54 = names->list54().ids;
    if (ids37.empty() && ids54.empty()) {
        return;
    }
    std::int64_t lowest = std::numeric_limits<std::int64_t>::max();
    std::int64_t highest = std::numeric_limits<std::int64_t>::min();
    for (const auto* ids : {&ids37, &ids54}) {
        for (const std::int32_t id : *ids) {
            lowest = std::min<std::int64_t>(lowest, id);
            highest = std::max<std::int64_t>(highest, id);
        }
    }
    if (highest - lowest >= kMaxDenseIdRange) {
        return; // IDs spread too far for a table of bits: the tables' own index answers
    }
    m_lowestId = lowest;
    m_knownBits.assign(static_cast<std::size_t>(highest - lowest) / kBitsPerWord + 1, 0);
    for (const auto* ids : {&ids37, &ids54}) {
        for (const std::int32_t id : *ids) {
            const auto bit = static_cast<std::size_t>(id - lowest);
            m_knownBits[bit / kBitsPerWord] |= std::uint64_t{1} << (bit % kBitsPerWord);
        }
    }
}

bool RecordChecker::isKnownCreature(std::int32_t id) const {
    if (m_knownBits.empty()) {
        return m_names->findCreatureName(id).has_value();
    }
    const std::int64_t bit = id - m_lowestId;
    if (bit < 0 || bit >= static_cast<std::int64_t>(m_knownBits.size() * kBitsPerWord)) {
        return false;
    }
    const auto b = static_cast<std::size_t>(bit);
    return (m_knownBits[b / kBitsPerWord] >> (b % kBitsPerWord) & 1U) != 0;
}

void RecordChecker::appendProblems(const SpawnRecord& record, std::int32_t position,
                                   std::vector<Problem>& out) const {
    const std::span<const std::uint8_t> bytes(record.bytes);
    if (bytes.size() < kAreaHeaderSize) {
        return;
    }
    const std::int32_t entryCount = readI32At(bytes, kEntryCountOffset);
    if (entryCount == 0) {
        out.push_back({ProblemCode::NoEntries, position, kEntryCountField,
                       "no creature entries: the area spawns nothing"});
    }
    appendPositionProblems(bytes, position, out);
    appendEntryProblems(
        bytes, position, entryCount, m_names != nullptr,
        [this](std::int32_t id) { return isKnownCreature(id); }, out);
}

Problem duplicateProblem(std::int32_t position, std::int32_t earlier) {
    return {ProblemCode::Duplicate, position, std::nullopt, "the same bytes as record " + formatInt(earlier)};
}

std::uint64_t recordBytesHash(std::span<const std::uint8_t> bytes) {
    // The library's string hash reads whole words at a time, many times faster than a byte loop.
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return std::hash<std::string_view>{}(text);
}

std::vector<Problem> lintSpawnFile(const SpawnFile& file, const ElementNameTables* names) {
    const SpawnRecordList& records = file.records;
    std::vector<Problem> out = fileProblems(file.context.recordCountWord(), records.count(), file.stopped);
    const RecordChecker checker(names);

    // The first record of each distinct bytes, in an open-addressed table of (hash, position):
    // records of equal hash sit in one run of slots, so a collision of different bytes keeps both.
    constexpr std::int32_t kFree = 0;
    struct Slot {
        std::uint64_t hash = 0;
        std::int32_t position = kFree;
    };
    std::size_t capacity = 16;
    while (capacity < 2 * static_cast<std::size_t>(records.count())) {
        capacity *= 2;
    }
    std::vector<Slot> firstOfBytes(capacity);
    std::int32_t position = 0;
    for (const SpawnRecord& record : records) {
        ++position;
        const std::uint64_t hash = recordBytesHash(record.bytes);
        std::size_t i = hash & (capacity - 1);
        std::optional<std::int32_t> earlier;
        for (; firstOfBytes[i].position != kFree; i = (i + 1) & (capacity - 1)) {
            if (firstOfBytes[i].hash == hash && records.at(firstOfBytes[i].position).bytes == record.bytes) {
                earlier = firstOfBytes[i].position;
                break;
            }
        }
        if (earlier) {
            out.push_back(duplicateProblem(position, *earlier));
        } else {
            firstOfBytes[i] = {hash, position};
        }
        checker.appendProblems(record, position, out);
    }
    return out;
}

} // namespace spawn
