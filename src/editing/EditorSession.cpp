#include "EditorSession.h"

namespace spawn {

EditorSession::EditorSession(const SessionPlatform& platform)
    : m_dialogs(platform.dialogs), m_mapPointsFollow(m_document.changed.connect([this](const DocumentChange& change) {
          switch (change.kind) {
          case DocumentChange::Kind::Reset:
              m_mapPoints.clear();
              break;
          case DocumentChange::Kind::Inserted:
              m_mapPoints.recordsInserted(change.positions);
              break;
          case DocumentChange::Kind::Removed:
              m_mapPoints.recordsRemoved(change.positions);
              break;
          case DocumentChange::Kind::Replaced:
              break; // a point is computed anew when its record's position bytes differ
          }
      })),
      m_listView(m_document), m_editor(m_document, m_names, m_listView, m_dialogs),
      m_clipboard(m_document, m_names, m_listView, m_editor, m_dialogs),
      m_recovery(m_document, platform.recoveryFolder, platform.loop, platform.background),
      m_diskWatch(platform.loop, platform.watcher) {
    // Editing goes on without recovery copies; saying so once is enough.
    m_subscriptions += m_recovery.failed.connect([this](const std::string& message) { m_dialogs.showMessage(message); });
    m_subscriptions += m_diskWatch.changed.connect([this] { fileChangedOnDisk(); });
}

bool EditorSession::start(const std::string& folder, const std::string& spawnFile) {
    m_folder = folder;
    auto names = loadElementNamesAtStartup(m_dialogs, folder, spawnFile);
    if (!names) {
        return false;
    }
    m_names = std::move(*names);
    auto opened = openSpawnFileAtStartup(m_dialogs, m_names, folder, spawnFile);
    if (!opened) {
        return false;
    }
    loadOpened(std::move(*opened));
    m_editor.showLoadedFile();
    return true;
}

void EditorSession::loadOpened(OpenedSpawnFile opened) {
    warnIfOpenInAnotherWindow(m_dialogs, m_recovery.folder(), opened.path, m_recovery.window());
    RecoveryOffer offer = offerRecoveryCopy(m_dialogs, m_names, m_recovery.folder(), opened.path);
    if (offer.recovered) {
        m_document.loadUnsaved(std::move(*offer.recovered), opened.path);
        // Save then asks, as in the session the work comes from, when the file changed since.
        m_diskWatch.setFileBasedOn(opened.path, offer.basedOn);
        followFileOnDisk();
        m_recovery.adoptCopy(offer.copy);
    } else {
        m_document.load(std::move(opened.file), opened.path);
        fileOnDiskIs(opened.path);
    }
}

std::vector<MapDot> EditorSession::listedDots() {
    const SpawnRecordList& records = m_document.records();
    if (!m_listView.isFiltered()) {
        return m_mapPoints.allDots(records);
    }
    std::vector<std::int32_t> indices = m_listView.listed();
    for (std::int32_t& index : indices) {
        --index; // the points count from 0
    }
    return m_mapPoints.dotsOf(records, indices);
}

bool EditorSession::save() {
    const auto mayWrite = [this](const std::string& path) {
        return confirmSaveOverChangedFile(m_diskWatch, m_dialogs, path);
    };
    // Before "N  Saved!" comes up: while it is up the watch hears of this write.
    const auto written = [this] {
        m_recovery.removeCopy();
        fileOnDiskIs(m_document.spawnPath());
    };
    return saveSpawnFile(m_document, m_dialogs, m_folder, mayWrite, written);
}

bool EditorSession::mayClose() {
    if (!confirmClose(m_document, m_dialogs, m_editor.form().hasUnappliedText())) {
        return false;
    }
    m_recovery.removeCopy();
    return true;
}

void EditorSession::fileOnDiskIs(const std::string& path) {
    m_diskWatch.setFile(path);
    followFileOnDisk();
}

void EditorSession::followFileOnDisk() {
    m_recovery.setDiskStamp(m_diskWatch.knownStamp());
    m_recovery.fileIsOpen(m_diskWatch.path());
    fileOpened.notify();
}

void EditorSession::fileChangedOnDisk() {
    if (!askToReload(m_dialogs, m_document.spawnPath(), m_document.isModified())) {
        return;
    }
    if (reloadSpawnFile(m_document, m_dialogs, m_names, [this] { m_recovery.keepCopyForLater(); })) {
        m_editor.refreshRecordList();
        fileOnDiskIs(m_document.spawnPath());
    }
}

} // namespace spawn
