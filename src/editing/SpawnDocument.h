#pragma once

#include "History.h"
#include "Notifier.h"
#include "RecordDiff.h"
#include "SpawnFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace spawn {

// What one change of the document did to its records.
struct DocumentChange {
    enum class Kind {
        Reset,    // a new file: everything differs
        Replaced, // records got new bytes where they stand; the count is unchanged
        Inserted, // records went in; `positions` are those they hold now
        Removed,  // records went out; `positions` are those they held before
    };
    Kind kind = Kind::Reset;
    std::vector<std::int32_t> positions;  // 1-based, ascending; empty for Reset
    std::vector<std::uint64_t> serials;   // the records', in the order of `positions`

    // Where the record at `position` before the change stands after it; nothing when it went.
    std::optional<std::int32_t> positionAfter(std::int32_t position) const;
};

// The open spawn file: its context, its records and where it lives. Every change to the records
// goes through here, as one step of the document's history, so that it can be undone and redone
// and the document knows when there is unsaved work.
class SpawnDocument {
public:
    SpawnDocument();
    ~SpawnDocument();
    SpawnDocument(const SpawnDocument&) = delete;
    SpawnDocument& operator=(const SpawnDocument&) = delete;

    // Takes over a freshly loaded file; the document is then unmodified, with no history.
    void load(SpawnFile file, std::string path);
    // Takes over work recovered after a crash: as load, but the document counts as modified until
    // it is saved (no step of the history leads back to the file on disk).
    void loadUnsaved(SpawnFile file, std::string path);

    const SpawnFileContext& context() const { return m_file.context; }
    const SpawnRecordList& records() const { return m_file.records; }
    const std::optional<LoadStop>& loadStop() const { return m_file.stopped; }
    const std::string& spawnPath() const { return m_path; }
    // The records' bytes as they were last loaded or successfully saved.
    const RecordBytesSnapshot& savedRecords() const { return m_savedRecords; }

    // Unsaved work: the history stands elsewhere than where the file was last loaded or saved.
    bool isModified() const { return !m_history.isClean(); }

    // Writes the file over `path` as writeSpawnFileOver does, backing up the file there by
    // `options`; on success `path` becomes the spawn path and the document is unmodified (the
    // history stays). On failure nothing in memory changes.
    Result<Overwritten> saveAs(const std::string& path, const OverwriteOptions& options = {});

    // Record changes, each one step of the history. A position outside 1..count changes nothing
    // and leaves no step. A replacement with the bytes the record already has is no change: no
    // step, and false.
    bool replaceRecord(std::int32_t position, SpawnRecord record);
    void appendRecord(SpawnRecord record);    // the record-count word goes up by one
    bool removeRecord(std::int32_t position); // the record-count word goes down by one

    // Changes of many records, each one step of the history whatever the count, named `text` (the
    // Undo action reads "Undo " + text). The step keeps only what it changed. Replacements whose
    // bytes equal the record's are dropped; when nothing is left to change there is no step and
    // the result is false. An invalid position refuses the whole call.
    using Replacement = std::pair<std::int32_t, SpawnRecord>;
    bool replaceRecords(std::vector<Replacement> replacements, std::string text);
    // Positions in any order; one given twice is removed once. The count word moves by the number.
    bool removeRecords(std::vector<std::int32_t> positions, std::string text);
    // After the last record; the count word moves by their number. False for none.
    bool appendRecords(std::vector<SpawnRecord> records, std::string text);

    // The steps of the history. Each takes back (or does again) one change and gives the serial
    // of the record it changed (the first in file order for a step of many); nothing when there is
    // no step to take.
    const History& history() const { return m_history; }
    std::optional<std::uint64_t> undo();
    std::optional<std::uint64_t> redo();
    // Moves the history to stand at `index` (a history window's pick), running the steps between:
    // the serial of the record of the step nearest to where it now stands, of those undone (going
    // back) or redone (going forward), as undo() and redo() give it; nothing when it did not move.
    std::optional<std::uint64_t> setHistoryIndex(int index);
    // The serial of the first record step i of the history touched. Precondition: 0 <= i < count.
    std::uint64_t stepSerial(int i) const;

    // A record's serial names it while the program runs; its bytes change only by a change of
    // kind Replaced or Reset.
    Notifier<const DocumentChange&> changed;
    // Whether there is unsaved work, after every change of it.
    Notifier<bool> modifiedChanged;

private:
    friend class RecordStep;

    SpawnFile m_file;
    std::string m_path;
    RecordBytesSnapshot m_savedRecords;
    History m_history;
    Subscription m_cleanChanged;
};

} // namespace spawn
