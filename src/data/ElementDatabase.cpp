#include "ElementDatabase.h"

#include "ByteReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace spawn {

using namespace ElementLayout;

namespace {

Error readFailed() {
    return Error{std::string(kReadFailedMessage)};
}

Error bigCount(std::size_t list) {
    return Error{std::string(kBigCountMessagePrefix) + std::to_string(list)};
}

std::optional<std::uint32_t> wordAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < kWordSize) {
        return std::nullopt;
    }
    return readU32Le(bytes.subspan(offset).first<kWordSize>());
}

// The offset of the start signature. The walk takes words from offset 0 on; a word taken as the
// partner of a first signature word is not looked at again as a first word.
Result<std::size_t> findStartSignature(std::span<const std::uint8_t> bytes) {
    std::size_t taken = 0;
    for (;;) {
        const std::size_t at = taken;
        const auto first = wordAt(bytes, at);
        if (!first) {
            return readFailed();
        }
        taken += kWordSize;
        if (*first == kSignatureFirstWord) {
            const auto second = wordAt(bytes, taken);
            if (!second) {
                return readFailed();
            }
            taken += kWordSize;
            if (*second == kSignatureSecondWord) {
                return at;
            }
        }
        if (taken > kSignatureSearchLimit) {
            return Error{std::string(kNoSignatureMessage)};
        }
    }
}

// Where each of lists 0..54 starts (at its count) and where list 54 ends.
struct ListPositions {
    std::array<std::size_t, kListCount> starts{};
    std::size_t end = 0;
};

// Passes over lists 0..54 by arithmetic. Every count is checked before it moves the cursor, and
// every list must lie wholly inside the data, so that the tables can later be read without checks.
Result<ListPositions> walkLists(std::span<const std::uint8_t> bytes, std::size_t startOffset,
                                ElementFileLayout layout) {
    ListPositions positions;
    std::size_t cursor = startOffset;
    for (std::size_t list = 0; list < kListCount; ++list) {
        positions.starts[list] = cursor;
        const auto word = wordAt(bytes, cursor);
        if (!word) {
            return readFailed();
        }
        const auto count = static_cast<std::int32_t>(*word);
        if (count > kMaxRecordCount) {
            return bigCount(list);
        }
        if (count < 0) {
            return readFailed();
        }
        const ListShape shape = listShape(layout, list);
        // At most 5000 records of at most a few kilobytes: the sum cannot overflow 64 bits.
        const std::uint64_t listSize = std::uint64_t{kCountSize} +
                                       static_cast<std::uint64_t>(count) * std::uint64_t{shape.recordSize} +
                                       std::uint64_t{shape.trailingBytes};
        if (listSize > bytes.size() - cursor) {
            return readFailed();
        }
        cursor += static_cast<std::size_t>(listSize);
    }
    positions.end = cursor;
    return positions;
}

// Precondition: the list at `listStart` passed walkLists, so its count is 0..5000 and its records
// lie inside the data.
NameTable readNameTable(std::span<const std::uint8_t> bytes, std::size_t listStart, std::size_t recordSize,
                        const NamedList& named) {
    static_assert(kCreatureList.idOffset + kWordSize <= kDefaultListShapes[kCreatureList.list].recordSize);
    static_assert(kNpcList.idOffset + kWordSize <= kDefaultListShapes[kNpcList.list].recordSize);
    const auto count = static_cast<std::size_t>(readI32At(bytes, listStart));
    const std::size_t namePosition = std::min(namePositionFromDigits(named.namePositionDigits), recordSize);
    NameTable table;
    table.ids.reserve(count);
    table.names.reserve(count);
    auto records = bytes.subspan(listStart + kCountSize, count * recordSize);
    for (std::size_t j = 0; j < count; ++j) {
        const auto record = records.subspan(j * recordSize, recordSize);
        table.ids.push_back(readI32At(record, named.idOffset));
        table.names.push_back(decodeUtf16LeName(record.subspan(namePosition)));
    }
    return table;
}

void appendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

bool isHighSurrogate(std::uint32_t unit) {
    return unit >= 0xD800 && unit < 0xDC00;
}
bool isLowSurrogate(std::uint32_t unit) {
    return unit >= 0xDC00 && unit < 0xE000;
}

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

} // namespace

