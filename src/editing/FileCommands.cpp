#include "FileCommands.h"

#include "ElementDatabase.h"
#include "FileIo.h"
#include "FilePath.h"
#include "SpawnDocument.h"

#include <filesystem>
#include <vector>

namespace spawn {

namespace {

std::string fullPath(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(filePath(path), ec);
    return ec ? path : utf8Of(absolute.lexically_normal());
}

std::string folderOf(const std::string& path) {
    return utf8Of(filePath(path).parent_path());
}

} // namespace

std::optional<ElementNameTables> loadElementNamesAtStartup(DialogService& dialogs, const std::string& folder,
                                                           const std::string& namedFile) {
    std::vector<std::string> folders;
    if (!namedFile.empty()) {
        folders.push_back(folderOf(fullPath(utf8Of(filePath(folder) / filePath(namedFile)))));
    }
    if (folders.empty() || folders.front() != fullPath(folder)) {
        folders.push_back(folder);
    }
    auto bytes = readWholeFile(utf8Of(filePath(folders.front()) / kElementsFileName));
    for (std::size_t i = 1; !bytes && i < folders.size(); ++i) {
        bytes = readWholeFile(utf8Of(filePath(folders[i]) / kElementsFileName));
    }
    while (!bytes) {
        const auto chosen = dialogs.chooseFileToOpen({std::string(kElementsFileName), folders.front()});
        if (!chosen) {
            return std::nullopt;
        }
        bytes = readWholeFile(fullPath(*chosen));
        if (!bytes) {
            dialogs.showMessage(bytes.error().message);
        }
    }
    auto database = readElementDatabase(bytes.value());
    if (!database) {
        dialogs.showMessage(database.error().message);
        return std::nullopt;
    }
    if (database.value().buildMessage) {
        dialogs.showMessage(*database.value().buildMessage);
    }
    return std::move(database.value().names);
}

std::optional<OpenedSpawnFile> openSpawnFileAtStartup(DialogService& dialogs, const ElementNameTables& names,
                                                      const std::string& folder,
                                                      const std::string& namedFile) {
    const auto defaultPath = filePath(folder) / SpawnLayout::kDefaultFileName;
    std::optional<std::string> candidate;
    std::error_code ec;
    if (!namedFile.empty()) {
        // A named file is tried even when it does not exist, so that the user reads why.
        candidate = fullPath(utf8Of(filePath(folder) / filePath(namedFile)));
    } else if (std::filesystem::exists(defaultPath, ec)) {
        candidate = fullPath(utf8Of(defaultPath));
    }
    for (;;) {
        if (!candidate) {
            candidate = dialogs.chooseFileToOpen({std::string(SpawnLayout::kDefaultFileName), folder});
            if (!candidate) {
                return std::nullopt;
            }
            candidate = fullPath(*candidate);
        }
        auto loaded = loadSpawnFile(*candidate, names);
        if (loaded) {
            if (loaded.value().stopped) {
                dialogs.showMessage(loaded.value().stopped->message);
            }
            return OpenedSpawnFile{std::move(loaded).value(), *candidate};
        }
        dialogs.showMessage(loaded.error().message);
        candidate.reset();
    }
}

bool saveSpawnFile(SpawnDocument& document, DialogService& dialogs, const std::string& folder,
                   const std::function<bool(const std::string&)>& mayWrite,
                   const std::function<void()>& written) {
    const std::string backedUp = document.spawnPath();
    const auto backup = makeBackup(backedUp);
    if (!backup) {
        dialogs.showMessage(backup.error().message);
    }
    const std::string directory = backedUp.empty() ? folder : folderOf(backedUp);
    const auto chosen = dialogs.chooseFileToSave({"*.data", directory});
    if (!chosen) {
        return false;
    }
    const std::string path = fullPath(*chosen);
    if (mayWrite && !mayWrite(path)) {
        return false;
    }
    // Saved over the file just backed up (or tried), it is not copied again: the copy made is the
    // one an in-place write that fails names. Any other file already there is backed up as every
    // write over a file backs it up, a failure said and the save going on.
    OverwriteOptions options;
    options.backup = BackupPolicy::GoOn;
    std::error_code ec;
    if (std::filesystem::equivalent(filePath(path), filePath(backedUp), ec)) {
        options.backup = BackupPolicy::None;
        options.madeBackup = backup ? backupPathFor(backedUp) : std::string();
    }
    const auto saved = document.saveAs(path, options);
    if (!saved) {
        dialogs.showMessage(saved.error().message);
        return false;
    }
    if (written) {
        written();
    }
    if (saved.value().backupFailure) {
        dialogs.showMessage(saved.value().backupFailure->message);
    }
    dialogs.showMessage(savedMessageText(document.records().count()));
    return true;
}

bool confirmClose(const SpawnDocument& document, DialogService& dialogs, bool formHoldsTypedText) {
    return (!document.isModified() && !formHoldsTypedText) || dialogs.confirmDiscard(kDiscardQuestion);
}

} // namespace spawn
