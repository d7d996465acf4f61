#include "RecoveryKeeper.h"

#include "SpawnDocument.h"

#include <QDateTime>
#include <QUndoStack>

#include <algorithm>

namespace spawn {

RecoveryKeeper::RecoveryKeeper(SpawnDocument& document, std::string folder, QObject* parent)
    : QObject(parent), m_document(document), m_folder(std::move(folder)) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(kWriteDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryKeeper::timeUp);
    connect(&m_document.history(), &QUndoStack::indexChanged, this, &RecoveryKeeper::stepMade);
    m_worker = std::thread([this] { work(); });
}

RecoveryKeeper::~RecoveryKeeper() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_worker.join();
    if (m_markedPath) {
        static_cast<void>(unmarkFileOpen(m_folder, *m_markedPath, m_window));
    }
}

RecoveryPaths RecoveryKeeper::copyPaths() const {
    return recoveryPathsFor(m_folder, m_document.spawnPath(), m_copyOwner);
}

void RecoveryKeeper::fileIsOpen(const std::string& spawnPath) {
    if (m_markedPath == spawnPath) {
        return;
    }
    if (m_markedPath) {
        static_cast<void>(unmarkFileOpen(m_folder, *m_markedPath, m_window));
    }
    static_cast<void>(markFileOpen(m_folder, spawnPath, m_window));
    m_markedPath = spawnPath;
}

void RecoveryKeeper::adoptCopy(const RecoveryPaths& adopted) {
    m_adopted = adopted;
    writeNow();
}

void RecoveryKeeper::keepCopyForLater() {
    if (!m_document.isModified()) {
        removeCopy(); // no work to keep: a copy still on disk holds undone work
        return;
    }
    writeNow();
    m_writtenPath.reset();
    m_adopted.reset(); // the copy just written holds its work; the write removes it
    m_copyOwner = newRecoveryOwner();
}

void RecoveryKeeper::removeCopy() {
    m_timer.stop();
    if (m_writtenPath) {
        post({true, recoveryPathsFor(m_folder, *m_writtenPath, m_copyOwner), {}, {}, {}});
        m_writtenPath.reset();
    }
    if (m_adopted) {
        post({true, *m_adopted, {}, {}, {}});
        m_adopted.reset();
    }
}

void RecoveryKeeper::writeNow() {
    m_timer.stop();
    timeUp();
}

void RecoveryKeeper::waitUntilIdle() {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_pending.empty() && !m_busy; });
}

void RecoveryKeeper::stepMade() {
    // Not restarted by later steps, so that steady editing still writes every kWriteDelayMs.
    if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void RecoveryKeeper::timeUp() {
    const std::string& path = m_document.spawnPath();
    if (path.empty()) {
        return;
    }
    if (m_writtenPath && *m_writtenPath != path) {
        removeCopy(); // saved under another name meanwhile
    }
    if (m_document.isModified()) {
        // The only work on this thread: one pass that copies the records' bytes, into the buffer of
        // the last write when there is one, sparing an allocation of the file's size.
        std::vector<std::uint8_t> bytes;
        {
            const std::lock_guard lock(m_mutex);
            bytes.swap(m_spareBuffer);
        }
        serializeSpawnFileInto(bytes, m_document.context(), m_document.records());
        post({false, copyPaths(), {path, recoveryTimeNow(), m_diskStamp}, std::move(bytes), m_adopted});
        m_writtenPath = path;
    } else {
        removeCopy();
    }
}

void RecoveryKeeper::post(Job job) {
    {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_pending, [&](const Job& older) { return older.paths.info == job.paths.info; });
        m_pending.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void RecoveryKeeper::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        if (m_pending.empty()) {
            return; // stopping with nothing left to do
        }
        Job job = std::move(m_pending.front());
        m_pending.pop_front();
        m_busy = true;
        lock.unlock();
        Status done = job.remove ? removeRecoveryCopy(job.paths)
                                 : writeRecoveryCopy(m_folder, job.paths, job.info, job.bytes);
        if (done && job.replaces) {
            done = removeRecoveryCopy(*job.replaces);
        }
        if (!done) {
            const QString message = QString::fromStdString(done.error().message);
            QMetaObject::invokeMethod(
                this,
                [this, message] {
                    if (!m_failureReported) {
                        m_failureReported = true;
                        emit failed(message);
                    }
                },
                Qt::QueuedConnection);
        }
        lock.lock();
        if (!job.remove) {
            m_spareBuffer = std::move(job.bytes);
        }
        m_busy = false;
        m_wake.notify_all();
    }
}

std::string recoveryQuestion(const RecoveryInfo& info, const std::optional<DiskStamp>& diskNow) {
    const QDateTime made = QDateTime::fromString(QString::fromStdString(info.time), Qt::ISODate);
    const std::string when =
        made.isValid() ? made.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString()
                       : info.time;
    std::string text = "发现未保存的修改（" + when + "）。恢复吗？";
    if (info.diskStamp && diskNow && *info.diskStamp != *diskNow) {
        text += "\n文件在那之后已被其他程序修改。";
    }
    return text;
}

RecoveryOffer offerRecoveryCopy(DialogService& dialogs, const ElementNameTables& names,
                                const std::string& folder, const std::string& spawnPath,
                                const ProcessCheck& runs) {
    for (const RecoveryPaths& paths : recoveryCopiesOfEndedWindows(folder, spawnPath, runs)) {
        auto found = readRecoveryCopy(paths, spawnPath);
        if (!found) {
            dialogs.showMessage(found.error().message + "。恢复副本已保留。");
            continue;
        }
        if (!found.value()) {
            continue; // removed meanwhile
        }
        const RecoveryCopy& copy = *found.value();
        // Only a copy that can be restored is offered.
        auto parsed = parseSpawnFile(copy.bytes, names, paths.bytes);
        if (!parsed) {
            dialogs.showMessage(parsed.error().message + "。恢复副本已保留。");
            continue;
        }
        switch (dialogs.ask(recoveryQuestion(copy.info, diskStampOf(spawnPath)), true, Answer::Yes)) {
        case Answer::Yes:
            if (parsed.value().stopped) {
                dialogs.showMessage(parsed.value().stopped->message);
            }
            return {std::move(parsed).value(), copy.info.diskStamp, paths};
        case Answer::No:
            if (const auto removed = removeRecoveryCopy(paths); !removed) {
                dialogs.showMessage(removed.error().message);
            }
            return {};
        case Answer::Cancel:
            return {};
        }
    }
    return {};
}

std::string openInAnotherWindowMessage(const std::string& spawnPath) {
    return spawnPath + " 已在另一个编辑器窗口中打开。";
}

void warnIfOpenInAnotherWindow(DialogService& dialogs, const std::string& folder,
                               const std::string& spawnPath, const RecoveryOwner& self,
                               const ProcessCheck& runs) {
    if (fileOpenInAnotherWindow(folder, spawnPath, self, runs)) {
        dialogs.showMessage(openInAnotherWindowMessage(spawnPath));
    }
}

} // namespace spawn
