#include "SpawnTool.h"

#include "ToolCommon.h"

#include <sstream>

namespace spawn::tool {

ToolOutput runSpawnTool(const std::vector<std::string>& args) {
    CLI::App app{"spawn-tool: reads, checks and generates spawn files; prints one JSON object"};
    app.require_subcommand(1);

    Action action;
    addSpawnFileCommands(app, action);
    addElementCommands(app, action);
    addCoordinateCommands(app, action);
    addRecordCommands(app, action);
    addJsonCommands(app, action);
    addBulkCommands(app, action);
    addClientCommands(app, action);

    // CLI11 takes the arguments in reverse order, without the program name.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return {kExitOk, app.help(), {}};
    } catch (const CLI::CallForAllHelp&) {
        return {kExitOk, app.help("", CLI::AppFormatMode::All), {}};
    } catch (const CLI::ParseError& e) {
        std::ostringstream err;
        err << e.what() << "\nRun with --help for more information.\n";
        return {kExitUsage, {}, err.str()};
    }
    return action ? action() : ToolOutput{kExitUsage, {}, "no command\n"};
}

} // namespace spawn::tool
