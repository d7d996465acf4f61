#include "ByteText.h"

#include "NumberText.h"
#include "Sha256.h"

#include <array>

namespace spawn {

namespace {

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPad = '=';
constexpr std::size_t kGroupBytes = 3;
constexpr std::size_t kGroupChars = 4;
constexpr std::size_t kBitsPerChar = 6;
constexpr std::uint32_t kCharMask = 0x3Fu;
constexpr std::string_view kHexDigits = "0123456789abcdef";
// Uninterpreted bytes up to this size are shown whole, larger ones by size and digest.
constexpr std::size_t kSummaryWholeBelow = 64;

// Maps each byte to its base64 value, or -1.
constexpr std::array<std::int8_t, 256> makeBase64Values() {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (std::size_t i = 0; i < kBase64Alphabet.size(); ++i) {
        values[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<std::int8_t>(i);
    }
    return values;
}
constexpr auto kBase64Values = makeBase64Values();

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

Error badCharacter(std::size_t index, char c) {
    const auto u = static_cast<unsigned char>(c);
    const std::string shown = u >= 0x20 && u < 0x7F ? std::string("'") + c + "'"
                                                    : "byte " + std::to_string(static_cast<unsigned>(u));
    return Error{"character " + std::to_string(index + 1) + " (" + shown + ") is not base64"};
}

} // namespace

std::string encodeBase64(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve((bytes.size() + kGroupBytes - 1) / kGroupBytes * kGroupChars);
    std::size_t i = 0;
    for (; i + kGroupBytes <= bytes.size(); i += kGroupBytes) {
        const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) |
                                    std::uint32_t{bytes[i + 2]};
        for (int shift = 18; shift >= 0; shift -= static_cast<int>(kBitsPerChar)) {
            text += kBase64Alphabet[(group >> shift) & kCharMask];
        }
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t group = std::uint32_t{bytes[i]} << 16;
        if (rest == 2) {
            group |= std::uint32_t{bytes[i + 1]} << 8;
        }
        text += kBase64Alphabet[(group >> 18) & kCharMask];
        text += kBase64Alphabet[(group >> 12) & kCharMask];
        text += rest == 2 ? kBase64Alphabet[(group >> 6) & kCharMask] : kPad;
        text += kPad;
    }
    return text;
}

Result<std::vector<std::uint8_t>> decodeBase64(std::string_view text) {
    if (text.size() % kGroupChars != 0) {
        return Error{std::to_string(text.size()) + " characters, not a multiple of 4"};
    }
    // One or two '=' may end the text; every character before them must be of the alphabet.
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == kPad) {
        ++padding;
    }
    const std::size_t dataChars = text.size() - padding;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / kGroupChars * kGroupBytes);
    std::uint32_t accumulator = 0;
    std::size_t bits = 0;
    for (std::size_t i = 0; i < dataChars; ++i) {
        const std::int8_t value = kBase64Values[static_cast<unsigned char>(text[i])];
        if (value < 0) {
            return badCharacter(i, text[i]);
        }
        accumulator = (accumulator << kBitsPerChar) | static_cast<std::uint32_t>(value);
        bits += kBitsPerChar;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>((accumulator >> bits) & 0xFFu));
        }
    }
    // The bits left over after the last byte fill the final character; any that are set would be
    // lost, so such text is not the encoding of any bytes.
    if ((accumulator & ((1u << bits) - 1u)) != 0) {
        return Error{"character " + std::to_string(dataChars) + " has bits set beyond the last byte"};
    }
    return bytes;
}

std::string formatHexBytes(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        text += kHexDigits[b >> 4];
        text += kHexDigits[b & 0xFu];
    }
    return text;
}

std::string bytesSummaryText(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSummaryWholeBelow) {
        return formatHexBytes(bytes);
    }
    return formatInt(static_cast<std::int64_t>(bytes.size())) + " bytes, sha256 " + sha256Hex(bytes);
}

Result<std::vector<std::uint8_t>> parseHexBytes(std::string_view text, std::size_t count) {
    if (text.size() != count * 2) {
        return Error{std::to_string(text.size()) + " characters, " + std::to_string(count * 2) +
                     " hex digits needed"};
    }
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int high = hexValue(text[2 * i]);
        const int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            const std::size_t bad = high < 0 ? 2 * i : 2 * i + 1;
            return Error{"character " + std::to_string(bad + 1) + " is not a hex digit"};
        }
        bytes[i] = static_cast<std::uint8_t>((high << 4) | low);
    }
    return bytes;
}

} // namespace spawn
