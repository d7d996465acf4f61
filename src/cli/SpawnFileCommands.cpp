// spawn-tool list, check and demo.

#include "DemoWorld.h"
#include "ElementCommands.h"
#include "ElementDatabase.h"
#include "FileIo.h"
#include "SpawnFile.h"
#include "ToolCommon.h"

#include <memory>

namespace spawn::tool {

namespace {

Json rowsOf(const SpawnRecordList& records) {
    Json rows = Json::array();
    std::int32_t num = 1;
    for (const auto& r : records) {
        rows.push_back(
            Json{{"num", num++}, {"id", r.creatureId}, {"entries", r.entryCount}, {"name", r.displayName}});
    }
    return rows;
}

ToolOutput listCommand(const std::string& file, const std::string& elementsPath) {
    auto loaded = loadSpawnFileForTool(file, elementsPath);
    if (!loaded) {
        return failure(loaded.error().message);
    }
    const SpawnFile& f = loaded.value();
    Json out;
    out["count_word"] = f.context.recordCountWord();
    out["rows"] = rowsOf(f.records);
    out["stopped"] = loadStopJson(f.stopped);
    out["remainder_bytes"] = f.context.remainder.size();
    return printJson(out);
}

// Passes only a file that loads whole and writes back byte for byte. A load that stopped early
// writes back identically too (the unread part is carried as the remainder), so it fails on its
// own account.
ToolOutput checkCommand(const std::string& file) {
    auto bytes = readWholeFile(file);
    if (!bytes) {
        return failure(bytes.error().message);
    }
    auto parsed = parseSpawnFile(bytes.value(), ElementNameTables{}, file);
    if (!parsed) {
        return failure(parsed.error().message);
    }
    const SpawnFile& f = parsed.value();
    const bool identical = serializeSpawnFile(f.context, f.records) == bytes.value();
    Json out;
    out["records"] = f.records.count();
    out["identical"] = identical;
    out["stopped"] = loadStopJson(f.stopped);
    return printJson(out, identical && !f.stopped ? kExitOk : kExitFailure);
}

ToolOutput demoCommand(const std::string& folder, std::int32_t areaCount, bool force) {
    const auto written = demo::writeDemoWorld(folder, areaCount, force);
    if (!written) {
        return failure(written.error().message);
    }
    Json out;
    out["folder"] = folder;
    out["spawn_file"] = std::string(SpawnLayout::kDefaultFileName);
    out["elements_file"] = std::string(kElementsFileName);
    return printJson(out);
}

} // namespace

void addSpawnFileCommands(CLI::App& app, Action& action) {
    struct Options {
        std::string file;
        std::string elements;
        std::string folder;
        std::int32_t areas = demo::DemoSpawnOptions{}.areaCount;
        bool force = false;
    };
    const auto options = std::make_shared<Options>();

    auto* list = app.add_subcommand("list", "List every record of a spawn file");
    list->add_option("FILE", options->file, "spawn file")->required();
    list->add_option("--elements", options->elements, "element database that gives the creature names");
    list->callback(
        [&action, options] { action = [options] { return listCommand(options->file, options->elements); }; });

    auto* check = app.add_subcommand(
        "check",
        "Load, write back in memory and compare with the file; exit 0 only when whole and identical");
    check->add_option("FILE", options->file, "spawn file")->required();
    check->callback([&action, options] { action = [options] { return checkCommand(options->file); }; });

    auto* demo = app.add_subcommand("demo", "Write the demo world into a folder");
    demo->add_option("DIR", options->folder, "folder")->required();
    demo->add_option("--areas", options->areas, "number of spawn areas")
        ->transform(decimalInteger())
        ->check(CLI::Range(0, 1000000));
    demo->add_flag("--force", options->force, "overwrite mobset.data and elements.data when they exist");
    demo->callback([&action, options] {
        action = [options] { return demoCommand(options->folder, options->areas, options->force); };
    });
}

} // namespace spawn::tool
