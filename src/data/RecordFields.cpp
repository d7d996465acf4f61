#include "RecordFields.h"

#include "ByteReader.h"
#include "NumberText.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <bit>
#include <cassert>

namespace spawn {

using namespace SpawnLayout;

namespace {

// Type and byte offset of form field j (1-based) in any record that has it.
struct FieldPlace {
    char type;
    std::size_t offset;
};

FieldPlace fieldPlace(std::size_t j) {
    assert(j >= 1);
    if (j <= kAreaFieldCount) {
        const std::string_view head = kAreaFieldTypes.substr(0, j - 1);
        return {kAreaFieldTypes[j - 1], fieldStringSize(head)};
    }
    const std::size_t inEntries = j - kAreaFieldCount - 1;
    const std::size_t entry = inEntries / kEntryFieldCount;
    const std::size_t field = inEntries % kEntryFieldCount;
    return {kEntryFieldTypes[field], kAreaHeaderSize + entry * kCreatureEntrySize +
                                         fieldStringSize(kEntryFieldTypes.substr(0, field))};
}

} // namespace

std::size_t formFieldCount(std::int32_t entryCount) {
    return kAreaFieldCount + kEntryFieldCount * static_cast<std::size_t>(entryCount);
}

std::string formFieldLabel(std::size_t j) {
    if (j >= 1 && j <= kAreaFieldCount && j < kAreaLabelSlots.size()) {
        // Only the first eight slots are shown; the later ones hold texts the form never uses.
        constexpr std::size_t kShownSlots = 8;
        const std::string_view slot = kAreaLabelSlots[j];
        if (j <= kShownSlots && slot != " ") {
            return std::string(slot);
        }
    }
    if (j > kAreaFieldCount) {
        const std::size_t field = (j - kAreaFieldCount - 1) % kEntryFieldCount;
        if (field < kEntryLeadingLabels.size()) {
            return std::string(kEntryLeadingLabels[field]);
        }
    }
    return formatInt(static_cast<std::int64_t>(j)) + ": ";
}

std::string_view fieldTypeName(char type) {
    switch (type) {
    case kByteField:
        return "byte";
    case kFloatField:
        return "float32";
    default:
        return "int32";
    }
}

std::string fieldText(char type, std::span<const std::uint8_t> at) {
    switch (type) {
    case kByteField:
        return formatInt(static_cast<std::int8_t>(at[0]));
    case kFloatField:
        return formatFixed18(static_cast<double>(std::bit_cast<float>(readU32Le(at.first<4>()))));
    default:
        return formatInt(readI32Le(at.first<4>()));
    }
}

FieldBytes fieldBytesFromText(char type, std::string_view text) {
    FieldBytes out;
    out.size = fieldSize(type);
    std::uint32_t bits = 0;
    switch (type) {
    case kByteField:
        bits = static_cast<std::uint32_t>(parseCInt(text)) & 0xFFu;
        break;
    case kFloatField:
        bits = std::bit_cast<std::uint32_t>(static_cast<float>(parseCDouble(text)));
        break;
    default:
        bits = static_cast<std::uint32_t>(parseCInt(text));
        break;
    }
    for (std::size_t i = 0; i < out.size; ++i) {
        out.bytes[i] = static_cast<std::uint8_t>((bits >> (8 * i)) & 0xFFu);
    }
    return out;
}

std::vector<FormField> recordFormFields(const SpawnRecord& record) {
    const std::size_t count = formFieldCount(record.entryCount);
    std::vector<FormField> fields;
    fields.reserve(count);
    for (std::size_t j = 1; j <= count; ++j) {
        const FieldPlace place = fieldPlace(j);
        fields.push_back({j, place.type, place.offset, formFieldLabel(j),
                          fieldText(place.type, std::span(record.bytes).subspan(place.offset))});
    }
    return fields;
}

FieldBytes recordFieldBytes(const SpawnRecord& record, std::size_t j) {
    const FieldPlace place = fieldPlace(j);
    FieldBytes out;
    out.size = fieldSize(place.type);
    std::copy_n(record.bytes.begin() + static_cast<std::ptrdiff_t>(place.offset), out.size,
                out.bytes.begin());
    return out;
}

} // namespace spawn
