// spawn-tool export and import: a spawn file as a JSON document and back.

#include "ElementCommands.h"
#include "FileIo.h"
#include "SpawnFile.h"
#include "SpawnJson.h"
#include "ToolCommon.h"

#include <memory>

namespace spawn::tool {

namespace {

ToolOutput exportCommand(const std::string& file, const std::string& elementsPath,
                         const std::string& outPath) {
    ElementNameTables names;
    if (!elementsPath.empty()) {
        auto loaded = loadNameTablesForTool(elementsPath);
        if (!loaded) {
            return failure(loaded.error().message);
        }
        names = std::move(loaded).value();
    }
    const auto loaded = loadSpawnFile(file, names);
    if (!loaded) {
        return failure(loaded.error().message);
    }
    std::string document = exportSpawnJson(loaded.value(), !elementsPath.empty());
    if (outPath.empty()) {
        return {kExitOk, std::move(document), {}};
    }
    const auto* begin = reinterpret_cast<const std::uint8_t*>(document.data());
    const auto written = writeFileAtomically(outPath, std::span(begin, document.size()));
    if (!written) {
        return failure(written.error().message);
    }
    Json out;
    out["file"] = outPath;
    out["records"] = loaded.value().records.count();
    out["bytes"] = document.size();
    return printJson(out);
}

ToolOutput importCommand(const std::string& jsonPath, const std::string& outPath) {
    const auto text = readWholeFile(jsonPath);
    if (!text) {
        return failure(text.error().message);
    }
    const auto imported = importSpawnJson(text.value());
    if (!imported) {
        return failure(jsonPath + ": " + imported.error().message);
    }
    const SpawnFile& file = imported.value();
    const auto written = writeSpawnFile(outPath, file.context, file.records);
    if (!written) {
        return failure(written.error().message);
    }
    Json out;
    out["file"] = outPath;
    out["records"] = file.records.count();
    out["bytes"] = SpawnLayout::kPrefixSize + file.records.byteSize() + file.context.remainder.size();
    return printJson(out);
}

} // namespace

void addJsonCommands(CLI::App& app, Action& action) {
    struct Options {
        std::string file;
        std::string elements;
        std::string out;
    };
    const auto options = std::make_shared<Options>();

    auto* exportCmd = app.add_subcommand("export", "Write a spawn file as one JSON document");
    exportCmd->add_option("FILE", options->file, "spawn file")->required();
    exportCmd->add_option("--elements", options->elements, "element database that gives the creature names");
    exportCmd->add_option("-o", options->out, "file to write the document to (default: standard output)");
    exportCmd->callback([&action, options] {
        action = [options] { return exportCommand(options->file, options->elements, options->out); };
    });

    auto* importCmd = app.add_subcommand("import", "Write the spawn file a JSON document describes");
    importCmd->add_option("JSON", options->file, "JSON document written by export")->required();
    importCmd->add_option("-o", options->out, "spawn file to write")->required();
    importCmd->callback(
        [&action, options] { action = [options] { return importCommand(options->file, options->out); }; });
}

} // namespace spawn::tool
