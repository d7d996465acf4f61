#pragma once

// Builds small element databases byte by byte for the tests.

#include "ByteReader.h"
#include "ElementDatabase.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace spawn::testing {

// A UTF-16LE text as bytes, with its zero terminator unless told otherwise.
inline std::vector<std::uint8_t> utf16(std::u16string_view text, bool terminated = true) {
    std::vector<std::uint8_t> out;
    for (const char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (terminated) {
        out.insert(out.end(), {0, 0});
    }
    return out;
}

struct NamedRecord {
    std::int32_t id;
    std::vector<std::uint8_t> name; // stored from the name position on, cut at the record's end
};

// Header, lists 0..54 and nothing after them. The start signature sits inside list 0's first
// record, so list 0 keeps at least one record.
struct ElementBytes {
    std::size_t signatureOffset = 12; // at least 8
    std::array<std::int32_t, ElementLayout::kListCount> counts{1};
    std::vector<NamedRecord> creatures; // list 37; its count comes from here
    std::vector<NamedRecord> npcs;      // list 54; its count comes from here

    std::vector<std::uint8_t> build() const {
        using namespace ElementLayout;
        const std::size_t start = signatureOffset - kSignatureDistance;
        // The test states the 8-byte-header layout's differences itself rather than asking the reader.
        const bool eightByteHeader = start == 8;
        std::vector<std::uint8_t> out(start, 0);
        for (std::size_t list = 0; list < kListCount; ++list) {
            std::size_t recordSize = kDefaultListShapes[list].recordSize;
            std::size_t trailing = kDefaultListShapes[list].trailingBytes;
            if (eightByteHeader && list == 19) {
                trailing = 19;
            }
            if (eightByteHeader && list == 51) {
                recordSize = 1228;
            }
            const std::vector<NamedRecord>* named = list == 37 ? &creatures : list == 54 ? &npcs : nullptr;
            const std::int32_t count = named ? static_cast<std::int32_t>(named->size()) : counts[list];
            appendI32Le(out, count);
            // A count the reader refuses anyway gets no records beyond the first one too many.
            const std::int32_t records = std::clamp(count, 0, ElementLayout::kMaxRecordCount + 1);
            for (std::int32_t j = 0; j < records; ++j) {
                std::vector<std::uint8_t> record(recordSize, static_cast<std::uint8_t>(0x60 + list % 16));
                if (list == 0 && j == 0) {
                    writeI32At(record, 4, static_cast<std::int32_t>(kSignatureFirstWord));
                    writeI32At(record, 8, static_cast<std::int32_t>(kSignatureSecondWord));
                }
                if (named) {
                    const NamedRecord& r = (*named)[static_cast<std::size_t>(j)];
                    writeI32At(record, 0, r.id);
                    const std::size_t at = list == 37 ? 8 : 4;
                    for (std::size_t b = 0; b < r.name.size() && at + b < recordSize; ++b) {
                        record[at + b] = r.name[b];
                    }
                }
                out.insert(out.end(), record.begin(), record.end());
            }
            out.insert(out.end(), trailing, 0xCC);
        }
        return out;
    }
};

// Writes "facedata" `distance` bytes after the end of list 54, growing the data with filler so
// that `after` bytes follow the text. Texts already written stay where they are.
inline void placeFacedata(std::vector<std::uint8_t>& bytes, std::size_t endOfLists, std::size_t distance,
                          std::size_t after = 16) {
    const std::size_t at = endOfLists + distance;
    const std::size_t needed = at + ElementLayout::kFingerprintText.size() + after;
    if (bytes.size() < needed) {
        bytes.resize(needed, 0x20);
    }
    for (std::size_t i = 0; i < ElementLayout::kFingerprintText.size(); ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(ElementLayout::kFingerprintText[i]);
    }
}

// The distance from the end of list 54 at which "facedata" gives the fingerprint `f`.
inline constexpr std::size_t facedataDistanceFor(std::int32_t f) {
    return static_cast<std::size_t>(f) + 72;
}

} // namespace spawn::testing
