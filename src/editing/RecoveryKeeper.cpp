#include "RecoveryKeeper.h"

#include "SpawnDocument.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace spawn {

struct RecoveryKeeper::Job {
    bool remove = false;
    RecoveryPaths paths;
    RecoveryInfo info;
    std::vector<std::uint8_t> bytes;
    std::optional<RecoveryPaths> replaces; // removed once the write has succeeded
};

// What the keeper shares with the jobs it gave the queue, which may outlive it. A job supersedes
// any older one waiting for the same copy.
struct RecoveryKeeper::Shared {
    std::mutex mutex;
    std::condition_variable idle;
    std::deque<Job> pending;
    std::vector<std::uint8_t> spareBuffer; // the bytes of the last write, for the next snapshot
    int running = 0;
    bool alive = true; // the keeper is there to report a failure

    // Does the oldest pending job, if any (a superseded job leaves its turn to the next).
    void runOne(const std::string& folder, EventLoop& loop, const std::shared_ptr<Shared>& self,
                const std::function<void(const std::string&)>& report);
};

void RecoveryKeeper::Shared::runOne(const std::string& folder, EventLoop& loop, const std::shared_ptr<Shared>& self,
                                    const std::function<void(const std::string&)>& report) {
    std::unique_lock lock(mutex);
    if (pending.empty()) {
        --running;
        idle.notify_all();
        return;
    }
    Job job = std::move(pending.front());
    pending.pop_front();
    lock.unlock();
    Status done = job.remove ? removeRecoveryCopy(job.paths) : writeRecoveryCopy(folder, job.paths, job.info, job.bytes);
    if (done && job.replaces) {
        done = removeRecoveryCopy(*job.replaces);
    }
    if (!done) {
        std::weak_ptr<Shared> weak = self;
        loop.post([weak, report, message = done.error().message] {
            const auto shared = weak.lock();
            if (shared && shared->alive) {
                report(message);
            }
        });
    }
    lock.lock();
    if (!job.remove) {
        spareBuffer = std::move(job.bytes);
    }
    --running;
    idle.notify_all();
}

RecoveryKeeper::RecoveryKeeper(SpawnDocument& document, std::string folder, EventLoop& loop, BackgroundQueue& queue)
    : m_document(document), m_folder(std::move(folder)), m_loop(loop), m_queue(queue),
      m_timer(loop.makeTimer([this] { timeUp(); })), m_shared(std::make_shared<Shared>()),
      m_steps(document.history().indexChanged.connect([this](int) { stepMade(); })) {}

RecoveryKeeper::~RecoveryKeeper() {
    waitUntilIdle();
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->alive = false;
    }
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
    m_timer->stop();
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
    m_timer->stop();
    timeUp();
}

void RecoveryKeeper::waitUntilIdle() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->idle.wait(lock, [this] { return m_shared->pending.empty() && m_shared->running == 0; });
}

void RecoveryKeeper::stepMade() {
    // Not restarted by later steps, so that steady editing still writes every kWriteDelay.
    if (!m_timer->isActive()) {
        m_timer->start(kWriteDelay);
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
            const std::lock_guard lock(m_shared->mutex);
            bytes.swap(m_shared->spareBuffer);
        }
        serializeSpawnFileInto(bytes, m_document.context(), m_document.records());
        post({false, copyPaths(), {path, recoveryTimeOf(m_loop.now()), m_diskStamp}, std::move(bytes), m_adopted});
        m_writtenPath = path;
    } else {
        removeCopy();
    }
}

void RecoveryKeeper::post(Job job) {
    {
        const std::lock_guard lock(m_shared->mutex);
        std::erase_if(m_shared->pending, [&](const Job& older) { return older.paths.info == job.paths.info; });
        m_shared->pending.push_back(std::move(job));
        ++m_shared->running;
    }
    const auto report = [this](const std::string& message) {
        if (!m_failureReported) {
            m_failureReported = true;
            failed.notify(message);
        }
    };
    m_queue.run([shared = m_shared, folder = m_folder, loop = &m_loop, report] {
        shared->runOne(folder, *loop, shared, report);
    });
}

std::string recoveryQuestion(const RecoveryInfo& info, const std::optional<DiskStamp>& diskNow) {
    const std::string when = localRecoveryTimeText(info.time);
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
