#pragma once

#include "BulkEdit.h"
#include "ElementNameTables.h"
#include "RecordForm.h"
#include "Notifier.h"
#include "RecordSearch.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spawn {

class DialogService;
class RecordListView;
class SpawnDocument;

// Messages of the form commands.
inline constexpr const char* kEmptyBox = "编辑框不能为空！";
inline constexpr const char* kNoEntryToRemove = "无NPC种类！无法删除!";
inline constexpr const char* kTooManyEntries =
    "NPC种类已达100个！无法添加：多于100个的记录在下次载入时无法读取。";
inline constexpr const char* kSourceRecordGone = "这条记录已被删除！无法应用。";
// Asked before a command writes the form anew while it holds typed, unapplied text.
inline constexpr const char* kApplyTypedTextFirst = "表单中有尚未应用的修改。先应用吗？";

// The record list's commands (search, refresh, remove) and the record form with the clicks that
// fill it. Holds the state the window shows, without widgets: the view mode and hits live in the
// list model, the form's fields in the RecordForm; the window draws them and forwards the user's
// clicks and typing here.
class RecordEditor {
public:
    // No row: the list reported none, or nothing was clicked yet.
    static constexpr int kNoRow = -1;

    // All references must outlive the editor.
    RecordEditor(SpawnDocument& document, const ElementNameTables& names, RecordListView& list,
                 DialogService& dialogs);
    RecordEditor(const RecordEditor&) = delete;
    RecordEditor& operator=(const RecordEditor&) = delete;

    // After a file was loaded: every record listed, the label showing the file's record-count word.
    void showLoadedFile();

    SearchMode searchMode() const { return m_searchMode; }
    void setSearchMode(SearchMode mode) { m_searchMode = mode; }
    // Lists the hits for `text` (as typed) over the whole list; the filtered view.
    void searchRecords(const std::string& text);
    // Lists, as a search does, the records added or changed since the file was loaded or last
    // saved, aligned with the bytes it had then; the filtered view.
    void showChangedRecords();
    // Lists every record again; the full view.
    void refreshRecordList();
    // Removes the record of the current row and lists every record. Does nothing without a row
    // the list shows.
    void removeRecord();
    // Lists the records at these 1-based positions, in list order, as a search's hits: the filtered
    // view the commands on the list act on. After a history step or a command on many records the
    // list shows those of them still there.
    void showAreaHits(std::vector<std::int32_t> positions);
    // Moves the area of the record at a 1-based position by these world distances: X and Z grow
    // by them (stored as floats), a field moved by 0 keeps its bytes, every other byte stays, as
    // one history step "Move record N". The form follows when it shows that record; typed text in
    // its other boxes stays. False when nothing changed (no such record, or no move).
    bool moveRecord(std::int32_t position, double worldX, double worldZ);

    // A click on the list, with the row it hit (kNoRow for none). Fills the form from that row's
    // record unless it is the row last shown and the form was not reshaped since; true when the
    // form was filled.
    bool selectRecord(int row);

    // The form commands. Before a record has been shown there is no form and each does nothing.
    // Writes the form into the record it was filled from, wherever that record now stands; true
    // when the record then holds the form (also when it already did).
    bool applyForm();
    // Appends the form as a new record after the last one, in the full view.
    void newRecord();
    // Adds a creature entry with the default values to the form (not to the record).
    void addEntry();
    // Removes the form's last creature entry (not the record's).
    void removeLastEntry();
    // Copies the texts of the world X, Y and Z boxes, as shown, into the form's X, Y and Z fields;
    // an empty box leaves its field as it was.
    void copyPositionToForm(const std::string& x, const std::string& y, const std::string& z);

    // One step back or forward in the record history. The list is drawn again in the view it was
    // in (a search result is searched again); the row of the record the step touched becomes the
    // current row and its record is shown, as a click on it would, or no row is current when the
    // list does not show it (the form then stays). Unapplied typing is not part of the history.
    // The same follows any other move of the history (the history window's clicks and keys).
    void undo();
    void redo();
    // Moves the history to stand at `index` (the history window's pick), the list and form
    // following as after undo or redo.
    void moveHistoryTo(int index);

