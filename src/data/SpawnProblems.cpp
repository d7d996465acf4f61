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
#include <tuple>
#include <unordered_map>

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

void appendEntryProblems(std::span<const std::uint8_t> bytes, std::int32_t position, std::int32_t entryCount,
                         const ElementNameTables* names, std::vector<Problem>& out) {
    for (std::int32_t e = 1; e <= entryCount; ++e) {
        const std::size_t at = kAreaHeaderSize + kCreatureEntrySize * static_cast<std::size_t>(e - 1);
        if (at + kCreatureEntrySize > bytes.size()) {
            return;
        }
        const std::int32_t id = readI32At(bytes, at + kCreatureIdOffset);
        if (names != nullptr && !names->findCreatureName(id)) {
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
                           " records were read"});
    }
    if (stopped) {
        out.push_back({ProblemCode::StoppedLoad, stopped->record + 1, std::nullopt, stopped->message});
    }
    return out;
}

void appendRecordProblems(const SpawnRecord& record, std::int32_t position, const ElementNameTables* names,
                          std::vector<Problem>& out) {
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
    appendEntryProblems(bytes, position, entryCount, names, out);
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
    // The first record of each distinct bytes, by hash; a collision keeps both.
    std::unordered_map<std::uint64_t, std::vector<std::int32_t>> firstOfBytes;
    firstOfBytes.reserve(static_cast<std::size_t>(records.count()));
    std::int32_t position = 0;
    for (const SpawnRecord& record : records) {
        ++position;
        std::vector<std::int32_t>& same = firstOfBytes[recordBytesHash(record.bytes)];
        const auto earlier = std::find_if(
            same.begin(), same.end(), [&](std::int32_t p) { return records.at(p).bytes == record.bytes; });
        if (earlier != same.end()) {
            out.push_back(duplicateProblem(position, *earlier));
        } else {
            same.push_back(position);
        }
        appendRecordProblems(record, position, names, out);
    }
    return out;
}

} // namespace spawn
