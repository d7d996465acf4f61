#include "SpawnDocument.h"

namespace spawn {

namespace {

// The count word is carried as the file holds it; moving it wraps like the 32-bit word it is.
std::int32_t addWrapping(std::int32_t word, std::int32_t delta) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(word) + static_cast<std::uint32_t>(delta));
}

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
        insert(m_document.records().count() + 1, std::move(m_record));
        m_serial = m_document.records().at(m_document.records().count()).serial;
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

} // namespace

SpawnDocument::SpawnDocument(QObject* parent) : QObject(parent) {
    connect(&m_history, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit modifiedChanged(!clean); });
}

SpawnDocument::~SpawnDocument() {
    // The steps refer to the document; they go before it does.
    m_history.blockSignals(true);
    m_history.clear();
}

void SpawnDocument::load(SpawnFile file, std::string path) {
    m_history.clear();
    m_file = std::move(file);
    m_path = std::move(path);
    emit recordsReset();
}

void SpawnDocument::loadUnsaved(SpawnFile file, std::string path) {
    load(std::move(file), std::move(path));
    m_history.resetClean();
}

Status SpawnDocument::saveAs(const std::string& path, const WriteOptions& options) {
    auto written = writeSpawnFile(path, m_file.context, m_file.records, options);
    if (written) {
        m_path = path;
        m_history.setClean();
    }
    return written;
}

bool SpawnDocument::replaceRecord(std::int32_t position, SpawnRecord record) {
    if (position < 1 || position > m_file.records.count()) {
        return false;
    }
    m_history.push(new ReplaceStep(*this, position, std::move(record)));
    return true;
}

void SpawnDocument::appendRecord(SpawnRecord record) {
    m_history.push(new AppendStep(*this, std::move(record)));
}

bool SpawnDocument::removeRecord(std::int32_t position) {
    if (position < 1 || position > m_file.records.count()) {
        return false;
    }
    m_history.push(new RemoveStep(*this, position));
    return true;
}

std::optional<std::uint64_t> SpawnDocument::undo() {
    if (!m_history.canUndo()) {
        return std::nullopt;
    }
    m_history.undo();
    return static_cast<const RecordStep*>(m_history.command(m_history.index()))->serial();
}

std::optional<std::uint64_t> SpawnDocument::redo() {
    if (!m_history.canRedo()) {
        return std::nullopt;
    }
    m_history.redo();
    return static_cast<const RecordStep*>(m_history.command(m_history.index() - 1))->serial();
}

void SpawnDocument::putRecord(std::int32_t position, SpawnRecord record) {
    m_file.records.replaceAt(position, std::move(record));
    emit recordChanged(position);
}

void SpawnDocument::insertRecord(std::int32_t position, SpawnRecord record) {
    m_file.records.insertAt(position, std::move(record));
    m_file.context.setRecordCountWord(addWrapping(m_file.context.recordCountWord(), 1));
    emit recordsReset();
}

SpawnRecord SpawnDocument::takeRecord(std::int32_t position) {
    SpawnRecord record = m_file.records.at(position);
    m_file.records.removeAt(position);
    m_file.context.setRecordCountWord(addWrapping(m_file.context.recordCountWord(), -1));
    emit recordsReset();
    return record;
}

} // namespace spawn
