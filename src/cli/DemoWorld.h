#pragma once

#include "Result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace spawn::demo {

struct DemoSpawnOptions {
    std::int32_t areaCount = 2400;
    std::uint32_t seed = 20261208;
    // Creature IDs the entries draw from; empty means a built-in range.
    std::vector<std::int32_t> creatureIds;
};

// A synthetic, deterministic spawn file: areas spread over the whole map, entry counts from 0 to
// 100 (most 1 to 5), and a non-empty remainder after the records.
std::vector<std::uint8_t> generateDemoSpawnFile(const DemoSpawnOptions& options);

struct DemoElements;

// The creature IDs the demo spawn file draws from: every ID of lists 37 and 54 and a few that
// neither list holds.
std::vector<std::int32_t> demoSpawnCreatureIds(const DemoElements& elements);

// Writes the demo world's files, elements.data and mobset.data, into `folder` (created when
// missing). Unless `overwrite` is set, writes nothing and fails naming the file when either file
// (or a link of that name) is there already: it may be a real world.
Status writeDemoWorld(const std::string& folder, std::int32_t areaCount = DemoSpawnOptions{}.areaCount,
                      bool overwrite = false);

} // namespace spawn::demo
