#pragma once

// The fields of a record as the record form shows them: one labelled text per field, in the order
// of the record's combined field-type string. The window, the form commands and spawn-tool all
// read and write fields through here.

#include "SpawnRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace spawn {

// Number of form fields of a record with `entryCount` entries: 20 + 18 x entryCount.
// Precondition: 0 <= entryCount.
std::size_t formFieldCount(std::int32_t entryCount);

// The label of form field j (1-based): the area label slot where it is not blank (fields 1..8),
// "NPC--ID: ", "Total-->: " or "TimeResp: " for the first three fields of an entry, otherwise
// "j: ".
std::string formFieldLabel(std::size_t j);

// "byte", "float32" or "int32" for a field-type character.
std::string_view fieldTypeName(char type);

// A field's bytes as they lie in the record, little-endian; `size` is fieldSize(type).
struct FieldBytes {
    std::array<std::uint8_t, 4> bytes{};
    std::size_t size = 0;

    std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
    bool operator==(const FieldBytes&) const = default;
};

// The text a field's box shows: "%d" of a signed byte, "%.18f" of a float widened to double,
// "%d" of an int32. Precondition: `at` holds at least fieldSize(type) bytes.
std::string fieldText(char type, std::span<const std::uint8_t> at);

// A typed text read back as the field's bytes: atoi with the low 8 bits kept for a byte, atof
// rounded to the nearest float for a float32, atoi for an int32. Nothing typed is refused.
FieldBytes fieldBytesFromText(char type, std::string_view text);

// One form field of a record: where it lies in the record's bytes and how it is shown.
struct FormField {
    std::size_t number = 0; // j, 1-based
    char type = '2';
    std::size_t offset = 0; // in the record's bytes
    std::string label;
    std::string text;
};

// Every field of `record`, in form order, with its label and shown text.
std::vector<FormField> recordFormFields(const SpawnRecord& record);

// The bytes of `record` at its form field j (1-based). Precondition: j <= the record's fields.
FieldBytes recordFieldBytes(const SpawnRecord& record, std::size_t j);

} // namespace spawn
