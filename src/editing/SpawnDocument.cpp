#include "SpawnDocument.h"

#include <algorithm>

namespace spawn {

namespace {

QString stepText(const char* command, std::int32_t position) {
    return QStringLiteral("%1 record %2").arg(QString::fromLatin1(command)).arg(position);
}

} // namespace

// One change of the records. The first redo() is the change itself, made when the step is pushed.
class RecordStep : public QUndoCommand {
public:
    RecordStep(SpawnDocument& document, const QString& text) : QUndoCommand(text), m_document(document) {}
    std::uint64_t serial() const { return m_serial; }

protected:
    void put(std::int32_t position, SpawnRecord record) { m_document.putRecord(position, std::move(record)); }
    void insert(std::int32_t position, SpawnRecord record) {
        m_document.insertRecord(position, std::move(record));
    }
    SpawnRecord take(std::int32_t position) { return m_document.takeRecord(position); }
    // What the steps of many records work on directly; each tells the views once.
    SpawnFile& file() { return m_document.m_file; }
    SpawnRecordList& list() { return m_document.m_file.records; }
    void tellReset() { emit m_document.recordsReset(); }
    void tellReplaced(const QList<std::int32_t>& positions) {
        if (positions.size() == 1) {
            emit m_document.recordChanged(positions.front());
        } else {
            emit m_document.recordsReplaced(positions);
        }
    }

    SpawnDocument& m_document;
    std::uint64_t m_serial = 0;
};

namespace {

class ReplaceStep : public RecordStep {
public:
    ReplaceStep(SpawnDocument& document, std::int32_t position, SpawnRecord record)
        : RecordStep(document, stepText("Apply", position)), m_position(position),
          m_other(std::move(record)) {}
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    // The record in the list and the one held here change places.
    void swap() {
        SpawnRecord current = m_document.records().at(m_position);
        m_serial = current.serial;
        put(m_position, std::move(m_other));
        m_other = std::move(current);
    }

    std::int32_t m_position;
    SpawnRecord m_other;
};

class AppendStep : public RecordStep {
public:
    AppendStep(SpawnDocument& document, SpawnRecord record)
        : RecordStep(document, stepText("New", document.records().count() + 1)), m_record(std::move(record)) {
        m_record.serial = 0; // the list gives it a serial of its own when it first goes in
    }
    void redo() override {
        std::vector<SpawnRecord> added;
        added.push_back(std::move(m_record));
        appendSpawnRecords(file(), std::move(added));
        m_serial = m_document.records().at(m_document.records().count()).serial;
        tellReset();
    }
    void undo() override { m_record = take(m_document.records().count()); }

private:
    SpawnRecord m_record;
};

class RemoveStep : public RecordStep {
public:
    RemoveStep(SpawnDocument& document, std::int32_t position)
        : RecordStep(document, stepText("Remove", position)), m_position(position) {}
    void redo() override {
        m_record = take(m_position);
        m_serial = m_record.serial;
    }
    void undo() override { insert(m_position, std::move(m_record)); }

private:
    std::int32_t m_position;
    SpawnRecord m_record;
};

// Many records replaced: each slot and the record held here change places.
class ReplaceManyStep : public RecordStep {
public:
    ReplaceManyStep(SpawnDocument& document, std::vector<SpawnDocument::Replacement> replacements,
                    const QString& text)
        : RecordStep(document, text), m_records(std::move(replacements)) {
        m_positions.reserve(static_cast<qsizetype>(m_records.size()));
        for (const auto& [position, record] : m_records) {
            m_positions.push_back(position);
        }
    }
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap();

    std::vector<SpawnDocument::Replacement> m_records; // ascending positions
    QList<std::int32_t> m_positions;
};

// Many records removed, and put back at their places on undo.
class RemoveManyStep : public RecordStep {
public:
    RemoveManyStep(SpawnDocument& document, std::vector<std::int32_t> positions, const QString& text)
        : RecordStep(document, text), m_positions(std::move(positions)) {}
    void redo() override;
    void undo() override;

private:
    std::vector<std::int32_t> m_positions; // ascending, unique
    std::vector<SpawnRecord> m_records;
};

// Many records appended after the last one.
class AppendManyStep : public RecordStep {
public:
    AppendManyStep(SpawnDocument& document, std::vector<SpawnRecord> records, const QString& text)
        : RecordStep(document, text), m_records(std::move(records)) {
        for (SpawnRecord& record : m_records) {
            record.serial = 0; // each gets a serial of its own when it first goes in
        }
    }
    void redo() override;
    void undo() override;

private:
    std::vector<SpawnRecord> m_records;
    std::size_t m_count = 0;
};

} // namespace

SpawnDocument::SpawnDocument(QObject* parent) : QObject(parent) {
    connect(&m_history, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit modifiedChanged(!clean); });
    connect(&m_history, &QUndoStack::indexChanged, this, &SpawnDocument::historyIndexChanged);
}

template <class Change> void SpawnDocument::ownHistoryChange(Change change) {
    const bool outer = !m_changingHistory;
    m_changingHistory = true;
    change();
    if (outer) {
        m_changingHistory = false;
        m_historyIndex = m_history.index();
    }
}

void SpawnDocument::historyIndexChanged(int index) {
    const int from = m_historyIndex;
    m_historyIndex = index;
    if (m_changingHistory || index == from) {
        return;
    }
    const QUndoCommand* step = m_history.command(index < from ? index : index - 1);
    if (step) {
        emit historyJumped(stepSerial(*step));
    }
}

SpawnDocument::~SpawnDocument() {
    // The steps refer to the document; they go before it does.
    m_history.blockSignals(true);
    m_history.clear();
}

