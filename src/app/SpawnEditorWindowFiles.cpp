// The window's part in keeping work safe: recovery copies, and the spawn file changed on disk by
// another program.

#include "SpawnEditorWindow.h"

#include "DiskWatch.h"
#include "RecordEditor.h"
#include "RecoveryKeeper.h"

#include <QEvent>
#include <QTimer>

namespace spawn {

void SpawnEditorWindow::buildFileSafety() {
    m_recovery = new RecoveryKeeper(m_document, defaultRecoveryFolder(), this);
    // Editing goes on without recovery copies; saying so once is enough.
    connect(m_recovery, &RecoveryKeeper::failed, this,
            [this](const QString& message) { m_dialogs->showMessage(message.toStdString()); });
    m_diskWatch = new DiskWatch(this);
    connect(m_diskWatch, &DiskWatch::changed, this, &SpawnEditorWindow::fileChangedOnDisk);
}

void SpawnEditorWindow::loadOpenedFile(OpenedSpawnFile opened) {
    warnIfOpenInAnotherWindow(*m_dialogs, m_recovery->folder(), opened.path, m_recovery->window());
    RecoveryOffer offer = offerRecoveryCopy(*m_dialogs, m_names, m_recovery->folder(), opened.path);
    if (offer.recovered) {
        m_document.loadUnsaved(std::move(*offer.recovered), opened.path);
        // Save then asks, as in the session the work comes from, when the file changed since.
        m_diskWatch->setFileBasedOn(opened.path, offer.basedOn);
        followFileOnDisk();
        m_recovery->adoptCopy(offer.copy);
    } else {
        m_document.load(std::move(opened.file), opened.path);
        fileOnDiskIs(opened.path);
    }
}

void SpawnEditorWindow::fileOnDiskIs(const std::string& path) {
    m_diskWatch->setFile(path);
    followFileOnDisk();
}

void SpawnEditorWindow::followFileOnDisk() {
    m_recovery->setDiskStamp(m_diskWatch->knownStamp());
    m_recovery->fileIsOpen(m_diskWatch->path());
    updateCaption();
}

void SpawnEditorWindow::fileChangedOnDisk() {
    if (!askToReload(*m_dialogs, m_document.spawnPath(), m_document.isModified())) {
        return;
    }
    if (reloadSpawnFile(m_document, *m_dialogs, m_names, [this] { m_recovery->keepCopyForLater(); })) {
        m_editor->refreshRecordList();
        fileOnDiskIs(m_document.spawnPath());
    }
}

void SpawnEditorWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_diskWatch) {
        // Not from inside the event: the check may bring up a question.
        QTimer::singleShot(0, m_diskWatch, &DiskWatch::check);
    }
}

} // namespace spawn
