#include "SpawnTool.h"

#include "SpawnVersion.h"
#include "ToolCommon.h"

#include <cerrno>
#include <cstring>
#include <sstream>

namespace spawn::tool {

ToolOutput runSpawnTool(const std::vector<std::string>& args) {
    CLI::App app{"spawn-tool: reads, checks and generates spawn files; prints one JSON object", "spawn-tool"};
    app.require_subcommand(1);
    // "spawn-tool 1.4.0": the form help2man reads when it makes the manual page.
    app.set_version_flag("--version", std::string("spawn-tool ") + kProgramVersion);

    Action action;
    addSpawnFileCommands(app, action);
    addElementCommands(app, action);
    addCoordinateCommands(app, action);
    addRecordCommands(app, action);
    addJsonCommands(app, action);
    addBulkCommands(app, action);
    addClientCommands(app, action);
    addLintCommands(app, action);
    addDiffCommand(app, action);
    addMergeCommand(app, action);
    // After the commands, which would otherwise each take it over.
    app.set_help_all_flag("--help-all", "Print the help of every command and exit");

    // CLI11 takes the arguments in reverse order, without the program name.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return {kExitOk, app.help(), {}};
    } catch (const CLI::CallForAllHelp&) {
        return {kExitOk, app.help("", CLI::AppFormatMode::All), {}};
    } catch (const CLI::CallForVersion& e) {
        return {kExitOk, std::string(e.what()) + "\n", {}};
    } catch (const CLI::ParseError& e) {
        std::ostringstream err;
        err << e.what() << "\nRun with --help for more information.\n";
        return {kExitUsage, {}, err.str()};
    }
    return action ? action() : ToolOutput{kExitUsage, {}, "no command\n"};
}

namespace {

// 0 or the errno of the first write or flush that failed.
int writeAll(std::FILE* stream, const std::string& text) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() || std::fflush(stream) != 0) {
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

} // namespace

int printToolOutput(const ToolOutput& output, std::FILE* out, std::FILE* err) {
    const int outError = writeAll(out, output.out);
    // Nothing can be done about standard error failing too.
    static_cast<void>(writeAll(err, output.err));
    if (outError == 0) {
        return output.exitCode;
    }
    const std::string message = std::string("无法写入：standard output (") + std::strerror(outError) + ")\n";
    static_cast<void>(writeAll(err, message));
    return output.exitCode != kExitOk ? output.exitCode : kExitFailure;
}

} // namespace spawn::tool
