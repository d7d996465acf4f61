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
}

void RecoveryKeeper::adoptCopy() {
    m_writtenPath = m_document.spawnPath();
    if (m_heldPath == m_writtenPath) {
        m_heldPath.reset();
    }
}

void RecoveryKeeper::keepCopyForLater() {
    if (!m_document.isModified()) {
        removeCopy(); // no work to keep: a copy still on disk holds undone work
        return;
    }
    writeNow();
    if (m_writtenPath) {
        m_heldPath = m_writtenPath;
        m_writtenPath.reset();
    }
}

void RecoveryKeeper::removeCopy() {
    m_timer.stop();
    if (m_writtenPath) {
        post({true, {*m_writtenPath, {}, {}}, {}});
        m_writtenPath.reset();
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
    if (path.empty() || m_heldPath == path) {
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
        post({false, {path, recoveryTimeNow(), m_diskStamp}, std::move(bytes)});
        m_writtenPath = path;
    } else {
        removeCopy();
    }
}

void RecoveryKeeper::post(Job job) {
    {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_pending,
                      [&](const Job& older) { return older.info.spawnPath == job.info.spawnPath; });
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
        const Status done = job.remove ? removeRecoveryCopy(m_folder, job.info.spawnPath)
                                       : writeRecoveryCopy(m_folder, job.info, job.bytes);
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
                                const std::string& folder, const std::string& spawnPath) {
    auto found = readRecoveryCopy(folder, spawnPath);
    if (!found) {
        dialogs.showMessage(found.error().message + "。恢复副本已保留。");
        return {std::nullopt, true};
    }
    if (!found.value()) {
        return {};
    }
    RecoveryCopy& copy = *found.value();
    switch (dialogs.ask(recoveryQuestion(copy.info, diskStampOf(spawnPath)), true, Answer::Yes)) {
    case Answer::Yes: {
        auto parsed = parseSpawnFile(copy.bytes, names, recoveryPathsFor(folder, spawnPath).bytes);
        if (!parsed) {
            dialogs.showMessage(parsed.error().message + "。恢复副本已保留。");
            return {std::nullopt, true};
        }
        if (parsed.value().stopped) {
            dialogs.showMessage(parsed.value().stopped->message);
        }
        return {std::move(parsed).value(), false};
    }
    case Answer::No:
        if (const auto removed = removeRecoveryCopy(folder, spawnPath); !removed) {
            dialogs.showMessage(removed.error().message);
        }
        return {};
    case Answer::Cancel:
        break;
    }
    return {std::nullopt, true};
}

} // namespace spawn
