#include "SpawnDocument.h"

#include <algorithm>

namespace spawn {

std::optional<std::int32_t> DocumentChange::positionAfter(std::int32_t position) const {
    const auto before = [&](std::int32_t p) {
        return static_cast<std::int32_t>(std::upper_bound(positions.begin(), positions.end(), p) - positions.begin());
    };
    switch (kind) {
    case Kind::Reset:
        return std::nullopt;
    case Kind::Replaced:
        return position;
    case Kind::Removed:
        if (std::binary_search(positions.begin(), positions.end(), position)) {
            return std::nullopt;
        }
        return position - before(position);
    case Kind::Inserted: {
        // The k-th record that stayed moves up by the records inserted before it.
        std::int32_t p = position;
        for (const std::int32_t inserted : positions) {
            if (inserted <= p) {
                ++p;
            } else {
                break;
            }
        }
        return p;
    }
    }
    return std::nullopt;
}

namespace {

std::string stepText(const char* command, std::int32_t position) {
    return std::string(command) + " record " + std::to_string(position);
}

} // namespace

// One change of the records, of one of three kinds. The first redo() is the change itself, made
// when the step is pushed; each tells the document's observers exactly what it did.
class RecordStep : public UndoStep {
public:
    RecordStep(SpawnDocument& document, std::string text) : UndoStep(std::move(text)), m_document(document) {}
    std::uint64_t serial() const { return m_serial; }

protected:
    SpawnFile& file() { return m_document.m_file; }
    SpawnRecordList& list() { return m_document.m_file.records; }
    void tell(DocumentChange::Kind kind, const std::vector<std::int32_t>& positions,
              std::vector<std::uint64_t> serials) {
        m_serial = serials.front();
        m_document.changed.notify(DocumentChange{kind, positions, std::move(serials)});
    }
    std::vector<std::uint64_t> serialsAt(const std::vector<std::int32_t>& positions) {
        std::vector<std::uint64_t> serials;
        serials.reserve(positions.size());
        for (const std::int32_t position : positions) {
            serials.push_back(list().at(position).serial);
        }
        return serials;
    }
    static std::vector<std::uint64_t> serialsOf(const SpawnRecordList::Detached& records) {
        std::vector<std::uint64_t> serials;
        serials.reserve(records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            serials.push_back(records.at(i).serial);
        }
        return serials;
    }

    SpawnDocument& m_document;
    std::uint64_t m_serial = 0;
};

namespace {

// Records replaced where they stand: each slot and the record held here change places.
class ReplaceStep : public RecordStep {
public:
    ReplaceStep(SpawnDocument& document, std::vector<SpawnDocument::Replacement> replacements, std::string text)
        : RecordStep(document, std::move(text)) {
        m_positions.reserve(replacements.size());
        m_records.reserve(replacements.size());
        for (auto& [position, record] : replacements) {
            m_positions.push_back(position);
            m_records.push_back(std::move(record));
        }
    }
    void redo() override { swap(); }
    void undo() override { swap(); }

private:
    void swap() {
        SpawnRecordList& records = list();
        for (std::size_t i = 0; i < m_positions.size(); ++i) {
            m_records[i] = records.exchangeAt(m_positions[i], std::move(m_records[i]));
        }
        tell(DocumentChange::Kind::Replaced, m_positions, serialsAt(m_positions));
    }

    std::vector<std::int32_t> m_positions; // ascending
    std::vector<SpawnRecord> m_records;
};

// Records put in at their positions; the count word moves with them. Records new to the document
// get their serials when they first go in and keep them through undo and redo. While out, the
// records are held as they are, so a step moves no record's bytes.
class InsertStep : public RecordStep {
public:
    InsertStep(SpawnDocument& document, std::vector<std::int32_t> positions, std::vector<SpawnRecord> records,
               std::string text)
        : RecordStep(document, std::move(text)), m_positions(std::move(positions)),
          m_records(SpawnRecordList::Detached::of(std::move(records))) {}
    void redo() override {
        auto serials = put(file(), m_positions, std::move(m_records));
        tell(DocumentChange::Kind::Inserted, m_positions, std::move(serials));
    }
    void undo() override {
        m_records = detachSpawnRecords(file(), m_positions);
        tell(DocumentChange::Kind::Removed, m_positions, serialsOf(m_records));
    }

