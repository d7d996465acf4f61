#pragma once

// Builds small spawn files byte by byte for the tests.

#include "ByteReader.h"
#include "SpawnLayout.h"

#include <cstdint>
#include <vector>

namespace spawn::testing {

// A record of `entryCount` entries: header bytes count up from `seed`, then each entry's creature
// ID is `firstId + e` and its other bytes count up too.
inline std::vector<std::uint8_t> recordBytes(std::int32_t entryCount, std::int32_t firstId = 500,
                                             std::uint8_t seed = 1) {
    using namespace SpawnLayout;
    std::vector<std::uint8_t> bytes(recordSize(entryCount < 0 ? 0 : entryCount));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i);
    }
    writeI32At(bytes, kEntryCountOffset, entryCount);
    for (std::int32_t e = 0; e < entryCount; ++e) {
        writeI32At(bytes, kAreaHeaderSize + static_cast<std::size_t>(e) * kCreatureEntrySize, firstId + e);
    }
    return bytes;
}

// A whole file: leading block, the count word, three other words, the records, the remainder.
inline std::vector<std::uint8_t> fileBytes(std::int32_t countWord,
                                           const std::vector<std::vector<std::uint8_t>>& records,
                                           const std::vector<std::uint8_t>& remainder = {}) {
    std::vector<std::uint8_t> out = {0xDE, 0xAD, 0xBE, 0xEF};
    appendI32Le(out, countWord);
    appendI32Le(out, -7);
    appendI32Le(out, 0x01020304);
    appendI32Le(out, 99);
    for (const auto& r : records) {
        out.insert(out.end(), r.begin(), r.end());
    }
    out.insert(out.end(), remainder.begin(), remainder.end());
    return out;
}

} // namespace spawn::testing
