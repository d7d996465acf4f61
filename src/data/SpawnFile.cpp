#include "SpawnFile.h"

#include <filesystem>

#include "ByteReader.h"

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
    out.reserve(kPrefixSize + records.byteSize() + context.remainder.size());
    out.insert(out.end(), context.leadingBlock.begin(), context.leadingBlock.end());
    for (const std::int32_t word : context.headerWords) {
        appendI32Le(out, word);
    }
    for (const auto& record : records) {
        out.insert(out.end(), record.bytes.begin(), record.bytes.end());
    }
    out.insert(out.end(), context.remainder.begin(), context.remainder.end());
    return out;
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

Status saveSpawnFileWithBackup(const std::string& path, const SpawnFileContext& context,
                               const SpawnRecordList& records) {
    std::error_code ec;
    WriteOptions options;
    if (std::filesystem::exists(path, ec)) {
        if (auto backup = makeBackup(path); !backup) {
            return backup;
        }
        options.backupPath = backupPathFor(path);
    }
    return writeSpawnFile(path, context, records, options);
}

std::string countLabelText(std::int32_t recordCount) {
    return "Total NPC-->" + std::to_string(recordCount);
}

std::string savedMessageText(std::int32_t recordCount) {
    return std::to_string(recordCount) + "  Saved!";
}

} // namespace spawn
