#pragma once

// A small spawn file with one problem of every kind, and the database that names its creatures.

#include "ElementBytes.h"
#include "SpawnBytes.h"

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

namespace spawn::testing {

struct EntryValues {
    std::int32_t id = 16;
    std::int32_t total = 1;
    std::int32_t respawn = 2000;
};

// An area at (x, y, z) with these entries; every other byte 0.
inline std::vector<std::uint8_t> areaBytes(const std::vector<EntryValues>& entries, float x = 0, float y = 0,
                                           float z = 0) {
    using namespace SpawnLayout;
    const auto count = static_cast<std::int32_t>(entries.size());
    std::vector<std::uint8_t> bytes(recordSize(count), 0);
    writeI32At(bytes, kEntryCountOffset, count);
    writeI32At(bytes, kPositionXOffset, std::bit_cast<std::int32_t>(x));
    writeI32At(bytes, kPositionYOffset, std::bit_cast<std::int32_t>(y));
    writeI32At(bytes, kPositionZOffset, std::bit_cast<std::int32_t>(z));
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const std::size_t at = kAreaHeaderSize + e * kCreatureEntrySize;
        writeI32At(bytes, at, entries[e].id);
        writeI32At(bytes, at + 4, entries[e].total);
        writeI32At(bytes, at + 8, entries[e].respawn);
    }
    return bytes;
}

// Six records read, then a seventh whose entry count (101) stops the load; the count word says 9.
//  1  clean, creature 16
//  2  no entries, on the map's right and bottom edges (column 800, row 0)
//  3  X infinite, Y NaN (Z off the map, but an infinite X has no map point)
//  4  X off the map (column 801); entry 1: unknown creature 99, Total 0, TimeResp -1;
//     entry 2: creature 321, TimeResp -20
//  5, 6  the same bytes as record 1
inline std::vector<std::uint8_t> problemFileBytes() {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    const auto clean = areaBytes({{16, 1, 2000}});
    auto stopper = areaBytes({});
    writeI32At(stopper, SpawnLayout::kEntryCountOffset, 101);
    return fileBytes(9,
                     {clean, areaBytes({}, 4000.0f, 0, -5500.0f),
                      areaBytes({{321, 3, 0}}, kInf, kNaN, 5510.0f),
                      areaBytes({{99, 0, -1}, {321, 5, -20}}, 4010.0f, 0, 0), clean, clean},
                     stopper);
}

// A file without problems: the count word matches and each area spawns named creatures on the map.
inline std::vector<std::uint8_t> cleanFileBytes() {
    return fileBytes(
        2, {areaBytes({{16, 1, 2000}}, -4000.0f, 0, 5500.0f), areaBytes({{321, 2, 0}, {16, 1, 1}})});
}

// The database naming creatures 16 and 321.
inline std::vector<std::uint8_t> problemDatabaseBytes() {
    ElementBytes db;
    db.creatures = {{16, utf16(u"Marsh Heron")}};
    db.npcs = {{321, utf16(u"Ferryman")}};
    return db.build();
}

} // namespace spawn::testing