std::string decodeUtf16LeName(std::span<const std::uint8_t> bytes) {
    const std::size_t units = bytes.size() / 2;
    const auto unitAt = [bytes](std::size_t i) {
        return static_cast<std::uint32_t>(bytes[2 * i]) | (static_cast<std::uint32_t>(bytes[2 * i + 1]) << 8);
    };
    std::string out;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit = unitAt(i);
        if (unit == 0) {
            break;
        }
        std::uint32_t codePoint = unit;
        if (isHighSurrogate(unit)) {
            const std::uint32_t next = i + 1 < units ? unitAt(i + 1) : 0;
            if (isLowSurrogate(next)) {
                codePoint = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            } else {
                codePoint = kReplacementCharacter;
            }
        } else if (isLowSurrogate(unit)) {
            codePoint = kReplacementCharacter;
        }
        appendUtf8(out, codePoint);
    }
    return out;
}

std::optional<std::size_t> findFingerprintText(std::span<const std::uint8_t> bytes, std::size_t from) {
    const std::size_t size = bytes.size();
    const auto first = static_cast<unsigned char>(kFingerprintText[0]);
    std::size_t q = from;
    while (q < size) {
        // A difference at the first letter moves on by one byte, so the next comparison that can
        // get further starts at the next 'f'; memchr finds it without changing what is matched.
        const void* hit = std::memchr(bytes.data() + q, first, size - q);
        if (hit == nullptr) {
            return std::nullopt;
        }
        q = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - bytes.data());
        std::size_t matched = 1;
        while (matched < kFingerprintText.size() && q + matched < size &&
               bytes[q + matched] == static_cast<unsigned char>(kFingerprintText[matched])) {
            ++matched;
        }
        if (matched == kFingerprintText.size()) {
            return q;
        }
        if (q + matched >= size) {
            return std::nullopt; // the data ends inside a partial match
        }
        q += kMatcherAdvance[matched];
    }
    return std::nullopt;
}

std::optional<std::string_view> buildMessageFor(ElementFileLayout layout,
                                                std::optional<std::int32_t> fingerprint) {
    if (layout == ElementFileLayout::EightByteHeader) {
        return kEightByteHeaderBuildMessage;
    }
    if (!fingerprint) {
        return std::nullopt;
    }
    for (const BuildMessage& row : kBuildMessages) {
        if (row.fingerprint == *fingerprint) {
            return row.message;
        }
    }
    return std::nullopt;
}

Result<ElementDatabase> readElementDatabase(std::span<const std::uint8_t> bytes) {
    const auto signature = findStartSignature(bytes);
    if (!signature) {
        return signature.error();
    }
    // A signature at offset 0 or 4 would put list 0 before the start of the file.
    if (signature.value() < kSignatureDistance) {
        return readFailed();
    }
    const std::size_t startOffset = signature.value() - kSignatureDistance;

    ElementDatabase db;
    db.startOffset = static_cast<std::int32_t>(startOffset);
    db.layout = startOffset == kEightByteHeaderStartOffset ? ElementFileLayout::EightByteHeader
                                                           : ElementFileLayout::Default;

    const auto lists = walkLists(bytes, startOffset, db.layout);
    if (!lists) {
        return lists.error();
    }
    db.endOfLists = lists.value().end;

    // endOfLists lies inside the data, so the sum cannot overflow.
    if (const auto at = findFingerprintText(bytes, db.endOfLists + kFingerprintSearchGap)) {
        const std::size_t distance = *at + kFingerprintText.size() - db.endOfLists - kFingerprintAdjust;
        // Only a file of more than 2 GB could hold a larger distance; such a one names no build.
        if (distance <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            db.fingerprint = static_cast<std::int32_t>(distance);
        }
    }
    if (const auto message = buildMessageFor(db.layout, db.fingerprint)) {
        db.buildMessage = std::string(*message);
    }

    const auto& starts = lists.value().starts;
    NameTable creatures = readNameTable(bytes, starts[kCreatureList.list],
                                        listShape(db.layout, kCreatureList.list).recordSize, kCreatureList);
    NameTable npcs =
        readNameTable(bytes, starts[kNpcList.list], listShape(db.layout, kNpcList.list).recordSize, kNpcList);
    db.names = ElementNameTables(std::move(creatures), std::move(npcs));
    return db;
}

} // namespace spawn
