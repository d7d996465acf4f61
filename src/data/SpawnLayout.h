#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace spawn {

// Fixed layout of the spawn file and its records. Every reader and writer takes its sizes and
// offsets from here.
namespace SpawnLayout {

inline constexpr std::string_view kDefaultFileName = "mobset.data";
inline constexpr std::string_view kBackupSuffix = ".bak";

// File prefix: a 4-byte leading block, then four int32 words, the first being the record count.
inline constexpr std::size_t kLeadingBlockSize = 4;
inline constexpr std::size_t kHeaderWordCount = 4;
inline constexpr std::size_t kHeaderWordSize = 4;
inline constexpr std::size_t kRecordCountWordIndex = 0;
inline constexpr std::size_t kPrefixSize = kLeadingBlockSize + kHeaderWordCount * kHeaderWordSize; // 20

// A record: one area header followed by `entryCount` creature entries.
inline constexpr std::size_t kAreaHeaderSize = 71;
inline constexpr std::size_t kCreatureEntrySize = 60;
inline constexpr std::int32_t kMaxEntryCount = 100;

// Byte offsets inside the area header.
inline constexpr std::size_t kEntryCountOffset = 4; // field 2
inline constexpr std::size_t kPositionXOffset = 8;  // field 3
inline constexpr std::size_t kPositionYOffset = 12; // field 4 (height)
inline constexpr std::size_t kPositionZOffset = 16; // field 5
inline constexpr std::size_t kRangeXOffset = 32;    // field 9: how far the creatures roam along X
inline constexpr std::size_t kRangeZOffset = 40;    // field 11: and along Z

// Byte offset of the creature ID inside a creature entry (field 1).
inline constexpr std::size_t kCreatureIdOffset = 0;

// Field types: '0' a signed byte, '1' a float32, '2' an int32. Any other character is no field.
inline constexpr char kByteField = '0';
inline constexpr char kFloatField = '1';
inline constexpr char kIntField = '2';
inline constexpr std::string_view kAreaFieldTypes = "22111121111220002222";
inline constexpr std::string_view kEntryFieldTypes = "222222222200002222";
inline constexpr std::size_t kAreaFieldCount = kAreaFieldTypes.size();   // 20
inline constexpr std::size_t kEntryFieldCount = kEntryFieldTypes.size(); // 18

// Form label slots of the area header, index 1..20 (index 0 unused). A slot holding " " is
// shown as the field's running number.
inline constexpr std::array<std::string_view, kAreaFieldCount + 1> kAreaLabelSlots = {"",
                                                                                      "Block-->: ",
                                                                                      "SubBlock: ",
                                                                                      "X--->: ",
                                                                                      "Y--->: ",
                                                                                      "Z--->: ",
                                                                                      "Rotate X-->",
                                                                                      " ",
                                                                                      "Rotate Y-->",
                                                                                      "移动范围x：",
                                                                                      "移动范围y：",
                                                                                      "移动范围z：",
                                                                                      "1主动攻击：",
                                                                                      " ",
                                                                                      " ",
                                                                                      " ",
                                                                                      "0死后消失：",
                                                                                      " ",
                                                                                      "活动激活ID: ",
                                                                                      "",
                                                                                      ""};

inline constexpr std::array<std::string_view, 3> kEntryLeadingLabels = {
    "NPC--ID: ", "Total-->: ", "TimeResp: "};

// Field values of a new creature entry, in field order.
inline constexpr std::array<std::int32_t, kEntryFieldCount> kDefaultEntryValues = {
    16, 1, 2000, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0};

inline constexpr std::size_t fieldSize(char type) {
    return type == kByteField ? 1 : (type == kFloatField || type == kIntField) ? 4 : 0;
}

inline constexpr std::size_t fieldStringSize(std::string_view types) {
    std::size_t total = 0;
    for (const char t : types) {
        total += fieldSize(t);
    }
    return total;
}

static_assert(fieldStringSize(kAreaFieldTypes) == kAreaHeaderSize);
static_assert(fieldStringSize(kEntryFieldTypes) == kCreatureEntrySize);
static_assert(kPrefixSize == 20);

// Precondition: 0 <= entryCount.
inline constexpr std::size_t recordSize(std::int32_t entryCount) {
    return kAreaHeaderSize + kCreatureEntrySize * static_cast<std::size_t>(entryCount);
}

inline constexpr bool isValidEntryCount(std::int32_t entryCount) {
    return entryCount >= 0 && entryCount <= kMaxEntryCount;
}

} // namespace SpawnLayout

// Text shown for a record whose creature has no name in the element database.
inline constexpr std::string_view kNameNotFound = "没有找到！";

} // namespace spawn
