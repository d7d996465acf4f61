// spawn-tool merge: a three-way merge of spawn files, usable as git's merge driver.

#include "ElementCommands.h"
#include "NumberText.h"
#include "RecordMerge.h"
#include "SpawnFile.h"
#include "ToolCommon.h"

#include <array>
#include <memory>

namespace spawn::tool {

namespace {

// Exit statuses of merge, as git reads a merge driver's: 0 merged, anything else a conflict.
constexpr int kExitMerged = 0;
constexpr int kExitConflicts = 1; // the merged file is written all the same
constexpr int kExitTrouble = 2;   // nothing merged: a file cannot be read or written, or wrong usage

ToolOutput trouble(const std::string& message) {
    return {kExitTrouble, {}, message + "\n"};
}

// The one place the merged file is written.
Status writeMergedFile(const std::string& path, const SpawnMerge& merged, bool noBackup) {
    const auto written = writeSpawnFileOver(path, merged.context, merged.records, overwriteOptions(noBackup));
    if (!written) {
        return written.error();
    }
    return Done{};
}

const char* kindName(MergeConflictKind kind) {
    switch (kind) {
    case MergeConflictKind::Field:
        return "field";
    case MergeConflictKind::Entries:
        return "entries";
    case MergeConflictKind::RemovedChanged:
        return "removed-changed";
    case MergeConflictKind::ChangedRemoved:
        return "changed-removed";
    case MergeConflictKind::Header:
        break;
    }
    return "header";
}

// A header part is named as diff names it.
const char* partName(MergeHeaderPart part) {
    switch (part) {
    case MergeHeaderPart::LeadingBlock:
        return "leading_block";
    case MergeHeaderPart::HeaderWord:
        return "header_words";
    case MergeHeaderPart::Remainder:
        return "remainder";
    case MergeHeaderPart::None:
        break;
    }
    return "";
}

const char* sideName(MergeSide side) {
    return side == MergeSide::Ours ? "ours" : "theirs";
}

Json optionalText(const std::optional<std::string>& text) {
    return text ? Json(*text) : Json(nullptr);
}

struct Sides {
    std::array<std::string, 3> paths; // base, ours, theirs
    std::array<SpawnFile, 3> files;
};

Json nameOf(const SpawnFile& file, std::int32_t position) {
    return position > 0 ? Json(file.records.at(position).displayName) : Json(nullptr);
}

Json conflictJson(const MergeConflict& c, const Sides& sides, bool withNames) {
    const bool header = c.kind == MergeConflictKind::Header;
    Json out;
    out["record"] = c.record > 0 ? Json(c.record) : Json(nullptr);
    out["kind"] = kindName(c.kind);
    out["field"] = c.field > 0 ? Json(c.field) : Json(nullptr);
    out["label"] = header ? Json(partName(c.part)) : c.label.empty() ? Json(nullptr) : Json(c.label);
    out["base"] = optionalText(c.base);
    out["ours"] = optionalText(c.ours);
    out["theirs"] = optionalText(c.theirs);
    if (withNames) {
        out["name"] = header ? Json(nullptr)
                             : Json{{"base", nameOf(sides.files[0], c.baseRecord)},
                                    {"ours", nameOf(sides.files[1], c.oursRecord)},
                                    {"theirs", nameOf(sides.files[2], c.theirsRecord)}};
    }
    if (c.resolvedBy) {
        out["resolved"] = sideName(*c.resolvedBy);
    }
    return out;
}

// What the merged file holds where the conflict was.
std::string outcomeText(const MergeConflict& c) {
    if (c.kind != MergeConflictKind::Header && c.record == 0) {
        return "removed";
    }
    MergeSide kept = c.resolvedBy.value_or(MergeSide::Ours);
    if (c.kind == MergeConflictKind::RemovedChanged) {
        kept = MergeSide::Theirs; // the only side that has it
    }
    return std::string(sideName(kept)) + " kept";
}

std::string textOrNone(const Json& value) {
    return value.is_null() ? "(none)" : value.get<std::string>();
}

// The same report as lines a person reads: the counts, then per conflict
// "! kind where[ name]  label: base …, ours …, theirs … (what was kept)".
std::string textReport(const Json& report, const std::vector<MergeConflict>& conflicts) {
    auto count = [&report](const char* key) { return formatInt(report[key].get<std::int64_t>()); };
    std::string out = report["file"].get<std::string>() + ": records " + count("records") + ", from ours " +
                      count("from_ours") + ", from theirs " + count("from_theirs") + ", conflicts " +
                      formatInt(static_cast<std::int64_t>(conflicts.size())) + "\n";
    for (std::size_t k = 0; k < conflicts.size(); ++k) {
        const Json& c = report["conflicts"][k];
        const bool header = conflicts[k].kind == MergeConflictKind::Header;
        out += "! " + c["kind"].get<std::string>() + " ";
        if (header) {
            out +=
                c["label"].get<std::string>() + (c["field"].is_null() ? "" : " " + c["field"].dump()) + ":";
        } else {
            out += c["record"].is_null() ? "-" : c["record"].dump();
            if (c.contains("name")) {
                for (const char* side : {"ours", "theirs", "base"}) {
                    if (!c["name"][side].is_null()) {
                        out += " " + c["name"][side].get<std::string>();
                        break;
                    }
                }
            }
            if (!c["label"].is_null()) {
                out += "  " + c["label"].get<std::string>();
            }
        }
        if (!c["label"].is_null()) {
            out += (header ? " " : "") + std::string("base ") + textOrNone(c["base"]) + ", ours " +
                   textOrNone(c["ours"]) + ", theirs " + textOrNone(c["theirs"]);
        }
        out += " (" + outcomeText(conflicts[k]) + ")\n";
    }
    return out;
}

ToolOutput mergeCommand(const Sides& paths, const std::string& outPath, const std::string& elementsPath,
                        std::optional<MergeSide> prefer, bool asText, bool noBackup) {
    ElementNameTables names;
    if (!elementsPath.empty()) {
        auto loaded = loadNameTablesForTool(elementsPath);
        if (!loaded) {
            return trouble(loaded.error().message);
        }
        names = std::move(loaded).value();
    }
    Sides sides{paths.paths, {}};
    for (std::size_t k = 0; k < sides.files.size(); ++k) {
        auto loaded = loadSpawnFile(sides.paths[k], names);
        if (!loaded) {
            return trouble(loaded.error().message);
        }
        // The unread records of a file read in part lie in its remainder, where the merge would
        // treat them as mere bytes.
        if (loaded.value().stopped) {
            return trouble(sides.paths[k] + ": " + loaded.value().stopped->message +
                           " (a file read in part cannot be merged)");
        }
        sides.files[k] = std::move(loaded).value();
    }
    const SpawnMerge merged = mergeSpawnFiles(sides.files[0], sides.files[1], sides.files[2], prefer);
    if (const auto written = writeMergedFile(outPath, merged, noBackup); !written) {
        return trouble(written.error().message);
    }

    Json report;
    report["file"] = outPath;
    report["records"] = merged.records.count();
    report["from_ours"] = merged.fromOurs;
    report["from_theirs"] = merged.fromTheirs;
    Json conflicts = Json::array();
    for (const MergeConflict& c : merged.conflicts) {
        conflicts.push_back(conflictJson(c, sides, !elementsPath.empty()));
    }
    report["conflicts"] = std::move(conflicts);
    const int exitCode = merged.hasOpenConflicts() ? kExitConflicts : kExitMerged;
    if (asText) {
        return {exitCode, textReport(report, merged.conflicts), {}};
    }
    return printJson(report, exitCode);
}

} // namespace

void addMergeCommand(CLI::App& app, Action& action) {
    struct Options {
        Sides sides;
        std::string out;
        std::string elements;
        std::string prefer;
        bool text = false;
        bool noBackup = false;
    };
    const auto options = std::make_shared<Options>();
    auto* merge = app.add_subcommand(
        "merge",
        "Merge the changes OURS and THEIRS each made to BASE into OUT (OUT may be OURS); exit 0 when "
        "merged, 1 when conflicts remain (OUT is written all the same, with ours' side of each and a "
        "changed record kept over its removal), 2 when a file cannot be read or written or an option is "
        "wrong");
    merge->add_option("BASE", options->sides.paths[0], "the spawn file both sides started from")->required();
    merge->add_option("OURS", options->sides.paths[1], "one side's spawn file")->required();
    merge->add_option("THEIRS", options->sides.paths[2], "the other side's spawn file")->required();
    merge->add_option("-o", options->out, "spawn file to write")->required();
    merge->add_option("--elements", options->elements, "element database that gives the creature names");
    merge->add_option("--prefer", options->prefer, "resolve every conflict by taking this side")
        ->check(CLI::IsMember({"ours", "theirs"}));
    merge->add_flag("--text", options->text, "print lines a person reads instead of JSON");
    addNoBackupFlag(merge, options->noBackup);
    merge->callback([&action, options] {
        action = [options] {
            std::optional<MergeSide> prefer;
            if (!options->prefer.empty()) {
                prefer = options->prefer == "ours" ? MergeSide::Ours : MergeSide::Theirs;
            }
            return mergeCommand(options->sides, options->out, options->elements, prefer, options->text,
                                options->noBackup);
        };
    });
}

} // namespace spawn::tool
