#include "CoreLink.h"

#include "ElementDatabase.h"
#include "FileIo.h"
#include "NumberText.h"
#include "SpawnLayout.h"

#include <filesystem>

namespace spawn::win32 {

namespace {

std::string inFolder(const std::string& folder, std::string_view name) {
    return (std::filesystem::path(folder) / std::string(name)).string();
}

} // namespace

bool CoreLink::start(const std::string& folder, const std::string& namedFile) {
    auto bytes = readWholeFile(inFolder(folder, kElementsFileName));
    while (!bytes) {
        const auto chosen = m_dialogs.chooseFileToOpen({std::string(kElementsFileName), folder});
        if (!chosen) {
            return false;
        }
        bytes = readWholeFile(*chosen);
        if (!bytes) {
            m_dialogs.showMessage(bytes.error().message);
        }
    }
    auto database = readElementDatabase(bytes.value());
    if (!database) {
        m_dialogs.showMessage(database.error().message);
        return false;
    }
    if (database.value().buildMessage) {
        m_dialogs.showMessage(*database.value().buildMessage);
    }
    m_names = std::move(database.value().names);

    std::optional<std::string> candidate;
    std::error_code ec;
    if (!namedFile.empty()) {
        candidate = inFolder(folder, namedFile);
    } else if (const auto path = inFolder(folder, SpawnLayout::kDefaultFileName);
               std::filesystem::exists(path, ec)) {
        candidate = path;
    }
    for (;;) {
        if (!candidate) {
            candidate = m_dialogs.chooseFileToOpen({std::string(SpawnLayout::kDefaultFileName), folder});
            if (!candidate) {
                return false;
            }
        }
        auto loaded = loadSpawnFile(*candidate, m_names);
        if (loaded) {
            if (loaded.value().stopped) {
                m_dialogs.showMessage(loaded.value().stopped->message);
            }
            m_file = std::move(loaded).value();
            m_spawnPath = *candidate;
            return true;
        }
        m_dialogs.showMessage(loaded.error().message);
        candidate.reset();
    }
}

int CoreLink::rowCount() const {
    return m_file ? m_file->records.count() : 0;
}

std::string CoreLink::rowText(int row, int column) const {
    if (!m_file || row < 0 || row >= m_file->records.count()) {
        return {};
    }
    const SpawnRecord& record = m_file->records.at(row + 1);
    switch (column) {
    case 0:
        return formatInt(row + 1);
    case 1:
        return formatInt(record.creatureId);
    case 2:
        return formatInt(record.entryCount);
    default:
        return record.displayName;
    }
}

std::string CoreLink::countLabel() const {
    return m_file ? countLabelText(m_file->context.recordCountWord()) : std::string();
}

void CoreLink::command(int) {}

void CoreLink::recordClicked(int) {}

bool CoreLink::mayClose() const {
    return true; // nothing is edited yet, so nothing can be lost
}

} // namespace spawn::win32