    // Puts `records` at `positions` and gives their serials.
    static std::vector<std::uint64_t> put(SpawnFile& file, const std::vector<std::int32_t>& positions,
                                          SpawnRecordList::Detached records) {
        reattachSpawnRecords(file, positions, std::move(records));
        std::vector<std::uint64_t> serials;
        serials.reserve(positions.size());
        for (const std::int32_t position : positions) {
            serials.push_back(file.records.at(position).serial);
        }
        return serials;
    }

private:
    std::vector<std::int32_t> m_positions; // ascending, where the records stand once in
    SpawnRecordList::Detached m_records;   // while they are out
};

// Records taken out, and put back at their places on undo; the count word moves with them.
class RemoveStep : public RecordStep {
public:
    RemoveStep(SpawnDocument& document, std::vector<std::int32_t> positions, std::string text)
        : RecordStep(document, std::move(text)), m_positions(std::move(positions)) {}
    void redo() override {
        m_records = detachSpawnRecords(file(), m_positions);
        tell(DocumentChange::Kind::Removed, m_positions, serialsOf(m_records));
    }
    void undo() override {
        auto serials = InsertStep::put(file(), m_positions, std::move(m_records));
        tell(DocumentChange::Kind::Inserted, m_positions, std::move(serials));
    }

private:
    std::vector<std::int32_t> m_positions; // ascending, unique, where the records stood
    SpawnRecordList::Detached m_records;   // while they are out
};

} // namespace

SpawnDocument::SpawnDocument()
    : m_cleanChanged(m_history.cleanChanged.connect([this](bool clean) { modifiedChanged.notify(!clean); })) {}

SpawnDocument::~SpawnDocument() = default;

void SpawnDocument::load(SpawnFile file, std::string path) {
    m_history.clear();
    m_file = std::move(file);
    m_path = std::move(path);
    m_savedRecords = RecordBytesSnapshot(m_file.records);
    changed.notify(DocumentChange{});
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
    std::vector<Replacement> one;
    one.emplace_back(position, std::move(record));
    m_history.push(std::make_unique<ReplaceStep>(*this, std::move(one), stepText("Apply", position)));
    return true;
}

bool SpawnDocument::replaceRecords(std::vector<Replacement> replacements, std::string text) {
    const auto byPosition = [](const Replacement& a, const Replacement& b) { return a.first < b.first; };
    if (!std::is_sorted(replacements.begin(), replacements.end(), byPosition)) {
        std::stable_sort(replacements.begin(), replacements.end(), byPosition);
    }
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
    std::erase_if(changes,
                  [this](const Replacement& r) { return m_file.records.at(r.first).bytes == r.second.bytes; });
    if (changes.empty()) {
        return false;
    }
    m_history.push(std::make_unique<ReplaceStep>(*this, std::move(changes), std::move(text)));
    return true;
}

bool SpawnDocument::removeRecords(std::vector<std::int32_t> positions, std::string text) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    if (positions.empty() || positions.front() < 1 || positions.back() > m_file.records.count()) {
        return false;
    }
    m_history.push(std::make_unique<RemoveStep>(*this, std::move(positions), std::move(text)));
    return true;
}

bool SpawnDocument::appendRecords(std::vector<SpawnRecord> records, std::string text) {
    if (records.empty()) {
        return false;
    }
    std::vector<std::int32_t> positions(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].serial = 0; // each gets a serial of its own when it first goes in
        positions[i] = m_file.records.count() + 1 + static_cast<std::int32_t>(i);
    }
    m_history.push(std::make_unique<InsertStep>(*this, std::move(positions), std::move(records), std::move(text)));
    return true;
}

void SpawnDocument::appendRecord(SpawnRecord record) {
    const std::string text = stepText("New", m_file.records.count() + 1);
    std::vector<SpawnRecord> one;
    one.push_back(std::move(record));
    appendRecords(std::move(one), text);
}

bool SpawnDocument::removeRecord(std::int32_t position) {
    return position >= 1 && position <= m_file.records.count() &&
           removeRecords({position}, stepText("Remove", position));
}

std::uint64_t SpawnDocument::stepSerial(int i) const {
    return static_cast<const RecordStep&>(m_history.step(i)).serial();
}

std::optional<std::uint64_t> SpawnDocument::undo() {
    if (!m_history.canUndo()) {
        return std::nullopt;
    }
    m_history.undo();
    return stepSerial(m_history.index());
}

std::optional<std::uint64_t> SpawnDocument::redo() {
    if (!m_history.canRedo()) {
        return std::nullopt;
    }
    m_history.redo();
    return stepSerial(m_history.index() - 1);
}

std::optional<std::uint64_t> SpawnDocument::setHistoryIndex(int index) {
    const int from = m_history.index();
    m_history.setIndex(index);
    const int to = m_history.index();
    if (to == from) {
        return std::nullopt;
    }
    return stepSerial(to < from ? to : to - 1);
}

} // namespace spawn
