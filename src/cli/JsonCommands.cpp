// spawn-tool export, import and append: a spawn file as a JSON document and back, and records
// carried from one file into another.

#include "ElementCommands.h"
#include "FileIo.h"
#include "NumberText.h"
#include "SpawnFile.h"
#include "SpawnJson.h"
#include "ToolCommon.h"

#include <memory>
#include <vector>

namespace spawn::tool {

namespace {

ToolOutput exportCommand(const std::string& file, const std::string& elementsPath, const std::string& outPath,
                         bool noBackup) {
    const auto loaded = loadSpawnFileForTool(file, elementsPath);
    if (!loaded) {
        return failure(loaded.error().message);
    }
    std::string document = exportSpawnJson(loaded.value(), !elementsPath.empty());
    if (outPath.empty()) {
        return {kExitOk, std::move(document), {}};
    }
    const auto* begin = reinterpret_cast<const std::uint8_t*>(document.data());
    const auto written =
        writeFileOver(outPath, std::span(begin, document.size()), overwriteOptions(noBackup));
    if (!written) {
        return failure(written.error().message);
    }
    Json out;
    out["file"] = outPath;
    out["records"] = loaded.value().records.count();
    out["bytes"] = document.size();
    return printJson(out);
}

ToolOutput importCommand(const std::string& jsonPath, const std::string& outPath, bool noBackup) {
    const auto text = readWholeFile(jsonPath);
    if (!text) {
        return failure(text.error().message);
    }
    const auto imported = importSpawnJson(text.value());
    if (!imported) {
        return failure(jsonPath + ": " + imported.error().message);
    }
    const SpawnFile& file = imported.value();
    const auto written = writeSpawnFileOver(outPath, file.context, file.records, overwriteOptions(noBackup));
    if (!written) {
        return failure(written.error().message);
    }
    Json out;
    out["file"] = outPath;
    out["records"] = file.records.count();
    out["bytes"] = SpawnLayout::kPrefixSize + file.records.byteSize() + file.context.remainder.size();
    return printJson(out);
}

ToolOutput appendCommand(const std::string& file, const std::string& source,
                         const std::vector<std::int32_t>& picked, const std::string& outPath, bool noBackup) {
    auto loaded = loadSpawnFile(file, {});
    if (!loaded) {
        return failure(loaded.error().message);
    }
    SpawnFile& target = loaded.value();
    // Records added after a stopped load would sit before the bytes the load stopped at, where the
    // next load never reaches them.
    if (target.stopped) {
        return failure(file + ": " + loadStopText(*target.stopped) +
                       "; records cannot be appended to a file read in part");
    }
    auto records = readRecordSource(source);
    if (!records) {
        return failure(records.error().message);
    }
    std::vector<SpawnRecord> chosen;
    if (picked.empty()) {
        chosen = std::move(records).value();
    } else {
        const auto available = records.value().size();
        for (const std::int32_t position : picked) {
            if (position < 1 || static_cast<std::size_t>(position) > available) {
                return failure(source + ": record " + formatInt(position) + ": no such record (" +
                               recordCountText(static_cast<std::int64_t>(available)) + ")");
            }
            chosen.push_back(records.value()[static_cast<std::size_t>(position - 1)]);
        }
    }
    const auto appended = chosen.size();
    // The record-count word moves with the records, as in the window.
    appendSpawnRecords(target, std::move(chosen));
    const auto written =
        writeSpawnFileOver(outPath, target.context, target.records, overwriteOptions(noBackup));
    if (!written) {
        return failure(written.error().message);
    }
    Json out;
    out["appended"] = appended;
    out["records"] = target.records.count();
    out["file"] = outPath;
    return printJson(out);
}

} // namespace

void addJsonCommands(CLI::App& app, Action& action) {
    struct Options {
        std::string file;
        std::string elements;
        std::string source;
        std::string out;
        bool noBackup = false;
    };
    const auto options = std::make_shared<Options>();

    auto* exportCmd = app.add_subcommand("export", "Write a spawn file as one JSON document");
    exportCmd->add_option("FILE", options->file, "spawn file")->required();
    exportCmd->add_option("--elements", options->elements, "element database that gives the creature names");
    exportCmd->add_option("-o", options->out,
                          "file to write the document to (default: standard output; an existing one is first "
                          "copied to its .bak)");
    addNoBackupFlag(exportCmd, options->noBackup);
    exportCmd->callback([&action, options] {
        action = [options] {
            return exportCommand(options->file, options->elements, options->out, options->noBackup);
        };
    });

    auto* importCmd = app.add_subcommand("import", "Write the spawn file a JSON document describes");
    importCmd->add_option("JSON", options->file, "JSON document written by export")->required();
    importCmd
        ->add_option("-o", options->out, "spawn file to write (an existing one is first copied to its .bak)")
        ->required();
    addNoBackupFlag(importCmd, options->noBackup);
    importCmd->callback([&action, options] {
        action = [options] { return importCommand(options->file, options->out, options->noBackup); };
    });

    const auto appendOptions = std::make_shared<std::vector<std::int32_t>>();
    auto* appendCmd = app.add_subcommand(
        "append", "Append the records of another spawn file, JSON export or copied records to a spawn file");
    appendCmd->add_option("FILE", options->file, "spawn file whose records come first")->required();
    appendCmd->add_option("SOURCE", options->source, "spawn file, JSON export or records document")
        ->required();
    appendCmd
        ->add_option("--record", *appendOptions,
                     "1-based position in SOURCE of a record to append; repeat it, in the order wanted "
                     "(default: every record)")
        ->allow_extra_args(false)
        ->transform(decimalInteger());
    appendCmd
        ->add_option("-o", options->out, "spawn file to write (an existing one is first copied to its .bak)")
        ->required();
    addNoBackupFlag(appendCmd, options->noBackup);
    appendCmd->callback([&action, options, appendOptions] {
        action = [options, appendOptions] {
            return appendCommand(options->file, options->source, *appendOptions, options->out,
                                 options->noBackup);
        };
    });
}

} // namespace spawn::tool
