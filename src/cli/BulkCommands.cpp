// spawn-tool edit and remove: the window's commands on the listed records, for scripts. The
// records are every record, or a search's hits; the result is written as Save writes.

#include "BulkEdit.h"
#include "ElementCommands.h"
#include "NumberText.h"
#include "RecordSearch.h"
#include "SpawnFile.h"
#include "ToolCommon.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>

namespace spawn::tool {

namespace {

// Which records a command acts on: every record, the hits of a search, or given positions.
struct Selection {
    std::optional<std::int32_t> id;
    std::optional<std::string> name;
    std::vector<std::int32_t> positions;
};

std::vector<std::int32_t> selectedPositions(const SpawnRecordList& records, const Selection& selection) {
    std::vector<std::int32_t> positions;
    if (selection.id || selection.name) {
        for (const std::int32_t hit :
             searchRecords(records, selection.id ? SearchMode::Id : SearchMode::Name,
                           selection.id ? formatInt(*selection.id) : *selection.name)) {
            positions.push_back(hit + 1);
        }
    } else if (!selection.positions.empty()) {
        positions = selection.positions;
    } else {
        for (std::int32_t p = 1; p <= records.count(); ++p) {
            positions.push_back(p);
        }
    }
    return positions;
}

// "area:N" or "entry:N".
std::optional<std::pair<BulkFieldKind, std::size_t>> parseFieldOption(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    const std::string kind = text.substr(0, colon);
    const std::string number = text.substr(colon + 1);
    std::size_t field = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), field);
    if (number.empty() || error != std::errc() || end != number.data() + number.size()) {
        return std::nullopt;
    }
    if (kind == "area" && isBulkEditableField(BulkFieldKind::Area, field)) {
        return std::pair{BulkFieldKind::Area, field};
    }
    if (kind == "entry" && isBulkEditableField(BulkFieldKind::Entry, field)) {
        return std::pair{BulkFieldKind::Entry, field};
    }
    return std::nullopt;
}

ToolOutput editCommand(const std::string& file, const std::string& elements, const Selection& selection,
                       const BulkEditSpec& spec, const std::string& out, bool noBackup) {
    auto loaded = loadSpawnFileForTool(file, elements);
    if (!loaded) {
        return failure(loaded.error().message);
    }
    SpawnFile& spawn = loaded.value();
    const auto positions = selectedPositions(spawn.records, selection);
    auto plan = planBulkEdit(spawn.records, positions, spec);
    if (!plan) {
        return failure(file + ": " + plan.error().message);
    }
    for (auto& [position, bytes] : plan.value().changes) {
        auto record = SpawnRecord::fromBytes(std::move(bytes));
        spawn.records.replaceAt(position, std::move(record.value()));
    }
    if (const auto written =
            writeSpawnFileOver(out, spawn.context, spawn.records, overwriteOptions(noBackup));
        !written) {
        return failure(written.error().message);
    }
    Json json;
    json["records"] = plan.value().changes.size();
    json["fields"] = plan.value().fields;
    json["file"] = out;
    return printJson(json);
}

ToolOutput removeCommand(const std::string& file, const std::string& elements, const Selection& selection,
                         const std::string& out, bool noBackup) {
    auto loaded = loadSpawnFileForTool(file, elements);
    if (!loaded) {
        return failure(loaded.error().message);
    }
    SpawnFile& spawn = loaded.value();
    auto positions = selectedPositions(spawn.records, selection);
    for (const std::int32_t p : positions) {
        if (p < 1 || p > spawn.records.count()) {
            return failure("没有这条记录：" + formatInt(p) + " (" + file + " 有 " +
                           formatInt(spawn.records.count()) + " 条记录)");
        }
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    // The count word moves with the records, as the window's Remove moves it; a stopped load keeps
    // its unread bytes in the remainder.
    const auto removed = removeSpawnRecords(spawn, positions).size();
    if (const auto written =
            writeSpawnFileOver(out, spawn.context, spawn.records, overwriteOptions(noBackup));
        !written) {
        return failure(written.error().message);
    }
    Json json;
    json["removed"] = removed;
    json["records"] = spawn.records.count();
    json["file"] = out;
    return printJson(json);
}

// --id and --name as search takes them, but strict: a command that changes records from a script
// must not take a typo for a search that finds every record (or every record without entries).
void addSearchOptions(CLI::App* command, Selection& selection) {
    auto* id =
        command->add_option("--id", selection.id, "only the records a search by this creature ID finds")
            ->allow_extra_args(false)
            ->expected(1)
            ->transform(decimalInteger());
    auto* name =
        command
            ->add_option("--name", selection.name,
                         "only the records a search by name finds (not empty; it would find every record)")
            ->allow_extra_args(false)
            ->expected(1)
            ->check(CLI::Validator(
                [](const std::string& text) {
                    return text.empty() ? std::string("an empty name would find every record")
                                        : std::string();
                },
                ""));
    id->excludes(name);
}

// The option that carries the value of an edit.
const char* valueOptionName(BulkOperation operation) {
    switch (operation) {
    case BulkOperation::Set:
        return "--set";
    case BulkOperation::Add:
        return "--add";
    case BulkOperation::Multiply:
        break;
    }
    return "--multiply";
}

} // namespace

