// spawn-tool lint: the checks of the Problems window, for deploy scripts.

#include "ElementCommands.h"
#include "FileIo.h"
#include "SpawnFile.h"
#include "SpawnProblems.h"
#include "ToolCommon.h"

#include <algorithm>
#include <array>
#include <memory>

namespace spawn::tool {

namespace {

// A file that cannot be read is told apart from one with problems by its own exit status.
ToolOutput unreadable(const std::string& message) {
    return {kExitUsage, {}, message + "\n"};
}

Json optionalJson(const auto& value) {
    return value ? Json(*value) : Json(nullptr);
}

ToolOutput lintCommand(const std::string& file, const std::string& elementsPath,
                       const std::vector<std::string>& ignored) {
    std::optional<ElementNameTables> names;
    if (!elementsPath.empty()) {
        auto loaded = loadNameTablesForTool(elementsPath);
        if (!loaded) {
            return unreadable(loaded.error().message);
        }
        names = std::move(loaded).value();
    }
    const auto bytes = readWholeFile(file);
    if (!bytes) {
        return unreadable(bytes.error().message);
    }
    // The records' display names play no part in the checks; the database is asked directly.
    const auto parsed = parseSpawnFile(bytes.value(), ElementNameTables{}, file);
    if (!parsed) {
        return unreadable(parsed.error().message);
    }

    std::array<bool, kProblemCodes.size()> skip{};
    for (const std::string& name : ignored) {
        if (const auto code = problemCodeFromName(name)) {
            skip[static_cast<std::size_t>(*code)] = true;
        }
    }
    std::array<std::int64_t, kProblemCodes.size()> counts{};
    Json problems = Json::array();
    for (const Problem& p : lintSpawnFile(parsed.value(), names ? &*names : nullptr)) {
        const auto index = static_cast<std::size_t>(p.code);
        if (skip[index]) {
            continue;
        }
        ++counts[index];
        problems.push_back(Json{{"position", optionalJson(p.position)},
                                {"field", optionalJson(p.field)},
                                {"code", problemCodeName(p.code)},
                                {"text", p.text}});
    }
    Json countsJson = Json::object();
    for (const ProblemCode code : kProblemCodes) {
        if (const std::int64_t n = counts[static_cast<std::size_t>(code)]; n > 0) {
            countsJson[std::string(problemCodeName(code))] = n;
        }
    }
    const bool clean = problems.empty();
    Json out;
    out["problems"] = std::move(problems);
    out["counts"] = std::move(countsJson);
    return printJson(out, clean ? kExitOk : kExitFailure);
}

} // namespace

void addLintCommands(CLI::App& app, Action& action) {
    struct Options {
        std::string file;
        std::string elements;
        std::vector<std::string> ignored;
    };
    const auto options = std::make_shared<Options>();
    std::vector<std::string> codeNames;
    for (const ProblemCode code : kProblemCodes) {
        codeNames.emplace_back(problemCodeName(code));
    }

    auto* lint = app.add_subcommand(
        "lint", "List the areas that will misbehave on the server; exit 0 when none is left after --ignore, "
                "1 when some are, 2 when a file cannot be read");
    lint->add_option("FILE", options->file, "spawn file")->required();
    lint->add_option("--elements", options->elements,
                     "element database: creature IDs it does not name are problems");
    lint->add_option("--ignore", options->ignored, "a problem code to leave out (may be repeated)")
        ->check(CLI::IsMember(codeNames))
        ->allow_extra_args(false)
        ->take_all();
    lint->callback([&action, options] {
        action = [options] { return lintCommand(options->file, options->elements, options->ignored); };
    });
}

} // namespace spawn::tool
