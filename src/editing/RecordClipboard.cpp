#include "RecordClipboard.h"

#include "DialogService.h"
#include "FilePath.h"
#include "RecordEditor.h"
#include "RecordListView.h"
#include "SpawnDocument.h"
#include "SpawnJson.h"

#include <filesystem>

namespace spawn {

RecordClipboard::RecordClipboard(SpawnDocument& document, const ElementNameTables& names,
                                 RecordListView& list, RecordEditor& editor, DialogService& dialogs)
    : m_document(document), m_names(names), m_list(list), m_editor(editor),
      m_dialogs(dialogs) {}

std::string RecordClipboard::copyShownRecord() const {
    const auto serial = m_editor.form().sourceSerial();
    const auto position = serial ? m_document.records().positionOf(*serial) : std::nullopt;
    if (!position) {
        return {};
    }
    const std::int32_t positions[] = {*position};
    return exportRecordsJson(m_document.records(), positions, true);
}

std::string RecordClipboard::copyListedRecords() const {
    return exportRecordsJson(m_document.records(), m_list.listed(), true);
}

bool RecordClipboard::paste(std::string_view text) {
    const auto* begin = reinterpret_cast<const std::uint8_t*>(text.data());
    auto records = importRecordsJson(std::span(begin, text.size()));
    if (!records) {
        m_dialogs.showMessage(records.error().message);
        return false;
    }
    return appendAndShow(std::move(records).value(), "Paste");
}

bool RecordClipboard::appendFromFile() {
    const std::string& current = m_document.spawnPath();
    FileDialogRequest request;
    request.directory =
        current.empty() ? std::string() : utf8Of(filePath(current).parent_path());
    request.filter = "Spawn file or JSON (*.data *.json);;All files (*)";
    const auto chosen = m_dialogs.chooseFileToOpen(request);
    if (!chosen) {
        return false;
    }
    auto records = readRecordSource(*chosen);
    if (!records) {
        m_dialogs.showMessage(records.error().message);
        return false;
    }
    return appendAndShow(std::move(records).value(), "Append");
}

bool RecordClipboard::appendAndShow(std::vector<SpawnRecord> records, const std::string& verb) {
    const std::int32_t before = m_document.records().count();
    const auto count = records.size();
    for (SpawnRecord& record : records) {
        record.applyName(m_names);
    }
    const std::string text = verb + " " + std::to_string(count) + (count == 1 ? " record" : " records");
    // The first of them is shown in the form: text typed there is applied or let go first.
    if (records.empty() || !m_editor.settleTypedText() ||
        !m_document.appendRecords(std::move(records), text)) {
        return false;
    }
    m_editor.refreshRecordList();
    const int row = m_list.rowOfPosition(before + 1);
    m_editor.selectRecord(row);
    recordsAppended.notify(row);
    return true;
}

} // namespace spawn
