#pragma once

#include "ElementNameTables.h"
#include "Result.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace spawn {

inline constexpr std::string_view kElementsFileName = "elements.data";

enum class ElementFileLayout { Default, EightByteHeader };

// The fixed layout of the element database as far as the editor reads it. Every size, offset and
// text of the reader comes from here.
namespace ElementLayout {

inline constexpr std::size_t kWordSize = 4;

// The start signature, the UTF-16LE text "A_A1", read as two little-endian words. It lies
// kSignatureDistance bytes after the start of list 0 and is searched for in the first
// kSignatureSearchLimit bytes only.
inline constexpr std::uint32_t kSignatureFirstWord = 0x005F0041;
inline constexpr std::uint32_t kSignatureSecondWord = 0x00310041;
inline constexpr std::size_t kSignatureDistance = 8;
inline constexpr std::size_t kSignatureSearchLimit = 100;

// A start offset of exactly this many bytes selects the 8-byte-header layout.
inline constexpr std::size_t kEightByteHeaderStartOffset = 8;

// Lists 0..54: an int32 count, that many records of the list's size, then its trailing bytes.
inline constexpr std::size_t kListCount = 55;
inline constexpr std::size_t kCountSize = 4;
inline constexpr std::int32_t kMaxRecordCount = 5000;

struct ListShape {
    std::size_t recordSize;
    std::size_t trailingBytes;
};

// The list layout table of the default layout, indexed by list number.
inline constexpr std::array<ListShape, kListCount> kDefaultListShapes = {{
    {84, 0},  {68, 0},   {356, 0}, {1404, 0}, {68, 0},  {72, 0},  {1104, 0}, {68, 0},   {72, 0},  {1156, 0},
    {68, 0},  {68, 0},   {376, 0}, {68, 0},   {68, 0},  {368, 0}, {68, 0},   {364, 0},  {68, 0},  {624, 0},
    {68, 0},  {348, 0},  {516, 0}, {488, 0},  {352, 0}, {352, 0}, {348, 0},  {208, 0},  {888, 0}, {68, 0},
    {892, 0}, {68, 0},   {340, 0}, {68, 0},   {436, 0}, {84, 0},  {196, 0},  {1500, 0}, {72, 0},  {1224, 0},
    {72, 0},  {72, 0},   {200, 0}, {200, 0},  {196, 0}, {196, 0}, {644, 0},  {584, 0},  {72, 0},  {460, 8},
    {68, 0},  {1224, 0}, {72, 0},  {68, 0},   {848, 0},
}};

// Where the 8-byte-header layout differs from the table above.
inline constexpr std::size_t kTrailingBytesList = 19;
inline constexpr std::size_t kEightByteHeaderTrailingBytes = 19;
inline constexpr std::size_t kLongRecordList = 51;
inline constexpr std::size_t kEightByteHeaderLongRecordSize = 1228;

inline constexpr ListShape listShape(ElementFileLayout layout, std::size_t list) {
    ListShape shape = kDefaultListShapes[list];
    if (layout == ElementFileLayout::EightByteHeader) {
        if (list == kTrailingBytesList) {
            shape.trailingBytes = kEightByteHeaderTrailingBytes;
        }
        if (list == kLongRecordList) {
            shape.recordSize = kEightByteHeaderLongRecordSize;
        }
    }
    return shape;
}

// The two lists whose records give the creature names. The name's place in the record is held as
// two hexadecimal digits counting 4-byte words, decoded when the tables are built.
struct NamedList {
    std::size_t list;
    std::size_t idOffset;
    std::string_view namePositionDigits;
};
inline constexpr NamedList kCreatureList = {37, 0, "02"};
inline constexpr NamedList kNpcList = {54, 0, "01"};

// 0-9, A-F and a-f give their value; any other character counts as 0.
inline constexpr std::size_t hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::size_t>(c - '0');
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<std::size_t>(c - 'A' + 10);
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::size_t>(c - 'a' + 10);
    }
    return 0;
}

// The byte position of a name held as two digits ("02" gives 8). Missing digits count as 0.
inline constexpr std::size_t namePositionFromDigits(std::string_view digits) {
    const std::size_t high = digits.size() > 0 ? hexDigitValue(digits[0]) : 0;
    const std::size_t low = digits.size() > 1 ? hexDigitValue(digits[1]) : 0;
    return (high * 16 + low) * kWordSize;
}

// The build fingerprint: the text "facedata" is searched for from kFingerprintSearchGap bytes
// after list 54 on, and F is the distance from the end of list 54 to the byte after the text,
// less kFingerprintAdjust.
inline constexpr std::string_view kFingerprintText = "facedata";
inline constexpr std::size_t kFingerprintSearchGap = 1000000;
inline constexpr std::size_t kFingerprintAdjust = 80;

// Where the matcher goes on after a difference at letter 1..8, counted from where it compared.
inline constexpr std::array<std::size_t, 8> kMatcherAdvance = {1, 2, 51, 52, 5, 6, 7, 8};
static_assert(kMatcherAdvance.size() == kFingerprintText.size());

struct BuildMessage {
    std::int32_t fingerprint;
    std::string_view message;
};
inline constexpr std::string_view kEightByteHeaderBuildMessage = "官服客户端_*版";
inline constexpr std::array<BuildMessage, 5> kBuildMessages = {{
    {1912010, "私服服务端_38版"},
    {1924570, "私服客户端_38版"},
    {1917220, "私服服务端_17版"},
    {1984530, "官方客户端_86或82版"},
    {3296930, "英文_私服客户端_17版"},
}};

// The messages that end start-up.
inline constexpr std::string_view kNoSignatureMessage = ">100";
inline constexpr std::string_view kBigCountMessagePrefix = "Big "; // followed by the list number
inline constexpr std::string_view kReadFailedMessage = "读取失败！";

} // namespace ElementLayout

struct ElementDatabase {
    std::int32_t startOffset = 0;
    ElementFileLayout layout = ElementFileLayout::Default;
    std::size_t endOfLists = 0;              // E, the offset after list 54
    std::optional<std::int32_t> fingerprint; // none when "facedata" is not found
    std::optional<std::string> buildMessage; // UTF-8 text to show in a message box, if any
    ElementNameTables names;
};

// Reads the element database from the whole file's bytes. Every failure ends start-up, and its
// message is exactly one of ">100" (no start signature in the first 100 bytes), "Big %d" (a count
// above 5000, with its list number) or "读取失败！" (the data ends too early, a negative count or
// a start signature before offset 8). A database without "facedata" has no fingerprint and is
// read without a build message, except in the 8-byte-header layout, whose message does not
// depend on the fingerprint.
Result<ElementDatabase> readElementDatabase(std::span<const std::uint8_t> bytes);

// The position where the fingerprint matcher finds "facedata" when it starts at `from`, or
// nothing when the data ends first. The matcher never compares a byte twice: after a difference
// it goes on as kMatcherAdvance says, so some occurrences are passed over.
std::optional<std::size_t> findFingerprintText(std::span<const std::uint8_t> bytes, std::size_t from);

// The build message for a layout and fingerprint, if any.
std::optional<std::string_view> buildMessageFor(ElementFileLayout layout,
                                                std::optional<std::int32_t> fingerprint);

// A UTF-16LE name up to its zero terminator or the end of the bytes, whichever comes first, as
// UTF-8. An unpaired surrogate becomes U+FFFD; an odd last byte is not a code unit and is ignored.
std::string decodeUtf16LeName(std::span<const std::uint8_t> bytes);

} // namespace spawn
