#pragma once

// What every spawn-tool command shares: its output type and the JSON it prints.

#include "CoordinateConversion.h"
#include "SpawnFile.h"
#include "SpawnTool.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

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

// Integer options are decimal whatever their spelling: CLI11 on its own reads "017" as octal and
// "0x10" as hex, so a script that pads numbers with zeros would get another record. Leading zeros
// are dropped here; anything but an optional minus and digits is refused, naming the option.
inline CLI::Validator decimalInteger() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::size_t sign = !text.empty() && text.front() == '-' ? 1 : 0;
            const std::string_view digits = std::string_view(text).substr(sign);
            if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
                return "\"" + text + "\" is not a decimal integer";
            }
            const std::size_t firstSignificant = std::min(digits.find_first_not_of('0'), digits.size() - 1);
            text = text.substr(0, sign) + std::string(digits.substr(firstSignificant));
            return {};
        },
        "DECIMAL");
}

// --no-backup, for every command that writes over a file given with -o.
inline void addNoBackupFlag(CLI::App* command, bool& noBackup) {
    command->add_flag("--no-backup", noBackup,
                      "write over an existing -o file without copying it to <file>.bak first (without this "
                      "flag a backup that fails writes nothing)");
}

// How a command writes over its -o file: with the backup required, or with none at all.
inline OverwriteOptions overwriteOptions(bool noBackup) {
    OverwriteOptions options;
    options.backup = noBackup ? BackupPolicy::None : BackupPolicy::Required;
    return options;
}

// A stopped load as every command names it: the 1-based position of the record that could not be
// read and the loader's message; null for a file read whole.
inline Json loadStopJson(const std::optional<LoadStop>& stop) {
    return stop ? Json{{"position", stop->position()}, {"message", stop->message}} : Json(nullptr);
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
void addLintCommands(CLI::App& app, Action& action);
void addDiffCommand(CLI::App& app, Action& action);
void addMergeCommand(CLI::App& app, Action& action);
void addBulkCommands(CLI::App& app, Action& action);

} // namespace spawn::tool
