#include "NumberText.h"

#include "ByteText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <system_error>

namespace spawn {

namespace {

// White space as the C library sees it in the "C" locale.
bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipSpace(std::string_view text, std::size_t pos) {
    while (pos < text.size() && isCSpace(text[pos])) {
        ++pos;
    }
    return pos;
}

std::size_t skipDigits(std::string_view text, std::size_t pos) {
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
    }
    return pos;
}

// Exponents are accumulated up to this size and no further; any exponent this large already
// puts the value far outside the double range, whatever the digits before it.
constexpr std::int64_t kExponentCap = 1'000'000'000'000'000;

template <class Int> std::string formatWith(Int value) {
    std::array<char, std::numeric_limits<Int>::digits10 + 3> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return {buffer.data(), end};
}

} // namespace

std::int32_t parseCInt(std::string_view text) {
    std::size_t pos = skipSpace(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Accumulate the magnitude in 64 bits and stop growing once it is past every int32.
    constexpr std::int64_t kBeyondInt32 = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 2;
    std::int64_t magnitude = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        if (magnitude < kBeyondInt32) {
            magnitude = magnitude * 10 + (text[pos] - '0');
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

double parseCDouble(std::string_view text) {
    std::size_t pos = skipSpace(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t numberStart = pos;
    const std::size_t intEnd = skipDigits(text, pos);
    std::size_t mantissaEnd = intEnd;
    std::size_t fractionStart = intEnd;
    if (intEnd < text.size() && text[intEnd] == '.') {
        fractionStart = intEnd + 1;
        mantissaEnd = skipDigits(text, fractionStart);
    }
    const std::size_t digitCount = (intEnd - numberStart) + (mantissaEnd - fractionStart);
    if (digitCount == 0) {
        return 0.0; // a sign or point without digits is no number: +0, as atof gives
    }

    // An exponent counts only when it has at least one digit ("1e" and "1e+" read as 1).
    std::size_t end = mantissaEnd;
    std::int64_t exponent = 0;
    if (mantissaEnd < text.size() && (text[mantissaEnd] == 'e' || text[mantissaEnd] == 'E')) {
        std::size_t expPos = mantissaEnd + 1;
        bool expNegative = false;
        if (expPos < text.size() && (text[expPos] == '+' || text[expPos] == '-')) {
            expNegative = text[expPos] == '-';
            ++expPos;
        }
        const std::size_t expEnd = skipDigits(text, expPos);
        if (expEnd > expPos) {
            end = expEnd;
            for (std::size_t i = expPos; i < expEnd && exponent < kExponentCap; ++i) {
                exponent = exponent * 10 + (text[i] - '0');
            }
            exponent = expNegative ? -exponent : exponent;
        }
    }

    // The prefix is plain decimal text, which from_chars reads correctly rounded and without
    // consulting the locale.
    double magnitude = 0.0;
    const auto parsed = std::from_chars(text.data() + numberStart, text.data() + end, magnitude);
    if (parsed.ec == std::errc::result_out_of_range) {
        // Beyond the double range on one side or the other: find the decimal order of the
        // leading significant digit to tell which.
        std::size_t firstSignificant = numberStart;
        while (firstSignificant < mantissaEnd &&
               (text[firstSignificant] == '0' || text[firstSignificant] == '.')) {
            ++firstSignificant;
        }
        const std::int64_t order = firstSignificant < intEnd
                                       ? static_cast<std::int64_t>(intEnd - firstSignificant) - 1 + exponent
                                       : static_cast<std::int64_t>(fractionStart) -
                                             static_cast<std::int64_t>(firstSignificant) - 1 + exponent;
        magnitude = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -magnitude : magnitude;
}

std::string formatGeneral6(double value) {
    // "%g" never needs more than sign, 6 digits, point and a 3-digit exponent.
    std::array<char, 32> buffer{};
    constexpr int kSignificantDigits = 6;
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::general, kSignificantDigits)
                         .ptr;
    return {buffer.data(), end};
}

std::string formatFixed18(double value) {
    // The largest double has 309 integer digits; sign, point and 18 decimals come on top.
    std::array<char, 400> buffer{};
    constexpr int kDecimals = 18;
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::fixed, kDecimals)
                         .ptr;
    return {buffer.data(), end};
}

std::string formatInt(std::int64_t value) {
    return formatWith(value);
}

std::string groupThousands(std::int64_t value) {
    std::string digits = formatInt(value);
    const std::size_t start = value < 0 ? 1 : 0;
    for (std::size_t i = digits.size(); i > start + 3; i -= 3) {
        digits.insert(i - 3, 1, ',');
    }
    return digits;
}

std::string countText(std::int64_t count, std::string_view singular, std::string_view plural) {
    return groupThousands(count) + " " + std::string(count == 1 ? singular : plural);
}

std::string recordCountText(std::int64_t count) {
    return countText(count, "record", "records");
}

std::string formatShortestFloat(float value) {
    // Plain notation of a float32 within the plain range needs at most sign, 10 integer digits,
    // point and 13 decimals; exponent form at most 15 characters.
    std::array<char, 48> buffer{};
    constexpr float kPlainFrom = 1e-4f;
    constexpr float kPlainBelow = 1e9f;
    const float magnitude = std::fabs(value);
    const bool plain = magnitude >= kPlainFrom && magnitude < kPlainBelow;
    const auto end =
        plain
            ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed).ptr
            : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return {buffer.data(), end};
}

std::optional<float> parseDecimalFloat(std::string_view text) {
    // from_chars would also take "inf", "nan" and hexadecimal digits; only decimal text counts.
    for (const char c : text) {
        if (!isDigit(c) && c != '-' && c != '+' && c != '.' && c != 'e' && c != 'E') {
            return std::nullopt;
        }
    }
    if (!text.empty() && text.front() == '+') {
        return std::nullopt;
    }
    float value = 0.0f;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec != std::errc{} || parsed.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string formatFloatBits(std::uint32_t bits) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) {
        text += kDigits[(bits >> shift) & 0xFu];
    }
    return text;
}

std::optional<std::uint32_t> parseFloatBits(std::string_view text) {
    constexpr std::string_view kPrefix = "0x";
    if (!text.starts_with(kPrefix)) {
        return std::nullopt;
    }
    const auto bytes = parseHexBytes(text.substr(kPrefix.size()), sizeof(std::uint32_t));
    if (!bytes) {
        return std::nullopt;
    }
    std::uint32_t bits = 0;
    for (const std::uint8_t b : bytes.value()) {
        bits = (bits << 8) | b;
    }
    return bits;
}

} // namespace spawn
