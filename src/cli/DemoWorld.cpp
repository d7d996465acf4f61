#include "DemoWorld.h"

#include "ByteReader.h"
#include "DemoDice.h"
#include "DemoElements.h"
#include "ElementDatabase.h"
#include "FilePath.h"
#include "FileIo.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <numbers>

namespace spawn::demo {

using namespace SpawnLayout;

namespace {

void appendF32(std::vector<std::uint8_t>& out, float value) {
    appendI32Le(out, std::bit_cast<std::int32_t>(value));
}

void appendI8(std::vector<std::uint8_t>& out, std::int32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
}

// Mostly 1 to 5 entries, some empty areas, a thin tail up to the maximum.
std::int32_t drawEntryCount(Dice& dice) {
    const double p = dice.unit();
    if (p < 0.04) {
        return 0;
    }
    if (p < 0.86) {
        return dice.between(1, 5);
    }
    if (p < 0.97) {
        return dice.between(6, 20);
    }
    return dice.between(21, kMaxEntryCount);
}

struct Settlement {
    double x;
    double z;
    double radius;
};

void appendArea(std::vector<std::uint8_t>& out, Dice& dice, std::int32_t index, std::int32_t entryCount,
                double x, double z, const std::vector<std::int32_t>& ids) {
    appendI32Le(out, 1000 + index);                                 // Block
    appendI32Le(out, entryCount);                                   // entry count
    appendF32(out, static_cast<float>(x));                          // X
    appendF32(out, static_cast<float>(dice.between(180.0, 900.0))); // Y (height)
    appendF32(out, static_cast<float>(z));                          // Z
    const double heading = dice.between(0.0, 2.0 * std::numbers::pi);
    appendF32(out, static_cast<float>(std::cos(heading))); // rotation X
    appendI32Le(out, 0);
    appendF32(out, static_cast<float>(std::sin(heading))); // rotation Y
    for (int axis = 0; axis < 3; ++axis) {
        appendF32(out, static_cast<float>(dice.between(0.0, 40.0))); // movement range
    }
    appendI32Le(out, dice.chance(0.3) ? 1 : 0); // active attack
    appendI32Le(out, dice.between(0, 3));
    appendI8(out, dice.between(0, 2));
    appendI8(out, 0);
    appendI8(out, dice.chance(0.8) ? 0 : 1); // disappear after death
    appendI32Le(out, 0);
    appendI32Le(out, dice.chance(0.1) ? dice.between(1, 400) : 0); // event activation ID
    appendI32Le(out, 0);
    appendI32Le(out, dice.between(0, 1));

    for (std::int32_t e = 0; e < entryCount; ++e) {
        const auto pick =
            static_cast<std::size_t>(dice.between(0, static_cast<std::int32_t>(ids.size()) - 1));
        std::array<std::int32_t, kEntryFieldCount> values = kDefaultEntryValues;
        values[0] = ids[pick];
        values[1] = dice.between(1, 12);
        values[2] = dice.between(3, 300) * 10;
        values[3] = dice.chance(0.2) ? dice.between(1, 5) : 0;
        for (std::size_t f = 0; f < kEntryFieldCount; ++f) {
            if (kEntryFieldTypes[f] == kByteField) {
                appendI8(out, values[f]);
            } else {
                appendI32Le(out, values[f]);
            }
        }
    }
}

std::vector<std::int32_t> builtInCreatureIds() {
    std::vector<std::int32_t> ids;
    for (std::int32_t id = 2000; id < 5000; ++id) {
        ids.push_back(id);
    }
    return ids;
}

} // namespace

std::vector<std::uint8_t> generateDemoSpawnFile(const DemoSpawnOptions& options) {
    Dice dice(options.seed);
    const std::vector<std::int32_t> ids =
        options.creatureIds.empty() ? builtInCreatureIds() : options.creatureIds;

    std::vector<std::uint8_t> out;
    out.reserve(kPrefixSize +
                static_cast<std::size_t>(options.areaCount) * (kAreaHeaderSize + 4 * kCreatureEntrySize));
    out.insert(out.end(), {0x53, 0x50, 0x01, 0x00}); // leading block
    appendI32Le(out, options.areaCount);             // record-count word
    appendI32Le(out, 3);
    appendI32Le(out, 0x00C0FFEE);
    appendI32Le(out, 0);

    // Most areas gather around settlements; the rest are scattered over the whole map.
    constexpr std::int32_t kSettlementCount = 60;
    std::vector<Settlement> settlements;
    settlements.reserve(kSettlementCount);
    for (std::int32_t s = 0; s < kSettlementCount; ++s) {
        settlements.push_back(
            {dice.between(-3700.0, 3700.0), dice.between(-5200.0, 5200.0), dice.between(80.0, 420.0)});
    }
    for (std::int32_t i = 0; i < options.areaCount; ++i) {
        double x = 0;
        double z = 0;
        if (dice.chance(0.7)) {
            const Settlement& s =
                settlements[static_cast<std::size_t>(dice.between(0, kSettlementCount - 1))];
            const double angle = dice.between(0.0, 2.0 * std::numbers::pi);
            const double distance = s.radius * std::sqrt(dice.unit());
            x = std::clamp(s.x + distance * std::cos(angle), -4000.0, 4000.0);
            z = std::clamp(s.z + distance * std::sin(angle), -5500.0, 5500.0);
        } else {
            x = dice.between(-4000.0, 4000.0);
            z = dice.between(-5500.0, 5500.0);
        }
        x = std::round(x * 4.0) / 4.0; // positions on a quarter-unit grid read cleanly in the form
        z = std::round(z * 4.0) / 4.0;
        const std::int32_t k = i == 0 ? kMaxEntryCount : drawEntryCount(dice);
        appendArea(out, dice, i, k, x, z, ids);
    }

    // The file's later sections are carried through unread; any bytes will do.
    const std::string tail = "SECTION:patrols;";
    for (int i = 0; i < 512; ++i) {
        out.insert(out.end(), tail.begin(), tail.end());
        appendI32Le(out, dice.between(-100000, 100000));
    }
    return out;
}

std::vector<std::int32_t> demoSpawnCreatureIds(const DemoElements& elements) {
    std::vector<std::int32_t> ids = elements.creatureIds;
    ids.insert(ids.end(), elements.npcIds.begin(), elements.npcIds.end());
    // A few IDs that neither list holds, so that some records keep "没有找到！".
    ids.insert(ids.end(), {1, 77, 404, 1999, 19999, 99999, 123456, 7000000});
    return ids;
}

Status writeDemoWorld(const std::string& folder, std::int32_t areaCount, bool overwrite) {
    const std::string elementsPath = utf8Of(filePath(folder) / kElementsFileName);
    const std::string spawnPath = utf8Of(filePath(folder) / kDefaultFileName);
    std::error_code ec;
    if (!overwrite) {
        for (const auto& path : {spawnPath, elementsPath}) {
            if (std::filesystem::exists(std::filesystem::symlink_status(filePath(path), ec))) {
                return Error{"文件已存在：" + path + " (--force overwrites it)"};
            }
        }
    }
    std::filesystem::create_directories(filePath(folder), ec);
    if (ec) {
        return Error{"无法创建文件夹：" + folder + " (" + ec.message() + ")"};
    }
    const DemoElements elements = generateDemoElements({});
    auto written = writeFileAtomically(elementsPath, elements.bytes);
    if (!written) {
        return written;
    }
    DemoSpawnOptions spawnOptions;
    spawnOptions.areaCount = areaCount;
    spawnOptions.creatureIds = demoSpawnCreatureIds(elements);
    return writeFileAtomically(spawnPath, generateDemoSpawnFile(spawnOptions));
}

} // namespace spawn::demo
