#pragma once

#include "DialogService.h"
#include "ElementNameTables.h"
#include "SpawnFile.h"

#include <functional>
#include <optional>
#include <string>

namespace spawn {

class SpawnDocument;

struct OpenedSpawnFile {
    SpawnFile file;
    std::string path; // full path
};

// Reads the element database at start-up: "elements.data" beside `namedFile` when a spawn file is
// named (as on the command line; relative to `folder`), then in `folder`, otherwise the file the
// user picks in the Open dialog (a file that cannot be read is reported by name and the dialog
// comes again). Shows the build message when there is one. Nothing when the program is to end: the
// dialog was cancelled (no message) or the database is unusable (its message shown).
std::optional<ElementNameTables> loadElementNamesAtStartup(DialogService& dialogs, const std::string& folder,
                                                           const std::string& namedFile = {});

// Finds and loads the spawn file at start-up: `namedFile` when given (as on the command line),
// otherwise "mobset.data" in `folder`; failing that, the file the user picks in the Open dialog. A
// file that cannot be read or is too short is reported by name and the dialog comes again. A load
// that stopped early is reported with its message. Nothing when the user cancels the dialog.
std::optional<OpenedSpawnFile> openSpawnFileAtStartup(DialogService& dialogs, const ElementNameTables& names,
                                                      const std::string& folder,
                                                      const std::string& namedFile = {});

// The Save command: backs up the file on disk (a failure is reported and saving goes on), asks for
// a name, writes the file over it as writeSpawnFileOver does (another file already there is backed
// up too, a failure reported likewise) and reports the count saved. Cancelling the dialog, or a
// failed write, leaves the document as it was. True when the file was written. `mayWrite`, when
// given, is asked with the chosen full path just before writing; false leaves all as it was.
// `written`, when given, runs once the file is written, before the count is reported.
bool saveSpawnFile(SpawnDocument& document, DialogService& dialogs, const std::string& folder,
                   const std::function<bool(const std::string&)>& mayWrite = {},
                   const std::function<void()>& written = {});

// Whether the editor may close: at once with nothing unsaved (no unsaved record and, when
// `formHoldsTypedText`, no typed text that Apply has not stored), otherwise when the user agrees
// to throw the changes away.
bool confirmClose(const SpawnDocument& document, DialogService& dialogs, bool formHoldsTypedText = false);

inline constexpr const char* kDiscardQuestion = "有未保存的修改。放弃这些修改并退出吗？";

} // namespace spawn