    // The records the list shows now, by 1-based position in list order: the working set of the
    // commands below.
    std::vector<std::int32_t> listedPositions() const;
    // What editing the listed records with `spec` would change, or why it is refused.
    Result<BulkEditPlan> planListedEdit(const BulkEditSpec& spec) const;
    // Edits the listed records as one history step ("Edit 1,234 records"); a refusal is shown as
    // a message and changes nothing, as does an edit that would change no byte. An edit of the
    // form's record while the form holds typed text first asks as settleTypedText does. True
    // when a step was made.
    bool editListedRecords(const BulkEditSpec& spec);
    // Asks "Remove 1,234 records?" and removes every listed record as one history step.
    bool removeListedRecords();

    // Before a command that writes the form anew (with another record, or its own record as a
    // command changed it): while the form holds typed, unapplied text, asks whether to apply it
    // first. Yes applies it, No lets the command drop it, Cancel stops the command. True when the
    // command may go on: nothing was typed, the text was applied, or the user let it go.
    bool settleTypedText();

    int currentRow() const { return m_currentRow; }
    const std::string& countLabel() const { return m_countLabel; }
    const RecordForm& form() const { return m_form; }
    // The text typed into field j's box. Precondition: 1 <= j <= the form's field count.
    void typeIntoField(std::size_t j, std::string text);

    Notifier<> countLabelChanged;
    // The grid got another number of fields; the view builds it anew, unscrolled.
    Notifier<> formRebuilt;
    // The fields' texts were written by the program.
    Notifier<> formFilled;
    // The position the form's X, Y and Z fields show, for the map and the coordinate boxes (x, y, z).
    Notifier<double, double, double> worldPositionShown;
    // New added a row at the end of the list; the list brings it into view.
    Notifier<int> rowAppended;
    // A history step made `row` the current row (kNoRow: none); the list marks it and shows it.
    Notifier<int> currentRowFollowed;

protected:
    // Fills the form from `record`, first building the grid for its entry count when `rebuild`;
    // the map follows the record's position.
    void showInForm(const SpawnRecord& record, bool rebuild);
    void setCountLabel(std::string text);
    // Refuses with the message when some box of the form is empty.
    bool formIsComplete();
    // The label for what the list shows after a search or another filter.
    void countListed();
    // After a step of the history: the list in its view, the form on its record.
    void followHistoryStep(std::optional<std::uint64_t> serial);
    // The list drawn anew in the view it is in: a search's hits are searched again.
    void redrawList();
    // The form filled anew from its record when that record's bytes are no longer those the form
    // stands for; its position, if it is still there.
    std::optional<std::int32_t> followFormRecord();
    // After a bulk command: the list redrawn, the form refilled when its record changed (and
    // only then: typed text in the form of a record left as it was stays), and the form's
    // record's row current when the list shows it.
    void followBulkStep();
    // Builds the grid anew for `record`, which carries the form's values across, and fills it.
    void reshapeForm(const SpawnRecord& record, std::size_t fieldCount);
    // The list was drawn anew: the next click reads its record afresh, whatever its row.
    void forgetHandledRow() { m_handledRow = kNeverHandled; }

    static constexpr int kNeverHandled = -2;
    static constexpr std::int32_t kNoEntryCount = -2;

    SpawnDocument& m_document;
    const ElementNameTables& m_names;
    RecordListView& m_list;
    DialogService& m_dialogs;

    SearchMode m_searchMode = SearchMode::Id;
    std::string m_countLabel;
    RecordForm m_form;
    int m_currentRow = kNoRow;
    int m_handledRow = kNeverHandled;
    std::int32_t m_formEntryCount = kNoEntryCount;
    bool m_forceRefresh = false;
    Subscription m_loads;
};

} // namespace spawn
