#pragma once

#include "ElementNameTables.h"
#include "FileIo.h"
#include "Result.h"
#include "SpawnLayout.h"
#include "SpawnRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace spawn {

// What the editor keeps of the file besides its records: the leading block, the four header
// words (the record-count word first) and everything after the records it read.
struct SpawnFileContext {
    std::array<std::uint8_t, SpawnLayout::kLeadingBlockSize> leadingBlock{};
    std::array<std::int32_t, SpawnLayout::kHeaderWordCount> headerWords{};
    std::vector<std::uint8_t> remainder;

    // The record-count word is a value of its own: New and Remove move it, Save writes it.
    std::int32_t recordCountWord() const { return headerWords[SpawnLayout::kRecordCountWordIndex]; }
    void setRecordCountWord(std::int32_t n) { headerWords[SpawnLayout::kRecordCountWordIndex] = n; }
};

// Why loading stopped before the record count was reached.
struct LoadStop {
    std::int32_t record; // 0-based index of the record that stopped it
    std::string message; // as shown to the user
};

struct SpawnFile {
    SpawnFileContext context;
    SpawnRecordList records;
    std::optional<LoadStop> stopped;
};

// Reads the records from a whole file's bytes. A record with a bad entry count or one that runs
// past the end stops the reading: the records before it are kept and every byte from its first
// on is carried as the remainder, so that writing back without edits gives the same file.
// Fails only when the data is shorter than the 20-byte prefix; `path` names the file in messages.
Result<SpawnFile> parseSpawnFile(std::span<const std::uint8_t> bytes, const ElementNameTables& names,
                                 const std::string& path);

// Reads and parses the file at `path`.
Result<SpawnFile> loadSpawnFile(const std::string& path, const ElementNameTables& names);

// The file's bytes: leading block, header words, every record in order, remainder.
std::vector<std::uint8_t> serializeSpawnFile(const SpawnFileContext& context, const SpawnRecordList& records);

// Writes the file as writeFileAtomically does: the file on disk is left whole when this fails,
// unless it had to be written in place (its message then says so).
Status writeSpawnFile(const std::string& path, const SpawnFileContext& context,
                      const SpawnRecordList& records, const WriteOptions& options = {});

// Writes over `path` as the editor's Save does: a file already there is first copied to its
// backup (a failed backup refuses the write), then the file is written as writeSpawnFile writes
// it, naming the backup should an in-place write fail. A new file gets no backup.
Status saveSpawnFileWithBackup(const std::string& path, const SpawnFileContext& context,
                               const SpawnRecordList& records);

// The backup of a spawn file: its path with ".bak" appended, in the same folder.
std::string backupPathFor(const std::string& spawnPath);

// Copies the file at `spawnPath` to its backup, written like a save: a failure leaves the previous
// backup whole.
Status makeBackup(const std::string& spawnPath);

// Texts the user sees around loading and saving.
std::string countLabelText(std::int32_t recordCount);   // "Total NPC-->%d"
std::string savedMessageText(std::int32_t recordCount); // "%d  Saved!"

} // namespace spawn
