// spawn-tool db-info and db-names, and the --elements option of other commands.

#include "ElementCommands.h"

#include "ElementDatabase.h"
#include "FileIo.h"
#include "ToolCommon.h"

#include <memory>

namespace spawn::tool {

namespace {

// The database at `path`. A read error names the file; a fatal database case gives the editor's
// own message alone, as the editor shows it.
Result<ElementDatabase> loadDatabase(const std::string& path) {
    auto bytes = readWholeFile(path);
    if (!bytes) {
        return bytes.error();
    }
    return readElementDatabase(bytes.value());
}

Json optionalJson(const auto& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json tableJson(const NameTable& table) {
    Json rows = Json::array();
    for (std::size_t i = 0; i < table.count(); ++i) {
        rows.push_back(Json{{"id", table.ids[i]}, {"name", table.names[i]}});
    }
    return rows;
}

ToolOutput dbInfoCommand(const std::string& path) {
    const auto db = loadDatabase(path);
    if (!db) {
        return failure(db.error().message);
    }
    const ElementDatabase& d = db.value();
    Json out;
    out["start_offset"] = d.startOffset;
    out["layout"] = d.layout == ElementFileLayout::EightByteHeader ? "8-byte-header" : "default";
    out["end_of_lists"] = d.endOfLists;
    out["fingerprint"] = optionalJson(d.fingerprint);
    out["build_message"] = optionalJson(d.buildMessage);
    out["list37_count"] = d.names.list37().count();
    out["list54_count"] = d.names.list54().count();
    return printJson(out);
}

ToolOutput dbNamesCommand(const std::string& path) {
    const auto db = loadDatabase(path);
    if (!db) {
        return failure(db.error().message);
    }
    Json out;
    out["list37"] = tableJson(db.value().names.list37());
    out["list54"] = tableJson(db.value().names.list54());
    return printJson(out);
}

} // namespace

Result<ElementNameTables> loadNameTablesForTool(const std::string& path) {
    const auto bytes = readWholeFile(path);
    if (!bytes) {
        return bytes.error();
    }
    // Beside a spawn file the database's own message ("读取失败！") would not say which file failed.
    auto db = readElementDatabase(bytes.value());
    if (!db) {
        return Error{path + ": " + db.error().message};
    }
    return std::move(db.value().names);
}

Result<SpawnFile> loadSpawnFileForTool(const std::string& file, const std::string& elementsPath) {
    ElementNameTables names;
    if (!elementsPath.empty()) {
        auto loaded = loadNameTablesForTool(elementsPath);
        if (!loaded) {
            return loaded.error();
        }
        names = std::move(loaded).value();
    }
    return loadSpawnFile(file, names);
}

void addElementCommands(CLI::App& app, Action& action) {
    struct Options {
        std::string database;
    };
    const auto options = std::make_shared<Options>();

    auto* info =
        app.add_subcommand("db-info", "Show how an element database is laid out and which build it is");
    info->add_option("DB", options->database, "element database")->required();
    info->callback([&action, options] { action = [options] { return dbInfoCommand(options->database); }; });

    auto* names = app.add_subcommand("db-names", "List the IDs and names of lists 37 and 54 in file order");
    names->add_option("DB", options->database, "element database")->required();
    names->callback([&action, options] { action = [options] { return dbNamesCommand(options->database); }; });
}

} // namespace spawn::tool
