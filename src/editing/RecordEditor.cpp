#include "RecordEditor.h"

#include "ByteReader.h"
#include "DialogService.h"
#include "NumberText.h"
#include "RecordDiff.h"
#include "RecordListView.h"
#include "SpawnDocument.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <bit>

namespace spawn {

RecordEditor::RecordEditor(SpawnDocument& document, const ElementNameTables& names, RecordListView& list,
                           DialogService& dialogs)
    : m_document(document), m_names(names), m_list(list), m_dialogs(dialogs) {
    // A new file (a reload, a recovered copy) numbers its records afresh: the form's record is not
    // in it, whatever serial it had, so Apply cannot write the old record's fields over another.
    m_loads = m_document.changed.connect([this](const DocumentChange& change) {
        if (change.kind == DocumentChange::Kind::Reset) {
            m_form.setSourceSerial(std::nullopt);
            m_currentRow = kNoRow;
            forgetHandledRow();
        }
    });
}

void RecordEditor::showLoadedFile() {
    m_list.showAll();
    forgetHandledRow();
    setCountLabel(countLabelText(m_document.context().recordCountWord()));
}

void RecordEditor::searchRecords(const std::string& text) {
    m_list.showSearch(m_searchMode, text);
    countListed();
}

void RecordEditor::countListed() {
    forgetHandledRow();
    setCountLabel(hitCountLabelText(m_list.rowCount()));
}

void RecordEditor::showChangedRecords() {
    m_list.showChanged();
    countListed();
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

namespace {

bool isListed(const SpawnRecordList& records, std::int32_t position) {
    return position >= 1 && position <= records.count();
}

} // namespace

void RecordEditor::showAreaHits(std::vector<std::int32_t> positions) {
    m_list.showArea(std::move(positions));
    countListed();
}

bool RecordEditor::moveRecord(std::int32_t position, double worldX, double worldZ) {
    if (!isListed(m_document.records(), position)) {
        return false;
    }
    SpawnRecord moved = m_document.records().at(position);
    if (moved.bytes.size() < SpawnLayout::kPositionZOffset + sizeof(float)) {
        return false;
    }
    const auto moveBy = [&moved](std::size_t offset, double distance) {
        if (distance != 0) {
            const auto value = static_cast<double>(std::bit_cast<float>(readI32At(moved.bytes, offset)));
            writeI32At(moved.bytes, offset,
                       std::bit_cast<std::int32_t>(static_cast<float>(value + distance)));
        }
    };
    moveBy(SpawnLayout::kPositionXOffset, worldX);
    moveBy(SpawnLayout::kPositionZOffset, worldZ);
    const std::uint64_t serial = moved.serial;
    if (!m_document.replaceRecords({{position, std::move(moved)}},
                                   "Move record " + std::to_string(position))) {
        return false;
    }
    if (m_form.isEmpty() || m_form.sourceSerial() != serial) {
        return true;
    }
    const SpawnRecord& record = m_document.records().at(position);
    if (!m_form.hasUnappliedText()) {
        // As after a history step: the form shows its record as it now is.
        showInForm(record, false);
        m_forceRefresh = false;
        return true;
    }
    // Only X and Z take the moved values; what was typed in the other boxes stays.
    m_form.refillField(record, RecordForm::kXField);
    m_form.refillField(record, RecordForm::kZField);
    m_form.setBaseline(record.bytes);
    formFilled.notify();
    const RecordForm::Position p = m_form.position();
    worldPositionShown.notify(p.x, p.y, p.z);
    return true;
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

bool RecordEditor::applyForm() {
    if (m_form.isEmpty() || !formIsComplete()) {
        return false;
    }
    const auto position =
        m_form.sourceSerial() ? m_document.records().positionOf(*m_form.sourceSerial()) : std::nullopt;
    if (!position) {
        m_dialogs.showMessage(kSourceRecordGone);
        return false;
    }
    SpawnRecord record = m_form.toRecord(m_names);
    m_form.setBaseline(record.bytes);
    m_document.replaceRecord(*position, std::move(record));
    return true;
}

bool RecordEditor::settleTypedText() {
    if (!m_form.hasUnappliedText()) {
        return true;
    }
    switch (m_dialogs.ask(kApplyTypedTextFirst, true, Answer::Yes)) {
    case Answer::Yes:
        return applyForm();
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

void RecordEditor::newRecord() {
    if (m_form.isEmpty() || !formIsComplete()) {
        return;
    }
    SpawnRecord record = m_form.toRecord(m_names);
    m_form.setBaseline(record.bytes); // what was typed is stored, as the new record
    if (m_list.isFiltered()) {
        refreshRecordList();
    }
    m_document.appendRecord(std::move(record));
    forgetHandledRow();
    rowAppended.notify(m_list.rowCount() - 1);
}

void RecordEditor::addEntry() {
    if (m_form.isEmpty()) {
        return;
    }
    const std::int32_t entries = parseCInt(m_form.text(RecordForm::kEntryCountField));
    if (entries >= SpawnLayout::kMaxEntryCount) {
        m_dialogs.showMessage(kTooManyEntries);
        return;
    }
    const std::size_t fieldCount = m_form.fieldCount();
    reshapeForm(m_form.toRecord(m_names), fieldCount + SpawnLayout::kEntryFieldCount);
    m_form.setText(RecordForm::kEntryCountField, formatInt(std::int64_t{entries} + 1));
    for (std::size_t i = 0; i < SpawnLayout::kEntryFieldCount; ++i) {
        m_form.setText(fieldCount + 1 + i, formatInt(SpawnLayout::kDefaultEntryValues[i]));
    }
    formFilled.notify();
}

void RecordEditor::removeLastEntry() {
    if (m_form.isEmpty()) {
        return;
    }
    const std::int32_t entries = parseCInt(m_form.text(RecordForm::kEntryCountField));
    if (entries <= 0 || m_form.fieldCount() < formFieldCount(1)) {
        m_dialogs.showMessage(kNoEntryToRemove);
        return;
    }
    // The count goes down first, so that the last entry is left out of the record taken.
    m_form.setText(RecordForm::kEntryCountField, formatInt(entries - 1));
    reshapeForm(m_form.toRecord(m_names), m_form.fieldCount() - SpawnLayout::kEntryFieldCount);
}

void RecordEditor::copyPositionToForm(const std::string& x, const std::string& y, const std::string& z) {
    if (m_form.isEmpty()) {
        return;
    }
    const std::pair<std::size_t, const std::string*> boxes[] = {
        {RecordForm::kXField, &x}, {RecordForm::kYField, &y}, {RecordForm::kZField, &z}};
    for (const auto& [field, text] : boxes) {
        if (!text->empty()) {
            m_form.setText(field, *text);
        }
    }
    formFilled.notify();
}

void RecordEditor::undo() {
    followHistoryStep(m_document.undo());
}

void RecordEditor::redo() {
    followHistoryStep(m_document.redo());
}

void RecordEditor::moveHistoryTo(int index) {
    followHistoryStep(m_document.setHistoryIndex(index));
}

void RecordEditor::redrawList() {
    if (m_list.isFiltered()) {
        m_list.refresh();
        countListed();
    } else {
        refreshRecordList();
    }
}

std::vector<std::int32_t> RecordEditor::listedPositions() const {
    return m_list.listed();
}

Result<BulkEditPlan> RecordEditor::planListedEdit(const BulkEditSpec& spec) const {
    return planBulkEdit(m_document.records(), listedPositions(), spec);
}

bool RecordEditor::editListedRecords(const BulkEditSpec& spec) {
    auto plan = planListedEdit(spec);
    if (!plan) {
        m_dialogs.showMessage(plan.error().message);
        return false;
    }
    const auto serial = m_form.sourceSerial();
    const auto formPosition = serial ? m_document.records().positionOf(*serial) : std::nullopt;
    const auto& changes = plan.value().changes;
    if (formPosition && m_form.hasUnappliedText() &&
        std::any_of(changes.begin(), changes.end(),
                    [&](const auto& change) { return change.first == *formPosition; })) {
        if (!settleTypedText()) {
            return false;
        }
        plan = planListedEdit(spec); // an applied form may change what the edit does
        if (!plan) {
            m_dialogs.showMessage(plan.error().message);
            return false;
        }
    }
    std::vector<SpawnDocument::Replacement> replacements;
    replacements.reserve(plan.value().changes.size());
    for (auto& [position, bytes] : plan.value().changes) {
        auto record = SpawnRecord::fromBytes(std::move(bytes));
        record.value().applyName(m_names);
        replacements.emplace_back(position, std::move(record.value()));
    }
    const auto count = static_cast<std::int64_t>(replacements.size());
    if (!m_document.replaceRecords(std::move(replacements),
                                   "Edit " + recordCountText(count))) {
        return false;
    }
    followBulkStep();
    return true;
}

bool RecordEditor::removeListedRecords() {
    auto positions = listedPositions();
    if (positions.empty()) {
        return false;
    }
    const std::string what = recordCountText(static_cast<std::int64_t>(positions.size()));
    if (m_dialogs.ask("Remove " + what + "?", false, Answer::No) != Answer::Yes) {
        return false;
    }
    m_document.removeRecords(std::move(positions), "Remove " + what);
    followBulkStep();
    return true;
}

std::optional<std::int32_t> RecordEditor::followFormRecord() {
    const auto serial = m_form.sourceSerial();
    const auto position = serial ? m_document.records().positionOf(*serial) : std::nullopt;
    if (position && m_document.records().at(*position).bytes != m_form.baseline()) {
        const SpawnRecord& record = m_document.records().at(*position);
        showInForm(record, m_form.fieldCount() != formFieldCount(record.entryCount));
        m_formEntryCount = record.entryCount;
        m_forceRefresh = false;
    }
    return position;
}

void RecordEditor::followBulkStep() {
    redrawList();
    const auto position = followFormRecord();
    m_currentRow = position ? m_list.rowOfPosition(*position) : kNoRow;
    m_handledRow = m_currentRow;
    currentRowFollowed.notify(m_currentRow);
}

void RecordEditor::followHistoryStep(std::optional<std::uint64_t> serial) {
    if (!serial) {
        return;
    }
    redrawList();
    const auto position = m_document.records().positionOf(*serial);
    const int row = position ? m_list.rowOfPosition(*position) : kNoRow;
    if (row >= 0) {
        // Shown as a click on its row shows it: the form always holds the current row's record.
        selectRecord(row);
    } else {
        // Not listed (hidden by the search, or gone): the form stays on its record, shown as it
        // now is when the history changed it (a jump over several steps, a step of many records),
        // so that Apply never stores what it was.
        m_currentRow = kNoRow;
        followFormRecord();
    }
    currentRowFollowed.notify(m_currentRow);
}

bool RecordEditor::formIsComplete() {
    if (m_form.hasEmptyField()) {
        m_dialogs.showMessage(kEmptyBox);
        return false;
    }
    return true;
}

void RecordEditor::reshapeForm(const SpawnRecord& record, std::size_t fieldCount) {
    m_form.build(fieldCount);
    formRebuilt.notify();
    m_form.fill(record);
    formFilled.notify();
    const RecordForm::Position p = m_form.position();
    worldPositionShown.notify(p.x, p.y, p.z);
    // The next click shows the stored record again, even on the row shown now.
    m_forceRefresh = true;
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
        formRebuilt.notify();
    }
    m_form.fill(record);
    m_form.setBaseline(record.bytes);
    formFilled.notify();
    const RecordForm::Position p = m_form.position();
    worldPositionShown.notify(p.x, p.y, p.z);
}

void RecordEditor::setCountLabel(std::string text) {
    m_countLabel = std::move(text);
    countLabelChanged.notify();
}

} // namespace spawn
