#include "ByteText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace spawn;

namespace {

std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

} // namespace

TEST(ByteTextTest, Base64MatchesTheStandardVectorsAndReadsBackEveryLength) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(encodeBase64(bytesOf(plain)), encoded);
        const auto decoded = decodeBase64(encoded);
        ASSERT_TRUE(decoded.ok()) << encoded << ": " << decoded.error().message;
        EXPECT_EQ(decoded.value(), bytesOf(plain));
    }
    // Every byte value, at every length up to a few groups.
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 300; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(255 - i * 7));
        const std::string text = encodeBase64(bytes);
        ASSERT_EQ(text.size() % 4, 0u);
        const auto back = decodeBase64(text);
        ASSERT_TRUE(back.ok()) << text;
        ASSERT_EQ(back.value(), bytes) << text;
    }
}

TEST(ByteTextTest, Base64RefusesAnythingButItsCanonicalForm) {
    const std::pair<std::string, std::string> cases[] = {
        {"Zg=", "3 characters, not a multiple of 4"},
        {"Zm9vY", "5 characters"},
        {"Zh==", "character 2 has bits set beyond the last byte"},
        {"Zm9=", "character 3 has bits set"},
        {"Z===", "character 2 ('=') is not base64"},
        {"====", "character 1 ('=') is not base64"},
        {"Zm=v", "character 3 ('=') is not base64"},
        {"Zm9v\nZm9v", "not a multiple of 4"},
        {"Zm 9", "character 3 (' ') is not base64"},
        {"Zm9-", "character 4 ('-') is not base64"},
        {"Zm9\xc3", "character 4 (byte 195) is not base64"},
    };
    for (const auto& [text, message] : cases) {
        const auto decoded = decodeBase64(text);
        ASSERT_FALSE(decoded.ok()) << text;
        EXPECT_NE(decoded.error().message.find(message), std::string::npos) << decoded.error().message;
    }
}

TEST(ByteTextTest, HexBytesAreTwoDigitsEachInOrder) {
    EXPECT_EQ(formatHexBytes(std::vector<std::uint8_t>{0xDE, 0xAD, 0x00, 0x0F}), "dead000f");
    EXPECT_EQ(parseHexBytes("DEad000f", 4).value(), (std::vector<std::uint8_t>{0xDE, 0xAD, 0x00, 0x0F}));
    EXPECT_EQ(parseHexBytes("", 0).value(), std::vector<std::uint8_t>{});
    const std::pair<std::string, std::string> refused[] = {
        {"dead00f", "7 characters, 8 hex digits needed"}, {"dead000f0", "9 characters"},
        {"dea d00f", "character 4 is not a hex digit"},   {"0xdead00", "character 2 is not a hex digit"},
        {"dead00g0", "character 7 is not a hex digit"},
    };
    for (const auto& [text, message] : refused) {
        const auto parsed = parseHexBytes(text, 4);
        ASSERT_FALSE(parsed.ok()) << text;
        EXPECT_NE(parsed.error().message.find(message), std::string::npos) << parsed.error().message;
    }
}
