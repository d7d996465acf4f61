#pragma once

#include "RecordDiff.h"
#include "SpawnFile.h"

#include <QObject>
#include <QUndoStack>

#include <QList>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace spawn {

// The open spawn file: its context, its records and where it lives. Every change to the records
// goes through here, as one step of the document's history, so that it can be undone and redone
// and the document knows when there is unsaved work.
class SpawnDocument : public QObject {
    Q_OBJECT
public:
    explicit SpawnDocument(QObject* parent = nullptr);
    ~SpawnDocument() override;

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

    // Record changes, each one step of the history. Each tells the views; a position outside
    // 1..count changes nothing and leaves no step. A replacement with the bytes the record already
    // has is no change: no step, and false.
    bool replaceRecord(std::int32_t position, SpawnRecord record);
    void appendRecord(SpawnRecord record);    // the record-count word goes up by one
    bool removeRecord(std::int32_t position); // the record-count word goes down by one

    // Changes of many records, each one step of the history whatever the count, named `text` (the
    // Undo action reads "Undo " + text). The step keeps only what it changed. Replacements whose
    // bytes equal the record's are dropped; when nothing is left to change there is no step and
    // the result is false. An invalid position refuses the whole call.
    using Replacement = std::pair<std::int32_t, SpawnRecord>;
    bool replaceRecords(std::vector<Replacement> replacements, const QString& text);
    // Positions in any order; one given twice is removed once. The count word moves by the number.
    bool removeRecords(std::vector<std::int32_t> positions, const QString& text);
    // After the last record; the count word moves by their number. False for none.
    bool appendRecords(std::vector<SpawnRecord> records, const QString& text);

    // The steps of the history. Each takes back (or does again) one change and gives the serial
    // of the record it changed (the first in file order for a step of many); nothing when there is
    // no step to take.
    const QUndoStack& history() const { return m_history; }
    std::optional<std::uint64_t> undo();
    std::optional<std::uint64_t> redo();
    // The serial of the first record a step of this document's history touched.
    std::uint64_t stepSerial(const QUndoCommand& step) const;
    // The history for a view that moves through it (QUndoView): every move runs the steps, and
    // historyJumped tells of it.
    QUndoStack* historyForView() { return &m_history; }

    // A record's serial names it while the program runs; its bytes change only with
    // recordChanged, recordsReplaced or loaded. recordsReset alone moves records, adds or drops
    // them, leaving the bytes of every record that stays as they were.
signals:
    void modifiedChanged(bool modified);
    void loaded(); // a new file: everything differs (recordsReset follows)
    void recordsReset();
    void recordChanged(std::int32_t position);
    void recordsReplaced(const QList<std::int32_t>& positions); // ascending, the count unchanged
    // The history was moved to another step by other means than undo(), redo() or a new step
    // (the history view set it): `serial` names the record of the step, of those undone (going
    // back) or redone (going forward), nearest to where the history now stands, as undo() and
    // redo() give it.
    void historyJumped(std::uint64_t serial);

private:
    friend class RecordStep;

    // The changes themselves, as the steps make them; the count word moves with the records.
    void putRecord(std::int32_t position, SpawnRecord record);
    void insertRecord(std::int32_t position, SpawnRecord record);
    SpawnRecord takeRecord(std::int32_t position);
    // Runs a change of the history made by the document itself (a step pushed, undone, redone,
    // the history cleared), which is no jump.
    template <class Change> void ownHistoryChange(Change change);
    void push(QUndoCommand* step); // takes the step

    void historyIndexChanged(int index);

    SpawnFile m_file;
    std::string m_path;
    RecordBytesSnapshot m_savedRecords;
    QUndoStack m_history;
    int m_historyIndex = 0; // where the history stood after the last change the document knows
    bool m_changingHistory = false;
};

} // namespace spawn
