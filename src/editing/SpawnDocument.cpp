#include "SpawnDocument.h"

namespace spawn {

namespace {

// The count word is carried as the file holds it; moving it wraps like the 32-bit word it is.
std::int32_t addWrapping(std::int32_t word, std::int32_t delta) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(word) + static_cast<std::uint32_t>(delta));
}

} // namespace

SpawnDocument::SpawnDocument(QObject* parent) : QObject(parent) {}

void SpawnDocument::load(SpawnFile file, std::string path) {
    m_file = std::move(file);
    m_path = std::move(path);
    setModified(false);
    emit recordsReset();
}

Status SpawnDocument::saveAs(const std::string& path, const WriteOptions& options) {
    auto written = writeSpawnFile(path, m_file.context, m_file.records, options);
    if (written) {
        m_path = path;
        setModified(false);
    }
    return written;
}

bool SpawnDocument::replaceRecord(std::int32_t position, SpawnRecord record) {
    if (!m_file.records.replaceAt(position, std::move(record))) {
        return false;
    }
    setModified(true);
    emit recordChanged(position);
    return true;
}

void SpawnDocument::appendRecord(SpawnRecord record) {
    m_file.records.append(std::move(record));
    m_file.context.setRecordCountWord(addWrapping(m_file.context.recordCountWord(), 1));
    setModified(true);
    emit recordsReset();
}

bool SpawnDocument::removeRecord(std::int32_t position) {
    if (!m_file.records.removeAt(position)) {
        return false;
    }
    m_file.context.setRecordCountWord(addWrapping(m_file.context.recordCountWord(), -1));
    setModified(true);
    emit recordsReset();
    return true;
}

void SpawnDocument::setModified(bool modified) {
    if (m_modified != modified) {
        m_modified = modified;
        emit modifiedChanged(modified);
    }
}

} // namespace spawn
