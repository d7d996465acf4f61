#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace spawn::demo {

struct DemoElementsOptions {
    std::int32_t creatureCount = 3000; // records of list 37
    std::int32_t npcCount = 800;       // records of list 54
    // "facedata" is placed where the reader measures this fingerprint; 1912010 names a build.
    std::int32_t fingerprint = 1912010;
    std::uint32_t seed = 20261208;
};

struct DemoElements {
    std::vector<std::uint8_t> bytes;
    std::vector<std::int32_t> creatureIds; // list 37 in file order
    std::vector<std::int32_t> npcIds;      // list 54 in file order
};

// A synthetic, deterministic element database in the default layout (a 4-byte header): lists 0 to
// 54 with their record sizes, invented Chinese and English names in lists 37 and 54, later
// sections of filler (with a "facedata" inside the first million bytes that the reader must not
// see) and "facedata" where it gives `fingerprint`.
// Preconditions: both counts in 0..5000, fingerprint >= 999928.
DemoElements generateDemoElements(const DemoElementsOptions& options);

// The offset after list 54 in the database generateDemoElements makes with these options.
std::size_t demoEndOfLists(const DemoElementsOptions& options);

// Options for a database of exactly `totalSize` bytes with a full list 37, most of it later
// sections that the fingerprint search passes through. Precondition: totalSize is at least
// about 9 MB and below 2 GB.
DemoElementsOptions largeDemoElementsOptions(std::size_t totalSize);

} // namespace spawn::demo
