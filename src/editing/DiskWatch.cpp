#include "DiskWatch.h"

#include "FilePath.h"
#include "SpawnDocument.h"

#include <filesystem>

namespace spawn {

DiskWatch::DiskWatch(EventLoop& loop, FileWatcher& watcher)
    : m_watcher(watcher), m_settle(loop.makeTimer([this] {
          m_watcher.rewatch();
          check();
      })) {}

void DiskWatch::setFile(const std::string& path) {
    if (path != m_path) {
        m_path = path;
        m_watcher.watch(m_path, [this] { m_settle->start(kSettle); });
    } else {
        m_watcher.rewatch();
    }
    m_known = diskStampOf(m_path);
    m_announced.reset();
}

void DiskWatch::setFileBasedOn(const std::string& path, const std::optional<DiskStamp>& basedOn) {
    setFile(path);
    m_announced = m_known;
    m_known = basedOn;
}

bool DiskWatch::changedOnDisk() const {
    const auto now = diskStampOf(m_path);
    return now && now != m_known;
}

void DiskWatch::check() {
    if (m_path.empty()) {
        return;
    }
    const auto now = diskStampOf(m_path);
    if (!now || now == m_known || now == m_announced) {
        return;
    }
    m_announced = now; // before the notice: the question it brings up may come back here
    changed.notify();
}

std::string changedOnDiskQuestion(const std::string& path, bool unsavedWork) {
    if (unsavedWork) {
        return path + " 已被其他程序修改。重新载入将放弃这里未保存的修改（恢复副本保留）。重新载入吗？";
    }
    return path + " 已被其他程序修改。重新载入吗？";
}

std::string saveOverChangedQuestion(const std::string& path) {
    return path + " 已被其他程序修改。仍然保存吗？";
}

bool askToReload(DialogService& dialogs, const std::string& path, bool unsavedWork) {
    return dialogs.ask(changedOnDiskQuestion(path, unsavedWork), false,
                       unsavedWork ? Answer::No : Answer::Yes) == Answer::Yes;
}

bool confirmSaveOverChangedFile(const DiskWatch& watch, DialogService& dialogs, const std::string& path) {
    std::error_code ec;
    if (watch.path().empty() || !std::filesystem::equivalent(filePath(path), filePath(watch.path()), ec) ||
        !watch.changedOnDisk()) {
        return true;
    }
    return dialogs.ask(saveOverChangedQuestion(path), false, Answer::No) == Answer::Yes;
}

bool reloadSpawnFile(SpawnDocument& document, DialogService& dialogs, const ElementNameTables& names,
                     const std::function<void()>& beforeReplacing) {
    auto loaded = loadSpawnFile(document.spawnPath(), names);
    if (!loaded) {
        dialogs.showMessage(loaded.error().message);
        return false;
    }
    if (loaded.value().stopped) {
        dialogs.showMessage(loaded.value().stopped->message);
    }
    if (beforeReplacing) {
        beforeReplacing();
    }
    document.load(std::move(loaded).value(), document.spawnPath());
    return true;
}

} // namespace spawn
