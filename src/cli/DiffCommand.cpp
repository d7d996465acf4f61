// spawn-tool diff: two spawn files compared record by record and field by field.

#include "ByteText.h"
#include "ElementCommands.h"
#include "FileIo.h"
#include "RecordDiff.h"
#include "SpawnFile.h"
#include "ToolCommon.h"

#include <memory>

namespace spawn::tool {

namespace {

// Exit statuses of diff, as diff(1) has them.
constexpr int kExitSame = 0;
constexpr int kExitDifferent = 1;
constexpr int kExitUnreadable = 2;

struct LoadedSide {
    std::string path;
    std::vector<std::uint8_t> bytes;
    SpawnFile file;
};

Result<LoadedSide> loadSide(const std::string& path, const ElementNameTables& names) {
    auto bytes = readWholeFile(path);
    if (!bytes) {
        return bytes.error();
    }
    auto parsed = parseSpawnFile(bytes.value(), names, path);
    if (!parsed) {
        return parsed.error();
    }
    return LoadedSide{path, std::move(bytes.value()), std::move(parsed.value())};
}

Json otherHeaderWords(const SpawnFileContext& context) {
    Json words = Json::array();
    for (std::size_t i = 0; i < context.headerWords.size(); ++i) {
        if (i != SpawnLayout::kRecordCountWordIndex) {
            words.push_back(context.headerWords[i]);
        }
    }
    return words;
}

// The parts before and after the records that differ.
Json headerChanges(const SpawnFile& a, const SpawnFile& b) {
    Json parts = Json::array();
    auto add = [&parts](const char* part, Json textA, Json textB) {
        if (textA != textB) {
            parts.push_back(Json{{"part", part}, {"a", std::move(textA)}, {"b", std::move(textB)}});
        }
    };
    add("leading_block", bytesSummaryText(a.context.leadingBlock), bytesSummaryText(b.context.leadingBlock));
    add("header_words", otherHeaderWords(a.context), otherHeaderWords(b.context));
    // The count word follows the records; it only says something of its own when it does not.
    const std::int32_t wordA = a.context.recordCountWord();
    const std::int32_t wordB = b.context.recordCountWord();
    if (wordA != a.records.count() || wordB != b.records.count()) {
        add("count_word", wordA, wordB);
    }
    // A side whose loading stopped holds records its list does not show: said apart from the
    // records, and before the remainder that carries them.
    add("stopped_load", loadStopJson(a.stopped), loadStopJson(b.stopped));
    add("remainder", bytesSummaryText(a.context.remainder), bytesSummaryText(b.context.remainder));
    return parts;
}

Json optionalText(const std::optional<std::string>& text) {
    return text ? Json(*text) : Json(nullptr);
}

Json changeJson(const RecordChange& change, const SpawnFile& a, const SpawnFile& b, bool withNames) {
    Json out;
    Json name = Json::object();
    switch (change.kind) {
    case RecordChangeKind::Changed: {
        out["op"] = "changed";
        out["a"] = change.a;
        out["b"] = change.b;
        Json fields = Json::array();
        for (const FieldChange& f : diffRecordFields(a.records.at(change.a), b.records.at(change.b))) {
            fields.push_back(Json{
                {"field", f.number}, {"label", f.label}, {"a", optionalText(f.a)}, {"b", optionalText(f.b)}});
        }
        if (withNames) {
            out["name"] =
                Json{{"a", a.records.at(change.a).displayName}, {"b", b.records.at(change.b).displayName}};
        }
        out["fields"] = std::move(fields);
        break;
    }
    case RecordChangeKind::Removed:
        out["op"] = "removed";
        out["a"] = change.a;
        if (withNames) {
            out["name"] = Json{{"a", a.records.at(change.a).displayName}};
        }
        break;
    case RecordChangeKind::Added:
        out["op"] = "added";
        out["b"] = change.b;
        if (withNames) {
            out["name"] = Json{{"b", b.records.at(change.b).displayName}};
        }
        break;
    }
    return out;
}

std::string valueText(const Json& value) {
    if (value.is_null()) {
        return "(none)";
    }
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_object() && value.contains("position")) {
        return "record " + value["position"].dump() + " (" + value["message"].get<std::string>() + ")";
    }
    if (value.is_array()) {
        std::string out = "[";
        for (std::size_t i = 0; i < value.size(); ++i) {
            out += (i == 0 ? "" : ", ") + valueText(value[i]);
        }
        return out + "]";
    }
    return value.dump();
}

// The same report as lines a person reads: "! part: a -> b" for the header, then
// "~ a -> b  label: text -> text" per changed field, "- a [name]" and "+ b [name]".
std::string textReport(const Json& report) {
    std::string out;
    for (const Json& part : report["header"]) {
        out += "! " + part["part"].get<std::string>() + ": " + valueText(part["a"]) + " -> " +
               valueText(part["b"]) + "\n";
    }
    for (const Json& change : report["changes"]) {
        const std::string op = change["op"].get<std::string>();
        if (op == "changed") {
            const std::string prefix = "~ " + change["a"].dump() + " -> " + change["b"].dump() + "  ";
            for (const Json& field : change["fields"]) {
                out += prefix + field["label"].get<std::string>() + valueText(field["a"]) + " -> " +
                       valueText(field["b"]) + "\n";
            }
            continue;
        }
        const bool removed = op == "removed";
        out += (removed ? "- " : "+ ") + change[removed ? "a" : "b"].dump();
        if (change.contains("name")) {
            out += " " + change["name"][removed ? "a" : "b"].get<std::string>();
        }
        out += "\n";
    }
    return out;
}

ToolOutput diffCommand(const std::string& pathA, const std::string& pathB, const std::string& elementsPath,
                       bool asText) {
    ElementNameTables names;
    if (!elementsPath.empty()) {
        auto loaded = loadNameTablesForTool(elementsPath);
        if (!loaded) {
            return {kExitUnreadable, {}, loaded.error().message + "\n"};
        }
        names = std::move(loaded.value());
    }
    const auto a = loadSide(pathA, names);
    if (!a) {
        return {kExitUnreadable, {}, a.error().message + "\n"};
    }
    const auto b = loadSide(pathB, names);
    if (!b) {
        return {kExitUnreadable, {}, b.error().message + "\n"};
    }
    const SpawnFile& fileA = a.value().file;
    const SpawnFile& fileB = b.value().file;
    const bool identical = a.value().bytes == b.value().bytes;
    const RecordDiff diff = diffRecords(recordBytesViews(fileA.records), recordBytesViews(fileB.records));

    Json report;
    report["identical"] = identical;
    report["a"] = Json{{"file", pathA}, {"records", fileA.records.count()}};
    report["b"] = Json{{"file", pathB}, {"records", fileB.records.count()}};
    report["unchanged"] = diff.unchanged;
    report["header"] = headerChanges(fileA, fileB);
    Json changes = Json::array();
    for (const RecordChange& change : diff.changes) {
        changes.push_back(changeJson(change, fileA, fileB, !elementsPath.empty()));
    }
    report["changes"] = std::move(changes);
    const int exitCode = identical ? kExitSame : kExitDifferent;
    if (asText) {
        return {exitCode, textReport(report), {}};
    }
    return printJson(report, exitCode);
}

} // namespace

void addDiffCommand(CLI::App& app, Action& action) {
    struct Options {
        std::string a;
        std::string b;
        std::string elements;
        bool text = false;
    };
    const auto options = std::make_shared<Options>();
    auto* diff = app.add_subcommand(
        "diff", "Compare two spawn files record by record and field by field; exit 0 when identical, 1 when "
                "they differ, 2 when one cannot be read");
    diff->add_option("A", options->a, "first spawn file")->required();
    diff->add_option("B", options->b, "second spawn file")->required();
    diff->add_option("--elements", options->elements, "element database that gives the creature names");
    diff->add_flag("--text", options->text, "print lines a person reads instead of JSON");
    diff->callback([&action, options] {
        action = [options] { return diffCommand(options->a, options->b, options->elements, options->text); };
    });
}

} // namespace spawn::tool
