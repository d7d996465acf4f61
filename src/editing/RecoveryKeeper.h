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
// once the work is saved, undone back to the saved state or dropped, it removes them. Each window
// keeps a copy of its own, named after the window, so that two windows on one file never write
// over each other's work. The GUI thread only takes the snapshot; a worker thread writes it, so
// the window never waits on the disk.
class RecoveryKeeper : public QObject {
    Q_OBJECT
public:
    // A step is written at most this long after it was made (plus the time the write takes).
    static constexpr int kWriteDelayMs = 1000;

    RecoveryKeeper(SpawnDocument& document, std::string folder, QObject* parent = nullptr);
    ~RecoveryKeeper() override; // finishes what was asked of the worker, then takes the open marker away

    const std::string& folder() const { return m_folder; }
    // The window, as its open marker names it.
    const RecoveryOwner& window() const { return m_window; }
    // Where the copy of the document's work goes now.
    RecoveryPaths copyPaths() const;

    // What the spawn file on disk was when the document was loaded or last saved, or what the
    // recovered work was based on; written into each copy's JSON.
    void setDiskStamp(std::optional<DiskStamp> stamp) { m_diskStamp = stamp; }

    // The document has `spawnPath` open (loaded, or saved there): the window's open marker names
    // it from now on, instead of the file it had open before. A marker that cannot be written only
    // costs another window's warning, so it is not reported.
    void fileIsOpen(const std::string& spawnPath);

    // The document holds the work of the copy at `adopted` (recovered at start-up): this window's
    // own copy is written now, and the adopted one is removed once that write has succeeded.
    void adoptCopy(const RecoveryPaths& adopted);
    // The work is about to be dropped (a reload): its copy is written now if need be and then kept
    // on disk for a later start; later work goes to a copy of its own.
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
        RecoveryPaths paths;
        RecoveryInfo info;
        std::vector<std::uint8_t> bytes;
        std::optional<RecoveryPaths> replaces; // removed once the write has succeeded
    };

    void stepMade();
    void timeUp();
    void post(Job job);
    void work();

    SpawnDocument& m_document;
    const std::string m_folder;
    const RecoveryOwner m_window = newRecoveryOwner();
    RecoveryOwner m_copyOwner = m_window; // whose name the copies of the work go under
    QTimer m_timer;
    std::optional<DiskStamp> m_diskStamp;
    std::optional<std::string> m_markedPath;  // the file the open marker names
    std::optional<std::string> m_writtenPath; // the spawn path of the copy this window owns, if any
    std::optional<RecoveryPaths> m_adopted;   // a recovered copy whose work this window carries on
    bool m_failureReported = false;

    // Shared with the worker. A job supersedes any older one waiting for the same copy.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_pending;
    std::vector<std::uint8_t> m_spareBuffer; // the bytes of the last write, for the next snapshot
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_worker;
};

// At start-up, once the spawn file at `spawnPath` is chosen: a recovery copy kept for it, if any.
struct RecoveryOffer {
    std::optional<SpawnFile> recovered; // the user chose to go on with the copy's work
    std::optional<DiskStamp> basedOn;   // what the file on disk was when that work began
    RecoveryPaths copy;                 // where the recovered work was kept
};

// Offers the newest recovery copy in `folder` kept for `spawnPath` by a window that no longer runs
// (`runs` says which do): Yes (the default) gives the copy's file, No deletes the copy, Cancel keeps
// it. The other copies stay for later starts. A copy that cannot be read is reported, kept, and
// the next one is offered instead.
RecoveryOffer offerRecoveryCopy(DialogService& dialogs, const ElementNameTables& names,
                                const std::string& folder, const std::string& spawnPath,
                                const ProcessCheck& runs = processRuns);

// "<path> 已在另一个编辑器窗口中打开。", once, when another window that still runs has the file
// open. Opening goes on.
void warnIfOpenInAnotherWindow(DialogService& dialogs, const std::string& folder,
                               const std::string& spawnPath, const RecoveryOwner& self,
                               const ProcessCheck& runs = processRuns);
std::string openInAnotherWindowMessage(const std::string& spawnPath);

// "发现未保存的修改（<local time>）。恢复吗？", noting when the file on disk changed after the copy's
// work began.
std::string recoveryQuestion(const RecoveryInfo& info, const std::optional<DiskStamp>& diskNow);

} // namespace spawn
