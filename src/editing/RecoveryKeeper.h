#pragma once

#include "DialogService.h"
#include "ElementNameTables.h"
#include "RecoveryFiles.h"
#include "SpawnFile.h"

#include "EventLoop.h"
#include "Notifier.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spawn {

class SpawnDocument;

// Keeps a recovery copy of the document's unsaved work in a folder of its own (never beside the
// spawn file): shortly after each step of the history it writes the bytes Save would write, and
// once the work is saved, undone back to the saved state or dropped, it removes them. Each window
// keeps a copy of its own, named after the window, so that two windows on one file never write
// over each other's work. The window's thread only takes the snapshot; the background queue the
// window hands in writes it, so the window never waits on the disk.
class RecoveryKeeper {
public:
    // A step is written at most this long after it was made (plus the time the write takes).
    static constexpr std::chrono::milliseconds kWriteDelay{1000};

    // The document, the loop and the queue must outlive the keeper.
    RecoveryKeeper(SpawnDocument& document, std::string folder, EventLoop& loop, BackgroundQueue& queue);
    ~RecoveryKeeper(); // finishes what was asked of the queue, then takes the open marker away
    RecoveryKeeper(const RecoveryKeeper&) = delete;
    RecoveryKeeper& operator=(const RecoveryKeeper&) = delete;

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

    // The first write or removal that failed in this run (later ones are not reported again), on
    // the window's thread; the message names the file or folder. The document is not affected.
    Notifier<const std::string&> failed;

private:
    struct Job;
    struct Shared;

    void stepMade();
    void timeUp();
    void post(Job job);

    SpawnDocument& m_document;
    const std::string m_folder;
    EventLoop& m_loop;
    BackgroundQueue& m_queue;
    const RecoveryOwner m_window = newRecoveryOwner();
    RecoveryOwner m_copyOwner = m_window; // whose name the copies of the work go under
    std::unique_ptr<Timer> m_timer;
    std::optional<DiskStamp> m_diskStamp;
    std::optional<std::string> m_markedPath;  // the file the open marker names
    std::optional<std::string> m_writtenPath; // the spawn path of the copy this window owns, if any
    std::optional<RecoveryPaths> m_adopted;   // a recovered copy whose work this window carries on
    bool m_failureReported = false;
    std::shared_ptr<Shared> m_shared; // with the jobs on the queue
    Subscription m_steps;
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
