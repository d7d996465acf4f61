#include "NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

using namespace spawn;

namespace {

constexpr auto kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr auto kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct IntCase {
    std::string text;
    std::int32_t expected;
};

struct DoubleCase {
    std::string text;
    double expected;
};

struct FormatCase {
    double value;
    std::string expected;
};

} // namespace

TEST(NumberTextTest, ParseCIntReadsTheLongestPrefixOfSpaceSignAndDigits) {
    const IntCase cases[] = {
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"- 5", 0},
        {"+7", 7},
        {"-12", -12},
        {"0012", 12},
        {"12.9", 12},
        {"1e5", 1},
        {" \t\n\v\f\r42x", 42},
        {"--3", 0},
        {"+-3", 0},
        {"3-", 3},
        {"0x1F", 0},
        {"\xc2\xa0"
         "5",
         0},
        {"2147483647", kInt32Max},
        {"-2147483648", kInt32Min},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseCInt(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(NumberTextTest, ParseCIntHoldsValuesBeyondInt32AtTheNearestEnd) {
    EXPECT_EQ(parseCInt("2147483648"), kInt32Max);
    EXPECT_EQ(parseCInt("-2147483649"), kInt32Min);
    EXPECT_EQ(parseCInt("99999999999999999999999999"), kInt32Max);
    EXPECT_EQ(parseCInt("-99999999999999999999999999"), kInt32Min);
    // Leading zeros do not count towards the size.
    EXPECT_EQ(parseCInt("-0000000000000000000000000001"), -1);
    EXPECT_EQ(parseCInt("000000000000000000002147483647"), kInt32Max);
}

TEST(NumberTextTest, ParseCDoubleReadsTheLongestDecimalPrefix) {
    const DoubleCase cases[] = {
        {"12.50", 12.5},
        {"12.", 12.0},
        {".5", 0.5},
        {"-.5e1", -5.0},
        {"1e3", 1000.0},
        {"1E+3x", 1000.0},
        {"2e-2", 0.02},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"1e-", 1.0},
        {"1.5.5", 1.5},
        {"1,5", 1.0},
        {".", 0.0},
        {"-.", 0.0},
        {"abc", 0.0},
        {"", 0.0},
        {"  -1234.5abc", -1234.5},
        {"\t+0012.25", 12.25},
        {"9.9999999", 9.9999999},
        {"inf", 0.0},
        {"-infinity", 0.0},
        {"nan", 0.0},
        {"0x1p3", 0.0},
        {"1e 5", 1.0},
        {"0.1", 0.1},
        {"2.2250738585072011e-308", 2.2250738585072011e-308},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseCDouble(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(NumberTextTest, ParseCDoubleGivesNegativeZeroOnlyForANegativeNumber) {
    EXPECT_TRUE(std::signbit(parseCDouble("-0")));
    EXPECT_TRUE(std::signbit(parseCDouble("-0.000")));
    // A sign without digits is no number at all.
    EXPECT_FALSE(std::signbit(parseCDouble("-")));
    EXPECT_FALSE(std::signbit(parseCDouble("-abc")));
}

TEST(NumberTextTest, ParseCDoubleGoesToInfinityOrZeroBeyondTheDoubleRange) {
    EXPECT_EQ(parseCDouble("1e400"), kInf);
    EXPECT_EQ(parseCDouble("-1e400"), -kInf);
    EXPECT_EQ(parseCDouble("1e99999999999999999999999"), kInf);
    EXPECT_EQ(parseCDouble("1" + std::string(400, '0')), kInf);
    EXPECT_EQ(parseCDouble("0.001e400"), kInf); // the order counts the fraction's leading zeros
    EXPECT_EQ(parseCDouble("0.0000001e316"), kInf);

    EXPECT_EQ(parseCDouble("1e-400"), 0.0);
    EXPECT_TRUE(std::signbit(parseCDouble("-1e-400")));
    EXPECT_EQ(parseCDouble("1000e-400"), 0.0); // the order counts the integer digits
    EXPECT_EQ(parseCDouble("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(parseCDouble("1e-99999999999999999999999"), 0.0);

    // Subnormal values are kept, not flushed to zero.
    EXPECT_EQ(parseCDouble("1e-310"), 1e-310);
    EXPECT_EQ(parseCDouble("4.9406564584124654e-324"), std::numeric_limits<double>::denorm_min());
    // Zero with any exponent is zero.
    EXPECT_EQ(parseCDouble("0e99999999999999999999"), 0.0);
}

TEST(NumberTextTest, FormatGeneral6MatchesPrintfG) {
    const FormatCase cases[] = {
        {1230.0, "1230"},
        {1234.5677490234375, "1234.57"},
        {1234567.0, "1.23457e+06"},
        {12.5, "12.5"},
        {100000.0, "100000"},
        {999999.5, "1e+06"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {-1234.5, "-1234.5"},
        {0.0, "0"},
        {-0.0, "-0"},
        {1e100, "1e+100"},
        {kInf, "inf"},
        {-kInf, "-inf"},
        {std::nan(""), "nan"},
        {static_cast<double>(0.1f), "0.1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatGeneral6(c.value), c.expected) << c.value;
    }
}

TEST(NumberTextTest, FormatFixed18AndFormatIntMatchPrintf) {
    EXPECT_EQ(formatFixed18(1.5), "1.500000000000000000");
    EXPECT_EQ(formatFixed18(static_cast<double>(0.1f)), "0.100000001490116119");
    EXPECT_EQ(formatFixed18(-2.0), "-2.000000000000000000");
    EXPECT_EQ(formatFixed18(1e20), "100000000000000000000.000000000000000000");
    // The largest double has 309 integer digits.
    EXPECT_EQ(formatFixed18(std::numeric_limits<double>::max()).size(), 309u + 1u + 18u);
    EXPECT_EQ(formatFixed18(-std::numeric_limits<double>::max()).size(), 1u + 309u + 1u + 18u);

    EXPECT_EQ(formatInt(0), "0");
    EXPECT_EQ(formatInt(-5), "-5");
    EXPECT_EQ(formatInt(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(formatInt(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");
}

TEST(NumberTextTest, FormatShortestFloatIsPlainForEverydayMagnitudesAndExponentBeyond) {
    const std::pair<float, std::string> cases[] = {
        {1.5f, "1.5"},
        {0.1f, "0.1"},
        {-2216.5f, "-2216.5"},
        {100000.0f, "100000"},
        {0.0001f, "0.0001"},
        {123456789.0f, "123456792"},
        {0.0f, "0"},
        {-0.0f, "-0"},
        {0.00001f, "1e-05"},
        {1e9f, "1e+09"},
        {1e20f, "1e+20"},
        {std::numeric_limits<float>::max(), "3.4028235e+38"},
        {std::numeric_limits<float>::denorm_min(), "1e-45"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(formatShortestFloat(value), expected) << expected;
    }
}

TEST(NumberTextTest, EveryFiniteFloatReadsBackFromItsShortestTextToTheSameBits) {
    // A spread of bit patterns over every exponent, both signs and many mantissas.
    std::uint32_t bits = 1;
    for (int i = 0; i < 200000; ++i) {
        bits = bits * 1664525u + 1013904223u;
        const auto value = std::bit_cast<float>(bits);
        if (!std::isfinite(value)) {
            continue;
        }
        const std::string text = formatShortestFloat(value);
        const auto back = parseDecimalFloat(text);
        ASSERT_TRUE(back.has_value()) << text;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(*back), bits) << text;
    }
}

TEST(NumberTextTest, ParseDecimalFloatTakesOnlyAWholeDecimalWithinTheFloatRange) {
    EXPECT_EQ(parseDecimalFloat("1e-45"), std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(parseDecimalFloat("2000.0"), 2000.0f);
    EXPECT_EQ(parseDecimalFloat("1E+3"), 1000.0f);
    EXPECT_EQ(parseDecimalFloat("3.4028235e+38"), std::numeric_limits<float>::max());
    EXPECT_TRUE(std::signbit(parseDecimalFloat("-0.0").value()));
    // Read straight to float32, not through a double: the double nearest to this text rounds to
    // a float below the one nearest to the text itself.
    EXPECT_EQ(parseDecimalFloat("1.00000005960464477550"), std::nextafter(1.0f, 2.0f));
    for (const std::string text :
         {"", "-", "inf", "nan", "-infinity", "0x1p3", "1.5x", " 1", "1 ", "+1", "1,5", "3.5e+38", "1e-50"}) {
        EXPECT_FALSE(parseDecimalFloat(text).has_value()) << '"' << text << '"';
    }
}

TEST(NumberTextTest, FloatBitsAreZeroXAndEightHexDigits) {
    EXPECT_EQ(formatFloatBits(0x7fc00000u), "0x7fc00000");
    EXPECT_EQ(formatFloatBits(0x00000001u), "0x00000001");
    EXPECT_EQ(formatFloatBits(0xFF800000u), "0xff800000");
    EXPECT_EQ(parseFloatBits("0x7fc00001"), 0x7fc00001u);
    EXPECT_EQ(parseFloatBits("0xFF81abCD"), 0xff81abcdu);
    EXPECT_EQ(parseFloatBits("0x00000000"), 0u);
    for (const std::string text : {"", "0x", "0x7fc0000", "0x7fc000000", "7fc00000", "0X7fc00000",
                                   "0x7fc0000g", " 0x7fc00000", "0x-7fc0000"}) {
        EXPECT_FALSE(parseFloatBits(text).has_value()) << '"' << text << '"';
    }
}
