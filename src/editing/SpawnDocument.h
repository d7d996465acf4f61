#pragma once

#include "SpawnFile.h"

#include <QObject>

#include <string>

namespace spawn {

// The open spawn file: its context, its records and where it lives. Every change to the records
// goes through here, so the document knows when there is unsaved work.
class SpawnDocument : public QObject {
    Q_OBJECT
public:
    explicit SpawnDocument(QObject* parent = nullptr);

    // Takes over a freshly loaded file; the document is then unmodified.
    void load(SpawnFile file, std::string path);

    const SpawnFileContext& context() const { return m_file.context; }
    const SpawnRecordList& records() const { return m_file.records; }
    const std::optional<LoadStop>& loadStop() const { return m_file.stopped; }
    const std::string& spawnPath() const { return m_path; }

    bool isModified() const { return m_modified; }

    // Writes the file to `path` atomically (see writeFileAtomically); on success `path` becomes
    // the spawn path and the document is unmodified. On failure nothing in memory changes.
    Status saveAs(const std::string& path, const WriteOptions& options = {});

    // Record changes. Each marks the document modified and tells the views.
    bool replaceRecord(std::int32_t position, SpawnRecord record);
    void appendRecord(SpawnRecord record);    // the record-count word goes up by one
    bool removeRecord(std::int32_t position); // the record-count word goes down by one

signals:
    void modifiedChanged(bool modified);
    void recordsReset();
    void recordChanged(std::int32_t position);

private:
    void setModified(bool modified);

    SpawnFile m_file;
    std::string m_path;
    bool m_modified = false;
};

} // namespace spawn