void addBulkCommands(CLI::App& app, Action& action) {
    struct Options {
        std::string file;
        std::string elements;
        std::string out;
        Selection selection;
        std::string field;
        std::optional<std::int32_t> onlyCreature;
        std::optional<std::string> set;
        std::optional<std::string> add;
        std::optional<std::string> multiply;
        bool noBackup = false;
    };
    const auto options = std::make_shared<Options>();

    auto* edit = app.add_subcommand("edit", "Change one field of every record, or of a search's hits");
    edit->add_option("FILE", options->file, "spawn file")->required();
    addSearchOptions(edit, options->selection);
    edit->add_option("--elements", options->elements, "element database that gives the creature names");
    edit->add_option("--field", options->field, "area:N (1-20 but 2) or entry:N (1-18, every entry)")
        ->required();
    edit->add_option("--only-creature", options->onlyCreature,
                     "with entry:N, only the entries of this NPC--ID")
        ->transform(decimalInteger());
    auto* set =
        edit->add_option("--set", options->set, "set the field to this value")->allow_extra_args(false);
    auto* add =
        edit->add_option("--add", options->add, "add this value to the field")->allow_extra_args(false);
    auto* multiply = edit->add_option("--multiply", options->multiply, "multiply the field by this factor")
                         ->allow_extra_args(false);
    set->excludes(add, multiply);
    add->excludes(multiply);
    edit->add_option("-o", options->out, "spawn file to write (an existing one is first copied to its .bak)")
        ->required();
    addNoBackupFlag(edit, options->noBackup);
    edit->callback([&action, options] {
        const auto field = parseFieldOption(options->field);
        if (!field) {
            throw CLI::ValidationError("--field", "expected area:N (1-20 but 2) or entry:N (1-18)");
        }
        if (field->first == BulkFieldKind::Area && options->onlyCreature) {
            throw CLI::ValidationError("--only-creature",
                                       "chooses entries, so it goes with --field entry:N, not with --field " +
                                           options->field);
        }
        if (!options->set && !options->add && !options->multiply) {
            throw CLI::RequiredError("--set, --add or --multiply");
        }
        if (options->selection.name && options->elements.empty()) {
            throw CLI::RequiredError("--elements (a search by name needs the names)");
        }
        BulkEditSpec spec;
        spec.kind = field->first;
        spec.field = field->second;
        spec.onlyCreature = options->onlyCreature;
        spec.operation = options->set   ? BulkOperation::Set
                         : options->add ? BulkOperation::Add
                                        : BulkOperation::Multiply;
        spec.value = options->set ? *options->set : options->add ? *options->add : *options->multiply;
        if (const auto valid = checkBulkEditValue(spec); !valid) {
            throw CLI::ValidationError(valueOptionName(spec.operation), valid.error().message);
        }
        action = [options, spec] {
            return editCommand(options->file, options->elements, options->selection, spec, options->out,
                               options->noBackup);
        };
    });

    auto* remove = app.add_subcommand("remove", "Remove a search's hits or the records at given positions");
    remove->add_option("FILE", options->file, "spawn file")->required();
    addSearchOptions(remove, options->selection);
    remove->add_option("--record", options->selection.positions, "1-based position of a record to remove")
        ->transform(decimalInteger());
    remove->add_option("--elements", options->elements, "element database that gives the creature names");
    remove
        ->add_option("-o", options->out, "spawn file to write (an existing one is first copied to its .bak)")
        ->required();
    addNoBackupFlag(remove, options->noBackup);
    remove->callback([&action, options] {
        const Selection& s = options->selection;
        if (!s.id && !s.name && s.positions.empty()) {
            throw CLI::RequiredError("--id, --name or --record");
        }
        if ((s.id || s.name) && !s.positions.empty()) {
            throw CLI::ValidationError("--record", "cannot be combined with --id or --name");
        }
        if (s.name && options->elements.empty()) {
            throw CLI::RequiredError("--elements (a search by name needs the names)");
        }
        action = [options] {
            return removeCommand(options->file, options->elements, options->selection, options->out,
                                 options->noBackup);
        };
    });
}

} // namespace spawn::tool
