#include "SpawnFile.h"

#include <filesystem>

#include "ByteReader.h"
#include "FilePath.h"

namespace spawn {

using namespace SpawnLayout;

namespace {

std::string badCountMessage(std::int32_t record, std::int32_t entryCount) {
    return std::to_string(record) + ":" + std::to_string(entryCount) + " Big";
}

std::string pastEndMessage(std::int32_t record) {
    return std::to_string(record) + ": 记录超出文件末尾";
}

} // namespace

Result<SpawnFile> parseSpawnFile(std::span<const std::uint8_t> bytes, const ElementNameTables& names,
                                 const std::string& path) {
    if (bytes.size() < kPrefixSize) {
        return Error{"文件太短：" + path + " (" + std::to_string(bytes.size()) + " bytes, at least " +
                     std::to_string(kPrefixSize) + " needed)"};
    }
    SpawnFile file;
    ByteReader reader(bytes);
    const auto leading = reader.take(kLeadingBlockSize);
    std::copy(leading->begin(), leading->end(), file.context.leadingBlock.begin());
    for (auto& word : file.context.headerWords) {
        word = *reader.readI32();
    }

    const std::int32_t n = file.context.recordCountWord();
    if (n > 0) {
        // Every record has at least its area header, so the data bounds how many can follow.
        file.records.reserve(std::min(static_cast<std::size_t>(n), reader.remaining() / kAreaHeaderSize));
    }
    for (std::int32_t i = 0; i < n; ++i) {
        const auto countBytes = reader.peek(kEntryCountOffset + kHeaderWordSize);
        if (!countBytes) {
            file.stopped = LoadStop{i, pastEndMessage(i)};
            break;
        }
        const std::int32_t k = readI32At(*countBytes, kEntryCountOffset);
        if (!isValidEntryCount(k)) {
            file.stopped = LoadStop{i, badCountMessage(i, k)};
            break;
        }
        const auto recordBytes = reader.take(recordSize(k));
        if (!recordBytes) {
            file.stopped = LoadStop{i, pastEndMessage(i)};
            break;
        }
        auto record = SpawnRecord::fromBytes(*recordBytes);
        record.value().applyName(names);
        file.records.append(std::move(record).value());
    }
    const auto rest = reader.takeRest();
    file.context.remainder.assign(rest.begin(), rest.end());
    return file;
}

Result<SpawnFile> loadSpawnFile(const std::string& path, const ElementNameTables& names) {
    auto bytes = readWholeFile(path);
    if (!bytes) {
        return bytes.error();
    }
    return parseSpawnFile(bytes.value(), names, path);
}

std::vector<std::uint8_t> serializeSpawnFile(const SpawnFileContext& context,
                                             const SpawnRecordList& records) {
    std::vector<std::uint8_t> out;
    serializeSpawnFileInto(out, context, records);
    return out;
}

void serializeSpawnFileInto(std::vector<std::uint8_t>& out, const SpawnFileContext& context,
                            const SpawnRecordList& records) {
    out.clear();
    out.reserve(kPrefixSize + records.byteSize() + context.remainder.size());
    out.insert(out.end(), context.leadingBlock.begin(), context.leadingBlock.end());
    for (const std::int32_t word : context.headerWords) {
        appendI32Le(out, word);
    }
    for (const auto& record : records) {
        out.insert(out.end(), record.bytes.begin(), record.bytes.end());
    }
    out.insert(out.end(), context.remainder.begin(), context.remainder.end());
}

Status writeSpawnFile(const std::string& path, const SpawnFileContext& context,
                      const SpawnRecordList& records, const WriteOptions& options) {
    return writeFileAtomically(path, serializeSpawnFile(context, records), options);
}

std::string backupPathFor(const std::string& spawnPath) {
    return spawnPath + std::string(kBackupSuffix);
}

Status makeBackup(const std::string& spawnPath) {
    return copyFileAtomically(spawnPath, backupPathFor(spawnPath));
}

std::string loadStopText(const LoadStop& stop) {
    return "loading stopped at record " + std::to_string(stop.position()) + " (" + stop.message + ")";
}

void appendSpawnRecords(SpawnFile& file, std::vector<SpawnRecord> records) {
    for (SpawnRecord& record : records) {
        file.records.insertAt(file.records.count() + 1, std::move(record));
    }
    file.context.moveRecordCountWord(static_cast<std::int64_t>(records.size()));
}

SpawnRecordList::Detached detachSpawnRecords(SpawnFile& file, std::span<const std::int32_t> positions) {
    auto detached = file.records.detachPositions(positions);
    file.context.moveRecordCountWord(-static_cast<std::int64_t>(detached.size()));
    return detached;
}

void reattachSpawnRecords(SpawnFile& file, std::span<const std::int32_t> positions, SpawnRecordList::Detached records) {
    const auto count = static_cast<std::int64_t>(records.size());
    file.records.attachPositions(positions, std::move(records));
    file.context.moveRecordCountWord(count);
}

std::vector<SpawnRecord> removeSpawnRecords(SpawnFile& file, std::span<const std::int32_t> positions) {
    auto removed = file.records.removePositions(positions);
    file.context.moveRecordCountWord(-static_cast<std::int64_t>(removed.size()));
    return removed;
}

void restoreSpawnRecords(SpawnFile& file, std::span<const std::int32_t> positions,
                         std::vector<SpawnRecord> records) {
    const auto count = static_cast<std::int64_t>(records.size());
    file.records.insertPositions(positions, std::move(records));
    file.context.moveRecordCountWord(count);
}

Result<Overwritten> writeFileOver(const std::string& target, std::span<const std::uint8_t> bytes,
                                  const OverwriteOptions& options) {
    Overwritten done;
    done.backupPath = options.madeBackup;
    WriteOptions write;
    write.backupPath = options.madeBackup;
    std::error_code ec;
    if (options.backup != BackupPolicy::None && options.madeBackup.empty() &&
        std::filesystem::is_regular_file(filePath(target), ec)) {
        if (auto backup = makeBackup(target); backup) {
            done.backupPath = write.backupPath = backupPathFor(target);
        } else if (options.backup == BackupPolicy::Required) {
            return Error{backup.error().message + "; " + target + " was left as it was"};
        } else {
            done.backupFailure = backup.error();
        }
    }
    if (auto written = writeFileAtomically(target, bytes, write); !written) {
        return written.error();
    }
    return done;
}

Result<Overwritten> writeSpawnFileOver(const std::string& target, const SpawnFileContext& context,
                                       const SpawnRecordList& records, const OverwriteOptions& options) {
    return writeFileOver(target, serializeSpawnFile(context, records), options);
}

std::string countLabelText(std::int32_t recordCount) {
    return "Total NPC-->" + std::to_string(recordCount);
}

std::string savedMessageText(std::int32_t recordCount) {
    return std::to_string(recordCount) + "  Saved!";
}

} // namespace spawn
