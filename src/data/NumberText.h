#pragma once

// Numbers typed into edit boxes and numbers shown in them. Reading is as lenient as the C
// library's atoi and atof, writing matches printf's "%g", "%.18f" and "%d"; unlike those, nothing
// here follows the C locale, which Qt sets from the environment (a German locale would otherwise
// read and write "1,5").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spawn {

// atoi: leading white space, an optional sign, then decimal digits up to the first other
// character; 0 when there are no digits. A value beyond the int32 range gives INT32_MAX or
// INT32_MIN, so that a long run of digits never wraps around to the other sign.
std::int32_t parseCInt(std::string_view text);

// atof: leading white space, an optional sign, then the longest prefix of the form
// digits [. digits] [e|E [sign] digits] (at least one digit before or after the point);
// 0 when there is none. The result is the nearest double. A magnitude beyond the double range
// gives +-infinity, one below the smallest subnormal gives +-0. Only decimal text is read:
// "inf", "nan" and hexadecimal "0x..." give 0 (the last reads as its leading "0").
double parseCDouble(std::string_view text);

// printf("%g"): 6 significant digits, trailing zeros removed, exponent form (e+06) for large and
// small magnitudes; "inf", "-inf", "nan" for the special values.
std::string formatGeneral6(double value);

// printf("%.18f"): fixed notation with 18 digits after the point.
std::string formatFixed18(double value);

// printf("%d") of any 64-bit integer.
std::string formatInt(std::int64_t value);

// "1,234": thousands separated by commas whatever the locale.
std::string groupThousands(std::int64_t value);
// A count in English: "1 field", "1,234 fields"; `singular` for exactly one, `plural` otherwise.
std::string countText(std::int64_t count, std::string_view singular, std::string_view plural);
// "1 record", "1,234 records".
std::string recordCountText(std::int64_t count);

// The shortest decimal text that reads back as the same float32. Magnitudes from 1e-4 up to 1e9
// are written plainly ("1.5", "0.0001", "123456792"), others in whichever of plain and exponent
// form is shorter ("1e+20", "1.5e-07"). Negative zero gives "-0". Precondition: finite.
std::string formatShortestFloat(float value);

// Reads the whole text as a decimal number, correctly rounded to the nearest float32: an optional
// '-', digits with an optional point, an optional exponent. Nothing when anything else is in the
// text or the value lies beyond the float32 range (too large, or too small to be anything but 0).
std::optional<float> parseDecimalFloat(std::string_view text);

// The bits of a float32 as "0x" and 8 lowercase hex digits ("0x7fc00000").
std::string formatFloatBits(std::uint32_t bits);

// The bits given as "0x" and exactly 8 hex digits of either case; nothing for any other text.
std::optional<std::uint32_t> parseFloatBits(std::string_view text);

} // namespace spawn
