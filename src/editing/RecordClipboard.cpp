#include "RecordClipboard.h"

#include "DialogService.h"
#include "RecordEditor.h"
#include "RecordListModel.h"
#include "SpawnDocument.h"
#include "SpawnJson.h"

#include <filesystem>
#include <numeric>

namespace spawn {

RecordClipboard::RecordClipboard(SpawnDocument& document, const ElementNameTables& names,
                                 RecordListModel& list, RecordEditor& editor, DialogService& dialogs,
                                 QObject* parent)
    : QObject(parent), m_document(document), m_names(names), m_list(list), m_editor(editor),
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
    std::vector<std::int32_t> positions;
    if (m_list.isFiltered()) {
        positions.reserve(m_list.hits().size());
        for (const std::int32_t hit : m_list.hits()) {
            positions.push_back(hit + 1); // the hits count from 0
        }
    } else {
        positions.resize(static_cast<std::size_t>(m_document.records().count()));
        std::iota(positions.begin(), positions.end(), 1);
    }
    return exportRecordsJson(m_document.records(), positions, true);
}

bool RecordClipboard::paste(std::string_view text) {
    const auto* begin = reinterpret_cast<const std::uint8_t*>(text.data());
    auto records = importRecordsJson(std::span(begin, text.size()));
    if (!records) {
        m_dialogs.showMessage(records.error().message);
        return false;
    }
    return appendAndShow(std::move(records).value(), QStringLiteral("Paste"));
}

bool RecordClipboard::appendFromFile() {
    const std::string& current = m_document.spawnPath();
    FileDialogRequest request;
    request.directory =
        current.empty() ? std::string() : std::filesystem::path(current).parent_path().string();
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
    return appendAndShow(std::move(records).value(), QStringLiteral("Append"));
}

bool RecordClipboard::appendAndShow(std::vector<SpawnRecord> records, const QString& verb) {
    const std::int32_t before = m_document.records().count();
    const auto count = records.size();
    for (SpawnRecord& record : records) {
        record.applyName(m_names);
    }
    const QString text = QStringLiteral("%1 %2 %3")
                             .arg(verb)
                             .arg(count)
                             .arg(count == 1 ? QStringLiteral("record") : QStringLiteral("records"));
    // The first of them is shown in the form: text typed there is applied or let go first.
    if (records.empty() || !m_editor.settleTypedText() ||
        !m_document.appendRecords(std::move(records), text)) {
        return false;
    }
    m_editor.refreshRecordList();
    const int row = m_list.rowOfPosition(before + 1);
    m_editor.selectRecord(row);
    emit recordsAppended(row);
    return true;
}

} // namespace spawn
