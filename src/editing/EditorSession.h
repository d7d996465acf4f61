#pragma once

#include "DialogService.h"
#include "DiskWatch.h"
#include "ElementNameTables.h"
#include "EventLoop.h"
#include "FileCommands.h"
#include "Notifier.h"
#include "RecordClipboard.h"
#include "RecordEditor.h"
#include "RecordListView.h"
#include "RecoveryKeeper.h"
#include "SpawnDocument.h"
#include "SpawnDots.h"

#include <string>

namespace spawn {

// What a window needs of its platform for an editing session.
struct SessionPlatform {
    DialogService& dialogs;
    EventLoop& loop;
    BackgroundQueue& background; // writes recovery copies
    FileWatcher& watcher;        // the file on disk
    std::string recoveryFolder;
};

// One window's editing of one spawn file: the element names, the document, the record list and
// the form, the clipboard commands, the recovery copies and the watch on the file on disk, with
// the commands that open, save, reload and close it and the questions they ask. A window builds
// one, draws what it holds and forwards the user's commands to it.
class EditorSession {
public:
    // Everything in `platform` must outlive the session.
    explicit EditorSession(const SessionPlatform& platform);
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    // Start-up: reads the names and loads the spawn file, looking in `folder` first; `spawnFile`,
    // when given, is opened instead of the folder's "mobset.data", and the element database is
    // looked for beside it before `folder`. A recovery copy of work left by a window that no
    // longer runs is offered first. False when the program is to end before the window is shown.
    bool start(const std::string& folder, const std::string& spawnFile = {});

    // The Save command with its guards: the file changed by another program is asked about; the
    // editor's own write is never taken for another program's. True when the file was written.
    bool save();
    // Whether the window may close (unsaved work and typed text are asked about); when it may,
    // the recovery copy goes, as the user chose to leave the work.
    bool mayClose();
    // Compares the file on disk now (the window calls this when it is activated); a new version
    // is asked about once.
    void checkFileOnDisk() { m_diskWatch.check(); }

    const std::string& folder() const { return m_folder; }
    ElementNameTables& names() { return m_names; }
    SpawnDocument& document() { return m_document; }
    RecordListView& listView() { return m_listView; }
    RecordEditor& editor() { return m_editor; }
    RecordClipboard& clipboard() { return m_clipboard; }
    RecoveryKeeper& recovery() { return m_recovery; }
    DiskWatch& diskWatch() { return m_diskWatch; }
    DialogService& dialogs() { return m_dialogs; }

    // The dots of the records the list shows, for the map.
    std::vector<MapDot> listedDots();

    // The open file changed name or was loaded anew (a caption shows it).
    Notifier<> fileOpened;

private:
    void loadOpened(OpenedSpawnFile opened); // offers a recovery copy first
    void fileOnDiskIs(const std::string& path); // loaded or saved: what later changes compare with
    void followFileOnDisk(); // the recovery copies, the open marker and the caption follow the watch
    void fileChangedOnDisk();

    DialogService& m_dialogs;
    std::string m_folder;
    ElementNameTables m_names;
    SpawnDocument m_document;
    // The map points follow each change before the list does, so that the dots drawn for the
    // list's new rows find the points of the records that stayed.
    RecordMapPoints m_mapPoints;
    Subscription m_mapPointsFollow;
    RecordListView m_listView;
    RecordEditor m_editor;
    RecordClipboard m_clipboard;
    RecoveryKeeper m_recovery;
    DiskWatch m_diskWatch;
    Subscriptions m_subscriptions;
};

} // namespace spawn
