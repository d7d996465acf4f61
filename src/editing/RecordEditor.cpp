#include "RecordEditor.h"

#include "RecordListModel.h"
#include "SpawnDocument.h"

namespace spawn {

RecordEditor::RecordEditor(SpawnDocument& document, const ElementNameTables& names, RecordListModel& list,
                           DialogService& dialogs, QObject* parent)
    : QObject(parent), m_document(document), m_names(names), m_list(list), m_dialogs(dialogs) {}

void RecordEditor::showLoadedFile() {
    m_list.showAll();
    forgetHandledRow();
    setCountLabel(countLabelText(m_document.context().recordCountWord()));
}

void RecordEditor::searchRecords(const std::string& text) {
    auto hits = spawn::searchRecords(m_document.records(), m_searchMode, text);
    const auto count = static_cast<std::int32_t>(hits.size());
    m_list.showHits(std::move(hits));
    forgetHandledRow();
    setCountLabel(hitCountLabelText(count));
}

void RecordEditor::refreshRecordList() {
    m_list.showAll();
    forgetHandledRow();
    setCountLabel(countLabelText(m_document.records().count()));
}

void RecordEditor::removeRecord() {
    const auto position = m_list.positionOfRow(m_currentRow);
    if (!position) {
        return;
    }
    m_document.removeRecord(*position);
    refreshRecordList();
}

bool RecordEditor::selectRecord(int row) {
    m_currentRow = row;
    if (row == m_handledRow && !m_forceRefresh) {
        return false;
    }
    const auto position = m_list.positionOfRow(row);
    if (!position) {
        return false; // no row marked: the form stays as it was
    }
    const SpawnRecord& record = m_document.records().at(*position);
    showInForm(record, record.entryCount != m_formEntryCount || m_forceRefresh);
    m_form.setSourceSerial(record.serial);
    m_handledRow = row;
    m_forceRefresh = false;
    return true;
}

void RecordEditor::typeIntoField(std::size_t j, std::string text) {
    if (j >= 1 && j <= m_form.fieldCount() && !RecordForm::isReadOnly(j)) {
        m_form.setText(j, std::move(text));
    }
}

void RecordEditor::showInForm(const SpawnRecord& record, bool rebuild) {
    if (rebuild) {
        m_form.build(formFieldCount(record.entryCount));
        m_formEntryCount = record.entryCount;
        emit formRebuilt();
    }
    m_form.fill(record);
    emit formFilled();
    const RecordForm::Position p = m_form.position();
    emit worldPositionShown(p.x, p.y, p.z);
}

void RecordEditor::setCountLabel(std::string text) {
    m_countLabel = std::move(text);
    emit countLabelChanged();
}

} // namespace spawn
