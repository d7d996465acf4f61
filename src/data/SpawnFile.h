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

    // The record-count word is a value of its own: appending and removing records move it, Save
    // writes it.
    std::int32_t recordCountWord() const { return headerWords[SpawnLayout::kRecordCountWordIndex]; }
    void setRecordCountWord(std::int32_t n) { headerWords[SpawnLayout::kRecordCountWordIndex] = n; }
    // The word is carried as the file holds it, whatever it says; moving it wraps like the 32-bit
    // word it is.
    void moveRecordCountWord(std::int64_t delta) {
        setRecordCountWord(static_cast<std::int32_t>(static_cast<std::uint32_t>(recordCountWord()) +
                                                     static_cast<std::uint32_t>(delta)));
    }
};

// Why loading stopped before the record count was reached.
struct LoadStop {
    std::int32_t record; // 0-based index of the record that stopped it
    std::string message; // as shown to the user; it counts records from 0 as the loader does

    // The 1-based position of the record that could not be read: how every report names the stop.
    std::int32_t position() const { return record + 1; }
};

// "loading stopped at record 28 (27: 记录超出文件末尾)": the stop as a message names it.
std::string loadStopText(const LoadStop& stop);

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
// The same into `out`, whose earlier contents go; reusing a buffer spares the allocation.
void serializeSpawnFileInto(std::vector<std::uint8_t>& out, const SpawnFileContext& context,
                            const SpawnRecordList& records);

// Writes the file as writeFileAtomically does: the file on disk is left whole when this fails,
// unless it had to be written in place (its message then says so).
Status writeSpawnFile(const std::string& path, const SpawnFileContext& context,
                      const SpawnRecordList& records, const WriteOptions& options = {});

// Record changes that move the record-count word with them: the document's steps and the
// command-line tools change the records of a file through these.
//
// Appends `records` after the last record; the count word goes up by their number. A record keeps
// the serial it carries (a step done again puts back the same records), one without gets a new one.
void appendSpawnRecords(SpawnFile& file, std::vector<SpawnRecord> records);
// Removes the records at `positions` (1-based, ascending, each valid and given once) and gives them
// back in that order; the count word goes down by their number.
std::vector<SpawnRecord> removeSpawnRecords(SpawnFile& file, std::span<const std::int32_t> positions);
// Takes a removal back: puts each record at its position (as removeSpawnRecords took them) and
// moves the count word up by their number.
void restoreSpawnRecords(SpawnFile& file, std::span<const std::int32_t> positions,
                         std::vector<SpawnRecord> records);
// The same two, handing the records over as they are (a history's removal and its undo).
SpawnRecordList::Detached detachSpawnRecords(SpawnFile& file, std::span<const std::int32_t> positions);
void reattachSpawnRecords(SpawnFile& file, std::span<const std::int32_t> positions, SpawnRecordList::Detached records);

// What a write over a target does when the target's backup cannot be made.
enum class BackupPolicy {
    Required, // the write is refused and nothing changes (the command-line tools)
    GoOn,     // the failure is given back beside the written file (the window's Save, which says so)
    None,     // no backup is made at all (spawn-tool --no-backup)
};

struct OverwriteOptions {
    BackupPolicy backup = BackupPolicy::Required;
    // The target's backup, made by the caller just before (the window's Save makes it before it
    // asks for a name): no second one is made, and this one is named should an in-place write fail.
    std::string madeBackup;
};

struct Overwritten {
    std::string backupPath;             // the backup made of the target; empty when none was
    std::optional<Error> backupFailure; // with BackupPolicy::GoOn: why no backup could be made
};

// Writes a file over `target` with the one backup rule every writer follows: an existing regular
// file (links followed) is first copied to backupPathFor(target), as makeBackup copies it; a
// missing target, a device or a FIFO needs none. A backup that fails is named in the error (or in
// backupFailure) as makeBackup names it. The file is then written as writeFileAtomically writes
// it, naming the backup should an in-place write fail. When the write fails only its error is
// given: the target is then as it was, unless its message says otherwise.
Result<Overwritten> writeFileOver(const std::string& target, std::span<const std::uint8_t> bytes,
                                  const OverwriteOptions& options = {});
// The same with the spawn file's bytes: what edit, remove, import, append and Save write through.
Result<Overwritten> writeSpawnFileOver(const std::string& target, const SpawnFileContext& context,
                                       const SpawnRecordList& records, const OverwriteOptions& options = {});

// The backup of a spawn file: its path with ".bak" appended, in the same folder.
std::string backupPathFor(const std::string& spawnPath);

// Copies the file at `spawnPath` to its backup, written like a save: a failure leaves the previous
// backup whole.
Status makeBackup(const std::string& spawnPath);

// Texts the user sees around loading and saving.
std::string countLabelText(std::int32_t recordCount);   // "Total NPC-->%d"
std::string savedMessageText(std::int32_t recordCount); // "%d  Saved!"

} // namespace spawn
