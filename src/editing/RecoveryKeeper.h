#pragma once

#include "DialogService.h"
#include "ElementNameTables.h"
#include "RecoveryFiles.h"
#include "SpawnFile.h"

#include <QObject>
#include <QTimer>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace spawn {

class SpawnDocument;

// Keeps a recovery copy of the document's unsaved work in a folder of its own (never beside the
// spawn file): shortly after each step of the history it writes the bytes Save would write, and
// once the work is saved, undone back to the saved state or dropped, it removes them. The GUI
// thread only takes the snapshot; a worker thread writes it, so the window never waits on the disk.
class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // A step is written at most this long after it was made (plus the time the write takes).
    static constexpr int kWriteDelayMs = 1000;

    RecoveryKeeper(SpawnDocument& document, std::string folder, QObject* parent = nullptr);
    ~RecoveryKeeper() override; // finishes what was asked of the worker

    const std::string& folder() const { return m_folder; }

    // What the spawn file on disk was when the document was loaded or last saved; written into
    // each copy's JSON.
    void setDiskStamp(std::optional<DiskStamp> stamp) { m_diskStamp = stamp; }

    // The copy already on disk for `spawnPath` is left exactly as it is for the rest of this run
    // (kept for a later start): no write or removal touches it while the document has that path.
    void holdCopyOf(const std::string& spawnPath) { m_heldPath = spawnPath; }
    // The copy on disk for the document's path holds this run's work (recovered at start-up): it
    // is removed when that work is saved or dropped, like one this keeper wrote.
    void adoptCopy();
    // The work is about to be dropped (a reload): its copy is written now if need be and then kept
    // on disk for a later start, untouched for the rest of this run.
    void keepCopyForLater();
    // The work was saved, or the user chose to close without saving it: the copy goes.
    void removeCopy();

    // Takes the snapshot now instead of when the delay runs out (closing, tests).
    void writeNow();
    // Waits until every write and removal asked for so far is done.
    void waitUntilIdle();

signals:
    // The first write or removal that failed in this run (later ones are not reported again);
    // `message` names the file or folder. The document is not affected.
    void failed(const QString& message);

private:
    struct Job {
        bool remove = false;
        RecoveryInfo info; // info.spawnPath names the copy
        std::vector<std::uint8_t> bytes;
    };

    void stepMade();
    void timeUp();
    void post(Job job);
    void work();

    SpawnDocument& m_document;
    const std::string m_folder;
    QTimer m_timer;
    std::optional<DiskStamp> m_diskStamp;
    std::optional<std::string> m_heldPath;
    std::optional<std::string> m_writtenPath; // the copy this run owns, if any
    bool m_failureReported = false;

    // Shared with the worker. A job supersedes any older one waiting for the same spawn path.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_pending;
    std::vector<std::uint8_t> m_spareBuffer; // the bytes of the last write, for the next snapshot
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_worker;
};

// At start-up, once the spawn file at `spawnPath` is chosen: the recovery copy kept for it, if any.
struct RecoveryOffer {
    std::optional<SpawnFile> recovered; // the user chose to go on with the copy's work
    bool keepCopy = false;              // the copy stays untouched for a later start
};

// Offers the recovery copy in `folder` kept for `spawnPath`: Yes (the default) gives the copy's
// file, No deletes the copy, Cancel keeps it. A copy that cannot be read is reported and kept.
RecoveryOffer offerRecoveryCopy(DialogService& dialogs, const ElementNameTables& names,
                                const std::string& folder, const std::string& spawnPath);

// "发现未保存的修改（<local time>）。恢复吗？", noting when the file on disk changed after the copy's
// work began.
std::string recoveryQuestion(const RecoveryInfo& info, const std::optional<DiskStamp>& diskNow);

} // namespace spawn
