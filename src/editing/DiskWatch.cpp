#include "DiskWatch.h"

#include "SpawnDocument.h"

#include <QFileInfo>

#include <filesystem>

namespace spawn {

DiskWatch::DiskWatch(QObject* parent) : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        rewatch();
        check();
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DiskWatch::noticed);
    // A file replaced by rename drops out of the watch; its folder still tells when it is back.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DiskWatch::noticed);
}

void DiskWatch::setFile(const std::string& path) {
    if (path != m_path) {
        if (const QStringList watched = m_watcher.files() + m_watcher.directories(); !watched.isEmpty()) {
            m_watcher.removePaths(watched);
        }
        m_path = path;
    }
    m_known = diskStampOf(m_path);
    m_announced.reset();
    rewatch();
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
    m_announced = now; // before the signal: the question it brings up may come back here
    emit changed();
}

void DiskWatch::noticed() {
    m_settle.start();
}

void DiskWatch::rewatch() {
    if (m_path.empty()) {
        return;
    }
    const QString file = QString::fromStdString(m_path);
    if (!m_watcher.files().contains(file) && QFileInfo::exists(file)) {
        m_watcher.addPath(file);
    }
    const QString folder = QString::fromStdString(std::filesystem::path(m_path).parent_path().string());
    if (!m_watcher.directories().contains(folder) && QFileInfo::exists(folder)) {
        m_watcher.addPath(folder);
    }
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
    if (watch.path().empty() || !std::filesystem::equivalent(path, watch.path(), ec) ||
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
