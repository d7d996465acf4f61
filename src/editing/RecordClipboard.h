#pragma once

#include "ElementNameTables.h"
#include "SpawnRecord.h"

#include "Notifier.h"

#include <string>
#include <string_view>
#include <vector>

namespace spawn {

class DialogService;
class RecordEditor;
class RecordListView;
class SpawnDocument;

// Copy and paste of records between files, as the JSON records document; the window moves the
// text to and from the system clipboard.
class RecordClipboard {
public:
    // All references must outlive the clipboard.
    RecordClipboard(SpawnDocument& document, const ElementNameTables& names, RecordListView& list,
                    RecordEditor& editor, DialogService& dialogs);

    // The document of the record the form shows, with its name; empty when the form shows none.
    std::string copyShownRecord() const;
    // The document of every record the list shows, in list order.
    std::string copyListedRecords() const;

    // Appends the records of a records document or a whole export after the last record as one
    // step, then lists every record with the first appended one current and shown. Anything else
    // is refused with the reason and changes nothing. Text typed into the form and not applied is
    // first settled (RecordEditor::settleTypedText). True when records were appended.
    bool paste(std::string_view text);
    // The same from a spawn file or JSON export the user picks in the Open dialog.
    bool appendFromFile();

    // Records were appended; the row (in the full view) shows the first of them and is current.
    Notifier<int> recordsAppended;

private:
    bool appendAndShow(std::vector<SpawnRecord> records, const std::string& verb);

    SpawnDocument& m_document;
    const ElementNameTables& m_names;
    RecordListView& m_list;
    RecordEditor& m_editor;
    DialogService& m_dialogs;
};

} // namespace spawn