void SpawnDocument::load(SpawnFile file, std::string path) {
    ownHistoryChange([this] { m_history.clear(); });
    m_file = std::move(file);
    m_path = std::move(path);
    m_savedRecords = RecordBytesSnapshot(m_file.records);
    emit loaded();
    emit recordsReset();
}

void SpawnDocument::loadUnsaved(SpawnFile file, std::string path) {
    load(std::move(file), std::move(path));
    m_history.resetClean();
}

Result<Overwritten> SpawnDocument::saveAs(const std::string& path, const OverwriteOptions& options) {
    auto written = writeSpawnFileOver(path, m_file.context, m_file.records, options);
    if (written) {
        m_path = path;
        m_savedRecords = RecordBytesSnapshot(m_file.records);
        m_history.setClean();
    }
    return written;
}

bool SpawnDocument::replaceRecord(std::int32_t position, SpawnRecord record) {
    if (position < 1 || position > m_file.records.count() ||
        m_file.records.at(position).bytes == record.bytes) {
        return false;
    }
    push(new ReplaceStep(*this, position, std::move(record)));
    return true;
}

bool SpawnDocument::replaceRecords(std::vector<Replacement> replacements, const QString& text) {
    std::sort(replacements.begin(), replacements.end(),
              [](const Replacement& a, const Replacement& b) { return a.first < b.first; });
    for (const auto& [position, record] : replacements) {
        if (position < 1 || position > m_file.records.count()) {
            return false;
        }
    }
    // A position given twice keeps its last record; a record that would not change is dropped.
    std::vector<Replacement> changes;
    changes.reserve(replacements.size());
    for (auto& replacement : replacements) {
        if (!changes.empty() && changes.back().first == replacement.first) {
            changes.pop_back();
        }
        changes.push_back(std::move(replacement));
    }
    std::erase_if(
        changes, [this](const Replacement& r) { return m_file.records.at(r.first).bytes == r.second.bytes; });
    if (changes.empty()) {
        return false;
    }
    push(new ReplaceManyStep(*this, std::move(changes), text));
    return true;
}

bool SpawnDocument::removeRecords(std::vector<std::int32_t> positions, const QString& text) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    if (positions.empty() || positions.front() < 1 || positions.back() > m_file.records.count()) {
        return false;
    }
    push(new RemoveManyStep(*this, std::move(positions), text));
    return true;
}

bool SpawnDocument::appendRecords(std::vector<SpawnRecord> records, const QString& text) {
    if (records.empty()) {
        return false;
    }
    push(new AppendManyStep(*this, std::move(records), text));
    return true;
}

void SpawnDocument::appendRecord(SpawnRecord record) {
    push(new AppendStep(*this, std::move(record)));
}

bool SpawnDocument::removeRecord(std::int32_t position) {
    if (position < 1 || position > m_file.records.count()) {
        return false;
    }
    push(new RemoveStep(*this, position));
    return true;
}

std::optional<std::uint64_t> SpawnDocument::undo() {
    if (!m_history.canUndo()) {
        return std::nullopt;
    }
    ownHistoryChange([this] { m_history.undo(); });
    return static_cast<const RecordStep*>(m_history.command(m_history.index()))->serial();
}

std::optional<std::uint64_t> SpawnDocument::redo() {
    if (!m_history.canRedo()) {
        return std::nullopt;
    }
    ownHistoryChange([this] { m_history.redo(); });
    return static_cast<const RecordStep*>(m_history.command(m_history.index() - 1))->serial();
}

void SpawnDocument::push(QUndoCommand* step) {
    ownHistoryChange([this, step] { m_history.push(step); });
}

std::uint64_t SpawnDocument::stepSerial(const QUndoCommand& step) const {
    return static_cast<const RecordStep&>(step).serial();
}

void SpawnDocument::putRecord(std::int32_t position, SpawnRecord record) {
    m_file.records.replaceAt(position, std::move(record));
    emit recordChanged(position);
}

void SpawnDocument::insertRecord(std::int32_t position, SpawnRecord record) {
    std::vector<SpawnRecord> restored;
    restored.push_back(std::move(record));
    const std::int32_t at[] = {position};
    restoreSpawnRecords(m_file, at, std::move(restored));
    emit recordsReset();
}

SpawnRecord SpawnDocument::takeRecord(std::int32_t position) {
    const std::int32_t at[] = {position};
    SpawnRecord record = std::move(removeSpawnRecords(m_file, at).front());
    emit recordsReset();
    return record;
}

void ReplaceManyStep::swap() {
    SpawnRecordList& records = list();
    m_serial = records.at(m_records.front().first).serial;
    for (auto& [position, held] : m_records) {
        held = records.exchangeAt(position, std::move(held));
    }
    tellReplaced(m_positions);
}

void RemoveManyStep::redo() {
    m_records = removeSpawnRecords(file(), m_positions);
    m_serial = m_records.front().serial;
    tellReset();
}

void RemoveManyStep::undo() {
    restoreSpawnRecords(file(), m_positions, std::move(m_records));
    m_records.clear();
    tellReset();
}

void AppendManyStep::redo() {
    const std::int32_t first = list().count() + 1;
    m_count = m_records.size();
    appendSpawnRecords(file(), std::move(m_records));
    m_records.clear();
    m_serial = list().at(first).serial;
    tellReset();
}

void AppendManyStep::undo() {
    const std::int32_t first = list().count() - static_cast<std::int32_t>(m_count) + 1;
    std::vector<std::int32_t> positions(m_count);
    for (std::size_t i = 0; i < m_count; ++i) {
        positions[i] = first + static_cast<std::int32_t>(i);
    }
    m_records = removeSpawnRecords(file(), positions); // they keep their serials for the redo
    tellReset();
}

} // namespace spawn
