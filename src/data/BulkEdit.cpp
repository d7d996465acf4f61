#include "BulkEdit.h"

#include "ByteReader.h"
#include "NumberText.h"
#include "RecordFields.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace spawn {

using namespace SpawnLayout;

namespace {

constexpr std::size_t kEntryCountFieldNumber = 2;
constexpr std::size_t kCreatureIdFieldNumber = 1;
// A factor is read exactly as digits over a power of ten, with at most this many decimals.
constexpr int kMaxFactorDecimals = 9;

__extension__ typedef __int128 Int128;

// A value as typed: blanks around it are dropped, for every kind of value alike.
std::string_view withoutBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A form label without its trailing ": ".
std::string bareLabel(std::size_t formField) {
    std::string label = formFieldLabel(formField);
    while (!label.empty() && (label.back() == ' ' || label.back() == ':')) {
        label.pop_back();
    }
    return label;
}

// A decimal number as the JSON and the form write them: an optional sign, digits, optionally a
// point and digits, optionally an exponent. Nothing else is a number: no second sign, no lone
// point, no "inf", "nan" or hexadecimal digits.
struct NumberShape {
    bool negative = false;
    std::string_view digits;   // before the point
    std::string_view fraction; // after the point; empty without one
    bool hasExponent = false;
    std::string_view unsignedText; // the whole number without its sign
};

std::optional<NumberShape> scanNumber(std::string_view text) {
    NumberShape number;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        number.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    number.unsignedText = text;
    const auto digitsIn = [](std::string_view t) {
        return std::min(t.find_first_not_of("0123456789"), t.size());
    };
    std::size_t at = digitsIn(text);
    if (at == 0) {
        return std::nullopt;
    }
    number.digits = text.substr(0, at);
    if (at < text.size() && text[at] == '.') {
        const std::size_t fraction = digitsIn(text.substr(at + 1));
        if (fraction == 0) {
            return std::nullopt;
        }
        number.fraction = text.substr(at + 1, fraction);
        at += 1 + fraction;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        const std::size_t exponentDigits = digitsIn(text.substr(exponent));
        if (exponentDigits == 0) {
            return std::nullopt;
        }
        number.hasExponent = true;
        at = exponent + exponentDigits;
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    return number;
}

// An exact decimal: numerator / 10^decimals.
struct Decimal {
    std::int64_t numerator = 0;
    int decimals = 0;
};

// Digits and a sign as an integer; nothing when it does not fit 64 bits.
std::optional<std::int64_t> digitsValue(bool negative, std::string_view digits) {
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (error != std::errc() || end != digits.data() + digits.size() || magnitude > kMax) {
        return std::nullopt;
    }
    const auto value = static_cast<std::int64_t>(magnitude);
    return negative ? -value : value;
}

// The operand's text read as a whole number: sign and digits, nothing more.
std::optional<std::int64_t> parseInteger(const NumberShape& number) {
    if (!number.fraction.empty() || number.hasExponent) {
        return std::nullopt;
    }
    return digitsValue(number.negative, number.digits);
}

// The operand's text read as an exact decimal with up to kMaxFactorDecimals decimals.
std::optional<Decimal> parseDecimal(const NumberShape& number) {
    if (number.hasExponent || number.fraction.size() > static_cast<std::size_t>(kMaxFactorDecimals)) {
        return std::nullopt;
    }
    const auto numerator =
        digitsValue(number.negative, std::string(number.digits) + std::string(number.fraction));
    if (!numerator) {
        return std::nullopt;
    }
    return Decimal{*numerator, static_cast<int>(number.fraction.size())};
}

// The operand's text as a finite double.
std::optional<double> parseReal(const NumberShape& number) {
    const std::string_view text = number.unsignedText;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return number.negative ? -value : value;
}

// n / 10^k rounded half away from zero.
std::optional<std::int64_t> divideRounded(Int128 n, int decimals) {
    Int128 scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    const Int128 magnitude = n < 0 ? -n : n;
    Int128 quotient = magnitude / scale;
    if ((magnitude % scale) * 2 >= scale) {
        ++quotient;
    }
    if (quotient > std::numeric_limits<std::int64_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(n < 0 ? -quotient : quotient);
}

// The operand, read once for every record: an integer for integer fields (a decimal factor for
// Multiply), a double for floats.
struct Operand {
    std::int64_t integer = 0;
    Decimal factor;
    double real = 0;
};

struct FieldAt {
    char type;
    std::size_t offset;
};

FieldAt areaField(std::size_t field) {
    return {kAreaFieldTypes[field - 1], fieldStringSize(kAreaFieldTypes.substr(0, field - 1))};
}

FieldAt entryField(std::size_t field, std::size_t entry) {
    return {kEntryFieldTypes[field - 1], kAreaHeaderSize + entry * kCreatureEntrySize +
                                             fieldStringSize(kEntryFieldTypes.substr(0, field - 1))};
}

std::size_t formNumber(const BulkEditSpec& spec, std::size_t entry) {
    return spec.kind == BulkFieldKind::Area ? spec.field
                                            : kAreaFieldCount + entry * kEntryFieldCount + spec.field;
}

Error refusal(std::int32_t position, std::size_t formField, const std::string& why) {
    return Error{"record " + std::to_string(position) + ", field " + std::to_string(formField) + " (" +
                 bareLabel(formField) + "): " + why};
}

// The field's new bytes, or why there are none.
Result<FieldBytes> computeField(char type, std::span<const std::uint8_t> at, const BulkEditSpec& spec,
                                const Operand& operand) {
    if (type == kFloatField) {
        const double old =
            static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(readI32At(at, 0))));
        double result = operand.real;
        if (spec.operation == BulkOperation::Add) {
            result = old + operand.real;
        } else if (spec.operation == BulkOperation::Multiply) {
            result = old * operand.real;
        }
        if (std::isfinite(result) &&
            std::fabs(result) > static_cast<double>(std::numeric_limits<float>::max())) {
            return Error{formatGeneral6(result) + " lies beyond the float32 range"};
        }
        FieldBytes out;
        out.size = 4;
        const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(result));
        for (std::size_t i = 0; i < 4; ++i) {
            out.bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
        return out;
    }
    const bool isByte = type == kByteField;
    const std::int64_t old = isByte ? static_cast<std::int8_t>(at[0]) : readI32At(at, 0);
    std::optional<std::int64_t> result = operand.integer;
    if (spec.operation == BulkOperation::Add) {
        const Int128 sum = Int128{old} + operand.integer;
        result =
            sum > std::numeric_limits<std::int64_t>::max() || sum < std::numeric_limits<std::int64_t>::min()
                ? std::nullopt
                : std::optional(static_cast<std::int64_t>(sum));
    } else if (spec.operation == BulkOperation::Multiply) {
        result = divideRounded(Int128{old} * operand.factor.numerator, operand.factor.decimals);
    }
    const std::int64_t low =
        isByte ? std::numeric_limits<std::int8_t>::min() : std::numeric_limits<std::int32_t>::min();
    const std::int64_t high =
        isByte ? std::numeric_limits<std::int8_t>::max() : std::numeric_limits<std::int32_t>::max();
    if (!result || *result < low || *result > high) {
        return Error{std::string(result ? formatInt(*result) : std::string("the result")) +
                     " lies outside the " + (isByte ? "byte range -128..127" : "int32 range")};
    }
    FieldBytes out;
    out.size = isByte ? 1 : 4;
    const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(*result));
    for (std::size_t i = 0; i < out.size; ++i) {
        out.bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    return out;
}

char fieldType(const BulkEditSpec& spec) {
    return spec.kind == BulkFieldKind::Area ? areaField(spec.field).type : entryField(spec.field, 0).type;
}

Result<Operand> readOperand(const BulkEditSpec& spec, char type) {
    Operand operand;
    const std::string quoted = "\"" + spec.value + "\"";
    const auto number = scanNumber(withoutBlanks(spec.value));
    if (type == kFloatField) {
        const auto real = number ? parseReal(*number) : std::nullopt;
        if (!real) {
            return Error{quoted + " is not a number"};
        }
        operand.real = *real;
        return operand;
    }
    if (spec.operation == BulkOperation::Multiply) {
        const auto factor = number ? parseDecimal(*number) : std::nullopt;
        if (!factor) {
            return Error{quoted + " is not a decimal number (at most 9 decimals)"};
        }
        operand.factor = *factor;
        return operand;
    }
    const auto integer = number ? parseInteger(*number) : std::nullopt;
    if (!integer) {
        return Error{quoted + " is not a whole number"};
    }
    operand.integer = *integer;
    return operand;
}

} // namespace

