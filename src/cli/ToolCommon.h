#pragma once

// What every spawn-tool command shares: its output type and the JSON it prints.

#include "CoordinateConversion.h"
#include "SpawnTool.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace spawn::tool {

using Json = nlohmann::ordered_json;

// The command chosen on the command line, run once parsing has succeeded.
using Action = std::function<ToolOutput()>;

inline std::string dumpLine(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

inline ToolOutput failure(const std::string& message) {
    return {kExitFailure, {}, message + "\n"};
}

inline ToolOutput printJson(const Json& json, int exitCode = kExitOk) {
    return {exitCode, dumpLine(json), {}};
}

// The coordinates object: the six boxes' texts and the marker (column, row from the top).
Json coordinatesJson(const CoordinateState& state);

// Command groups, each in a file of its own. Each adds its subcommands to `app`; a subcommand's
// callback sets `action`. Option values live in state that the callbacks own.
void addSpawnFileCommands(CLI::App& app, Action& action);
void addElementCommands(CLI::App& app, Action& action);
void addCoordinateCommands(CLI::App& app, Action& action);
void addClientCommands(CLI::App& app, Action& action);
void addRecordCommands(CLI::App& app, Action& action);
void addJsonCommands(CLI::App& app, Action& action);
void addBulkCommands(CLI::App& app, Action& action);

} // namespace spawn::tool
