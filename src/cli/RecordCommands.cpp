// spawn-tool show and search: one record as the record form shows it, and the record list's
// search, computed by the same code as the window's.

#include "CoordinateConversion.h"
#include "ElementCommands.h"
#include "NumberText.h"
#include "RecordFields.h"
#include "RecordSearch.h"
#include "SpawnFile.h"
#include "ToolCommon.h"

#include <memory>
#include <optional>

namespace spawn::tool {

namespace {

ToolOutput showCommand(const std::string& file, std::int32_t position, const std::string& elementsPath) {
    const auto loaded = loadSpawnFileForTool(file, elementsPath);
    if (!loaded) {
        return failure(loaded.error().message);
    }
    const SpawnRecordList& records = loaded.value().records;
    if (position < 1 || position > records.count()) {
        return failure("没有这条记录：" + formatInt(position) + " (" + file + " 有 " +
                       formatInt(records.count()) + " 条记录)");
    }
    const SpawnRecord& record = records.at(position);
    Json fields = Json::array();
    for (const FormField& f : recordFormFields(record)) {
        fields.push_back(
            Json{{"field", f.number}, {"label", f.label}, {"type", fieldTypeName(f.type)}, {"text", f.text}});
    }
    // Showing a record reads its X, Y and Z boxes as typed text, as the form does.
    const CoordinateState shown = worldPositionState(parseCDouble(fields[2]["text"].get<std::string>()),
                                                     parseCDouble(fields[3]["text"].get<std::string>()),
                                                     parseCDouble(fields[4]["text"].get<std::string>()));
    Json out;
    out["position"] = position;
    out["entries"] = record.entryCount;
    out["id"] = record.creatureId;
    out["name"] = record.displayName;
    out["fields"] = std::move(fields);
    out["coordinates"] = coordinatesJson(shown);
    return printJson(out);
}

ToolOutput searchCommand(const std::string& file, SearchMode mode, const std::string& text,
                         const std::string& elementsPath) {
    const auto loaded = loadSpawnFileForTool(file, elementsPath);
    if (!loaded) {
        return failure(loaded.error().message);
    }
    const SpawnRecordList& records = loaded.value().records;
    const auto hits = searchRecords(records, mode, text);
    Json rows = Json::array();
    std::int32_t num = 1;
    for (const std::int32_t hit : hits) {
        const SpawnRecord& r = records.at(hit + 1);
        rows.push_back(Json{{"num", num++},
                            {"position", hit + 1},
                            {"id", r.creatureId},
                            {"entries", r.entryCount},
                            {"name", r.displayName}});
    }
    Json out;
    out["label"] = hitCountLabelText(static_cast<std::int32_t>(hits.size()));
    out["rows"] = std::move(rows);
    return printJson(out);
}

} // namespace

void addRecordCommands(CLI::App& app, Action& action) {
    struct Options {
        std::string file;
        std::string elements;
        std::int32_t position = 0;
        std::optional<std::string> id;
        std::optional<std::string> name;
    };
    const auto options = std::make_shared<Options>();

    auto* show = app.add_subcommand("show", "Show one record's fields as the record form shows them");
    show->add_option("FILE", options->file, "spawn file")->required();
    show->add_option("--record", options->position, "1-based position of the record")
        ->required()
        ->transform(decimalInteger());
    show->add_option("--elements", options->elements, "element database that gives the creature names");
    show->callback([&action, options] {
        action = [options] { return showCommand(options->file, options->position, options->elements); };
    });

    auto* search = app.add_subcommand("search", "Search the records by first creature ID or by name");
    search->add_option("FILE", options->file, "spawn file")->required();
    // The texts are taken as typed, whatever they look like ("-5", "", " 42abc").
    auto* id = search->add_option("--id", options->id, "creature ID text, read as atoi reads it")
                   ->allow_extra_args(false)
                   ->expected(1);
    auto* name = search->add_option("--name", options->name, "text to find in the names, case-sensitive")
                     ->allow_extra_args(false)
                     ->expected(1);
    id->excludes(name);
    search->add_option("--elements", options->elements, "element database that gives the creature names");
    search->callback([&action, options] {
        if (!options->id && !options->name) {
            throw CLI::RequiredError("--id or --name");
        }
        action = [options] {
            return options->id
                       ? searchCommand(options->file, SearchMode::Id, *options->id, options->elements)
                       : searchCommand(options->file, SearchMode::Name, *options->name, options->elements);
        };
    });
}

} // namespace spawn::tool
