#include "SpawnTool.h"

#include "DemoWorld.h"
#include "FileIo.h"
#include "SpawnFile.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <functional>
#include <sstream>

namespace spawn::tool {

namespace {

using Json = nlohmann::ordered_json;

std::string dumpLine(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

ToolOutput failure(const std::string& message) { return {kExitFailure, {}, message + "\n"}; }

ToolOutput printJson(const Json& json, int exitCode = kExitOk) { return {exitCode, dumpLine(json), {}}; }

Json rowsOf(const SpawnRecordList& records) {
    Json rows = Json::array();
    std::int32_t num = 1;
    for (const auto& r : records) {
        rows.push_back(Json{{"num", num++}, {"id", r.creatureId}, {"entries", r.entryCount}, {"name", r.displayName}});
    }
    return rows;
}

ToolOutput listCommand(const std::string& file, const ElementNameTables& names) {
    auto loaded = loadSpawnFile(file, names);
    if (!loaded) {
        return failure(loaded.error().message);
    }
    const SpawnFile& f = loaded.value();
    Json out;
    out["count_word"] = f.context.recordCountWord();
    out["rows"] = rowsOf(f.records);
    out["stopped"] = f.stopped ? Json{{"record", f.stopped->record}, {"message", f.stopped->message}} : Json(nullptr);
    out["remainder_bytes"] = f.context.remainder.size();
    return printJson(out);
}

ToolOutput checkCommand(const std::string& file) {
    auto bytes = readWholeFile(file);
    if (!bytes) {
        return failure(bytes.error().message);
    }
    auto parsed = parseSpawnFile(bytes.value(), ElementNameTables{}, file);
    if (!parsed) {
        return failure(parsed.error().message);
    }
    const bool identical = serializeSpawnFile(parsed.value().context, parsed.value().records) == bytes.value();
    Json out;
    out["records"] = parsed.value().records.count();
    out["identical"] = identical;
    return printJson(out, identical ? kExitOk : kExitFailure);
}

ToolOutput demoCommand(const std::string& folder) {
    const auto written = demo::writeDemoWorld(folder);
    if (!written) {
        return failure(written.error().message);
    }
    Json out;
    out["folder"] = folder;
    out["spawn_file"] = std::string(SpawnLayout::kDefaultFileName);
    return printJson(out);
}

} // namespace

ToolOutput runSpawnTool(const std::vector<std::string>& args) {
    CLI::App app{"spawn-tool: reads, checks and generates spawn files; prints one JSON object"};
    app.require_subcommand(1);

    std::function<ToolOutput()> action;

    std::string listFile;
    auto* list = app.add_subcommand("list", "List every record of a spawn file");
    list->add_option("FILE", listFile, "spawn file")->required();
    list->callback([&] { action = [&] { return listCommand(listFile, ElementNameTables{}); }; });

    std::string checkFile;
    auto* check = app.add_subcommand("check", "Load, write back in memory and compare with the file");
    check->add_option("FILE", checkFile, "spawn file")->required();
    check->callback([&] { action = [&] { return checkCommand(checkFile); }; });

    std::string demoFolder;
    auto* demo = app.add_subcommand("demo", "Write the demo world into a folder");
    demo->add_option("DIR", demoFolder, "folder")->required();
    demo->callback([&] { action = [&] { return demoCommand(demoFolder); }; });

    // CLI11 wants the arguments in reverse order, without the program name.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return {kExitOk, app.help(), {}};
    } catch (const CLI::CallForAllHelp&) {
        return {kExitOk, app.help("", CLI::AppFormatMode::All), {}};
    } catch (const CLI::ParseError& e) {
        std::ostringstream err;
        err << e.what() << "\n" << "Run with --help for more information.\n";
        return {kExitUsage, {}, err.str()};
    }
    return action ? action() : ToolOutput{kExitUsage, {}, "no command\n"};
}

} // namespace spawn::tool