bool isBulkEditableField(BulkFieldKind kind, std::size_t field) {
    return kind == BulkFieldKind::Area
               ? field >= 1 && field <= kAreaFieldCount && field != kEntryCountFieldNumber
               : field >= 1 && field <= kEntryFieldCount;
}

std::string bulkFieldName(BulkFieldKind kind, std::size_t field) {
    // Unlabelled entry fields are named by their number within the entry, not in the form.
    if (kind == BulkFieldKind::Entry && field > kEntryLeadingLabels.size()) {
        return std::to_string(field);
    }
    return bareLabel(kind == BulkFieldKind::Area ? field : kAreaFieldCount + field);
}

Result<BulkEditPlan> planBulkEdit(const SpawnRecordList& records, std::span<const std::int32_t> positions,
                                  const BulkEditSpec& spec) {
    if (!isBulkEditableField(spec.kind, spec.field)) {
        return Error{"field " + std::to_string(spec.field) + " cannot be edited in bulk"};
    }
    if (spec.kind == BulkFieldKind::Area && spec.onlyCreature) {
        return Error{"only the entries of one NPC--ID is an entry field's choice, not an area field's"};
    }
    const char type = fieldType(spec);
    auto operand = readOperand(spec, type);
    if (!operand) {
        return operand.error();
    }
    BulkEditPlan plan;
    for (const std::int32_t position : positions) {
        const SpawnRecord& record = records.at(position);
        std::vector<std::uint8_t> bytes;
        auto editAt = [&](FieldAt field, std::size_t formField) -> Status {
            const std::span<const std::uint8_t> current =
                std::span(bytes.empty() ? record.bytes : bytes).subspan(field.offset, fieldSize(field.type));
            auto changed = computeField(field.type, current, spec, operand.value());
            if (!changed) {
                return refusal(position, formField, changed.error().message);
            }
            if (std::equal(current.begin(), current.end(), changed.value().bytes.begin())) {
                return Done{};
            }
            if (bytes.empty()) {
                bytes = record.bytes;
            }
            std::copy_n(changed.value().bytes.begin(), fieldSize(field.type),
                        bytes.begin() + static_cast<std::ptrdiff_t>(field.offset));
            ++plan.fields;
            return Done{};
        };
        if (spec.kind == BulkFieldKind::Area) {
            if (auto status = editAt(areaField(spec.field), spec.field); !status) {
                return status.error();
            }
        } else {
            for (std::size_t e = 0; e < static_cast<std::size_t>(record.entryCount); ++e) {
                const FieldAt idField = entryField(kCreatureIdFieldNumber, e);
                if (spec.onlyCreature && readI32At(record.bytes, idField.offset) != *spec.onlyCreature) {
                    continue;
                }
                if (auto status = editAt(entryField(spec.field, e), formNumber(spec, e)); !status) {
                    return status.error();
                }
            }
        }
        if (!bytes.empty()) {
            plan.changes.emplace_back(position, std::move(bytes));
        }
    }
    return plan;
}

Status checkBulkEditValue(const BulkEditSpec& spec) {
    if (!isBulkEditableField(spec.kind, spec.field)) {
        return Error{"field " + std::to_string(spec.field) + " cannot be edited in bulk"};
    }
    const auto operand = readOperand(spec, fieldType(spec));
    return operand ? Status(Done{}) : Status(operand.error());
}

} // namespace spawn
