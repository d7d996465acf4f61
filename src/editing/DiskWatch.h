#pragma once

#include "DialogService.h"
#include "ElementNameTables.h"
#include "RecoveryFiles.h"
#include "SpawnFile.h"

#include "EventLoop.h"
#include "Notifier.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace spawn {

class SpawnDocument;

// Watches the spawn file for changes made by other programs. Its stamp (size, modification time,
// inode) when the document loaded or saved it is what every check compares with, so the editor's
// own saves and changes that undo themselves never count. The window hands in its event loop and
// its file watcher; a window without a watcher calls check() when it regains the focus.
class DiskWatch {
public:
    // Bursts of change notices (a rename comes with several) are taken together after this long.
    static constexpr std::chrono::milliseconds kSettle{200};

    // Both must outlive the watch.
    DiskWatch(EventLoop& loop, FileWatcher& watcher);
    DiskWatch(const DiskWatch&) = delete;
    DiskWatch& operator=(const DiskWatch&) = delete;

    // The file as the document has just loaded or saved it: watched from now on.
    void setFile(const std::string& path);
    // The file as recovered work found it: `basedOn` is what the file was when that work began
    // (nothing: not known), so that Save asks when the file changed since. The version on disk now
    // counts as announced: the recovery question has said whether it changed.
    void setFileBasedOn(const std::string& path, const std::optional<DiskStamp>& basedOn);
    const std::string& path() const { return m_path; }
    const std::optional<DiskStamp>& knownStamp() const { return m_known; }

    // Whether the file on disk is another version than the one loaded or saved. A file that is
    // gone does not count: there is nothing to reload, and Save writes it anew.
    bool changedOnDisk() const;

    // Compares now (the window calls this when it regains the focus). Each new version of the
    // file is announced once, whatever the user then answers.
    void check();

    // A new version of the file was found, once per version.
    Notifier<> changed;

private:
    FileWatcher& m_watcher;
    std::unique_ptr<Timer> m_settle;
    std::string m_path;
    std::optional<DiskStamp> m_known;
    std::optional<DiskStamp> m_announced;
};

// Texts of the questions about a changed file.
std::string changedOnDiskQuestion(const std::string& path, bool unsavedWork);
std::string saveOverChangedQuestion(const std::string& path); // "<path> 已被其他程序修改。仍然保存吗？"

// The spawn file changed on disk: asks whether to reload it. Without unsaved work Yes (reload) is
// the default; with unsaved work No (keep editing) is, as a reload drops that work.
bool askToReload(DialogService& dialogs, const std::string& path, bool unsavedWork);

// Before Save writes `path`: true when it may, that is when `path` is not the watched file, the
// file has not changed on disk, or the user agrees to write over the change (default No).
bool confirmSaveOverChangedFile(const DiskWatch& watch, DialogService& dialogs, const std::string& path);

// Reads the document's spawn file again from disk and replaces the document with it (no history,
// unmodified). A file that cannot be read is reported and the document stays as it was; a load
// that stopped early is reported as at start-up. `beforeReplacing` runs once the file is read,
// while the document still holds its work. True when reloaded.
bool reloadSpawnFile(SpawnDocument& document, DialogService& dialogs, const ElementNameTables& names,
                     const std::function<void()>& beforeReplacing = {});

} // namespace spawn
