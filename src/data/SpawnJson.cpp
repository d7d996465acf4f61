#include "SpawnJson.h"

#include "ByteReader.h"
#include "ByteText.h"
#include "FileIo.h"
#include "NumberText.h"
#include "SpawnLayout.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace spawn {

using namespace SpawnLayout;

namespace {

using Json = nlohmann::json;

// Byte offset of every field of a field-type string.
template <std::size_t N> constexpr std::array<std::size_t, N> fieldOffsets(std::string_view types) {
    std::array<std::size_t, N> offsets{};
    std::size_t offset = 0;
    for (std::size_t i = 0; i < N; ++i) {
        offsets[i] = offset;
        offset += fieldSize(types[i]);
    }
    return offsets;
}
constexpr auto kAreaOffsets = fieldOffsets<kAreaFieldCount>(kAreaFieldTypes);
constexpr auto kEntryOffsets = fieldOffsets<kEntryFieldCount>(kEntryFieldTypes);

// The header words the document lists are the ones after the record-count word.
static_assert(kRecordCountWordIndex == 0);
constexpr std::size_t kListedHeaderWords = kHeaderWordCount - 1;

// Negative zero is written by its bits, as the values that are not finite are: many JSON tools
// turn "-0.0" into "-0" and read that as the integer 0, which would lose the sign.
constexpr std::uint32_t kNegativeZeroBits = 0x80000000u;

// ---- Export ----

template <class Int> void appendInt(std::string& out, Int value) {
    std::array<char, std::numeric_limits<Int>::digits10 + 3> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    out.append(buffer.data(), end);
}

// Precondition: `bytes` holds the field's bytes from its first on.
void appendField(std::string& out, char type, std::span<const std::uint8_t> bytes) {
    if (type == kByteField) {
        appendInt(out, static_cast<int>(static_cast<std::int8_t>(bytes[0])));
    } else if (type == kIntField) {
        appendInt(out, readI32At(bytes, 0));
    } else {
        const std::uint32_t bits = readU32Le(bytes.first<4>());
        const auto value = std::bit_cast<float>(bits);
        if (!std::isfinite(value) || bits == kNegativeZeroBits) {
            out += '"';
            out += formatFloatBits(bits);
            out += '"';
        } else {
            out += formatShortestFloat(value);
        }
    }
}

void appendFields(std::string& out, std::string_view types, std::span<const std::size_t> offsets,
                  std::span<const std::uint8_t> bytes) {
    out += '[';
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        appendField(out, types[i], bytes.subspan(offsets[i]));
    }
    out += ']';
}

// ---- Import ----

// One scalar of the document as the parser hands it over; numbers keep their text so that a
// float32 is read from the decimal itself, not from a double rounded once already.
struct Scalar {
    enum class Kind { Integer, Unsigned, Float, String, Literal };
    Kind kind;
    std::int64_t integer = 0;
    std::uint64_t unsignedInteger = 0;
    std::string_view text;     // a float's or string's text, or the literal
    bool negativeZero = false; // an integer spelled "-0"
};

// The parser hands an integer over without its text, so "-0" (as jq prints negative zero) would
// reach a float field as +0. This finds the ordinals, among the document's numbers in order, of
// the ones spelled "-0", so that a float field can keep the sign.
std::vector<std::size_t> negativeZeroOrdinals(std::string_view text) {
    std::vector<std::size_t> found;
    if (text.find("-0") == std::string_view::npos) {
        return found;
    }
    constexpr std::string_view kNumberCharacters = "0123456789+-.eE";
    std::size_t ordinal = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            const std::size_t end = std::min(text.find_first_not_of(kNumberCharacters, i), text.size());
            if (text.substr(i, end - i) == "-0") {
                found.push_back(ordinal);
            }
            ++ordinal;
            i = end - 1;
        }
    }
    return found;
}

// At most `length` bytes of the text, cut before a UTF-8 sequence rather than inside one.
std::string_view cutText(std::string_view text, std::size_t length) {
    if (text.size() <= length) {
        return text;
    }
    constexpr unsigned char kContinuationMask = 0xC0;
    constexpr unsigned char kContinuation = 0x80;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & kContinuationMask) == kContinuation) {
        --length;
    }
    return text.substr(0, length);
}

// A string of the document as it may be shown in a one-line message: quoted, escaped, and cut
// short when long.
std::string quotedText(std::string_view text) {
    constexpr std::size_t kShownLength = 40;
    const std::string_view shown = cutText(text, kShownLength);
    return Json(std::string(shown)).dump(-1, ' ', false, Json::error_handler_t::replace) +
           (shown.size() < text.size() ? "…" : "");
}

std::string describe(const Scalar& v) {
    switch (v.kind) {
    case Scalar::Kind::Integer:
        return std::to_string(v.integer);
    case Scalar::Kind::Unsigned:
        return std::to_string(v.unsignedInteger);
    case Scalar::Kind::String:
        return quotedText(v.text);
    case Scalar::Kind::Float:
    case Scalar::Kind::Literal:
        break;
    }
    return std::string(v.text);
}

enum class Place { Start, Root, HeaderWords, Records, Record, Area, Entries, Entry, Finished };

// What the document's top-level keys are; "count_word" alone is optional.
enum RootKey : std::size_t {
    kFormat,
    kLeadingBlock,
    kHeaderWords,
    kCountWord,
    kRecords,
    kRemainder,
    kRootKeyCount
};
constexpr std::array<std::string_view, kRootKeyCount> kRootKeyNames = {
    "format", "leading_block", "header_words", "count_word", "records", "remainder"};

enum RecordKey : std::size_t { kArea, kEntries, kRecordKeyCount };
constexpr std::array<std::string_view, kRecordKeyCount> kRecordKeyNames = {"area", "entries"};
constexpr std::string_view kNameKey = "name";

// Walks the parser's events through the fixed shape of the document, checks every value as it
// comes and builds the file. The first problem stops the parse.
class SpawnJsonReader {
public:
    using number_integer_t = Json::number_integer_t;
    using number_unsigned_t = Json::number_unsigned_t;
    using number_float_t = Json::number_float_t;
    using string_t = Json::string_t;
    using binary_t = Json::binary_t;

    bool null() { return scalar({Scalar::Kind::Literal, 0, 0, "null"}); }
    bool boolean(bool value) { return scalar({Scalar::Kind::Literal, 0, 0, value ? "true" : "false"}); }
    bool number_integer(number_integer_t value) {
        return scalar({Scalar::Kind::Integer, value, 0, {}, nextNumberIsNegativeZero()});
    }
    bool number_unsigned(number_unsigned_t value) {
        nextNumberIsNegativeZero();
        return scalar({Scalar::Kind::Unsigned, 0, value, {}});
    }
    bool number_float(number_float_t, const string_t& text) {
        nextNumberIsNegativeZero();
        return scalar({Scalar::Kind::Float, 0, 0, text});
    }
    bool string(string_t& value) { return scalar({Scalar::Kind::String, 0, 0, value}); }
    bool binary(binary_t&) { return fail("binary data is not JSON text"); }

    bool start_object(std::size_t) {
        if (m_skipping) {
            ++m_skipDepth;
            return true;
        }
        if (m_place == Place::Start) {
            m_place = Place::Root;
            return true;
        }
        if (m_place == Place::Records) {
            beginRecord();
            return true;
        }
        return unexpected("an object");
    }

    bool key(string_t& name) {
        if (m_skipping) {
            return true;
        }
        if (m_place == Place::Root) {
            const auto found = std::find(kRootKeyNames.begin(), kRootKeyNames.end(), name);
            if (found == kRootKeyNames.end()) {
                return fail("unknown key " + quotedText(name));
            }
            m_rootKey = static_cast<std::size_t>(found - kRootKeyNames.begin());
            if (m_rootSeen[m_rootKey]) {
                return fail(quotedText(name) + " is given twice");
            }
            m_rootSeen[m_rootKey] = true;
            return true;
        }
        // Inside a record.
        if (name == kNameKey) {
            m_skipping = true;
            m_skipDepth = 0;
            return true;
        }
        const auto found = std::find(kRecordKeyNames.begin(), kRecordKeyNames.end(), name);
        if (found == kRecordKeyNames.end()) {
            return fail(recordText() + ": unknown key " + quotedText(name));
        }
        m_recordKey = static_cast<std::size_t>(found - kRecordKeyNames.begin());
        if (m_recordSeen[m_recordKey]) {
            return fail(recordText() + ": " + quotedText(name) + " is given twice");
        }
        m_recordSeen[m_recordKey] = true;
        return true;
    }

    bool end_object() {
        if (m_skipping) {
            return endSkipped();
        }
        return m_place == Place::Record ? endRecord() : endRoot();
    }

    bool start_array(std::size_t) {
        if (m_skipping) {
            ++m_skipDepth;
            return true;
        }
        if (m_place == Place::Root && m_rootKey == kHeaderWords) {
            m_place = Place::HeaderWords;
            m_index = 0;
            return true;
        }
        if (m_place == Place::Root && m_rootKey == kRecords) {
            m_place = Place::Records;
            return true;
        }
        if (m_place == Place::Record) {
            m_place = m_recordKey == kArea ? Place::Area : Place::Entries;
            m_index = 0;
            return true;
        }
        if (m_place == Place::Entries) {
            if (m_entries == static_cast<std::size_t>(kMaxEntryCount)) {
                return fail(recordText() + ", field 2: more than " + std::to_string(kMaxEntryCount) +
                            " entries");
            }
            ++m_entries;
            m_bytes.resize(m_bytes.size() + kCreatureEntrySize);
            m_place = Place::Entry;
            m_index = 0;
            return true;
        }
        return unexpected("an array");
    }

    bool end_array() {
        if (m_skipping) {
            return endSkipped();
        }
        switch (m_place) {
        case Place::HeaderWords:
            if (m_index != kListedHeaderWords) {
                return fail(quotedText(kRootKeyNames[kHeaderWords]) + " holds " + std::to_string(m_index) +
                            " values, " + std::to_string(kListedHeaderWords) + " expected");
            }
            m_place = Place::Root;
            return true;
        case Place::Records:
            m_place = Place::Root;
            return true;
        case Place::Area:
            if (m_index != kAreaFieldCount) {
                return fail(fieldText() + ": missing, \"area\" holds " + std::to_string(m_index) + " of " +
                            std::to_string(kAreaFieldCount) + " values");
            }
            m_place = Place::Record;
            return true;
        case Place::Entry:
            if (m_index != kEntryFieldCount) {
                return fail(fieldText() + ": missing, the entry holds " + std::to_string(m_index) + " of " +
                            std::to_string(kEntryFieldCount) + " values");
            }
            m_place = Place::Entries;
            return true;
        default: // Entries
            m_place = Place::Record;
            return true;
        }
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        // The parser's message says "[json.exception.parse_error.101] parse error at line L,
        // column C: …" and ends with the token it last read, which may be a string of megabytes.
        constexpr std::size_t kLongestMessage = 240;
        std::string_view what = e.what();
        if (const auto start = what.find("] "); start != std::string_view::npos) {
            what.remove_prefix(start + 2);
        }
        const std::string_view shown = cutText(what, kLongestMessage);
        return fail(std::string(shown) + (shown.size() < what.size() ? "…" : ""));
    }

    // Whether a document of the records alone is taken (the file's other parts may be missing).
    explicit SpawnJsonReader(bool recordsOnly) : m_recordsOnly(recordsOnly) {}

    const std::string& error() const { return m_error; }
    SpawnFile takeFile() {
        m_file.records.reserve(m_records.size());
        for (SpawnRecord& record : m_records) {
            m_file.records.append(std::move(record));
        }
        return std::move(m_file);
    }
    std::vector<SpawnRecord> takeRecords() { return std::move(m_records); }

    // The ordinals negativeZeroOrdinals found in the text being parsed.
    void setNegativeZeros(std::vector<std::size_t> ordinals) { m_negativeZeros = std::move(ordinals); }

private:
    // Counts one more number of the document; true when it is spelled "-0".
    bool nextNumberIsNegativeZero() {
        const std::size_t ordinal = m_numbersSeen++;
        while (m_nextNegativeZero < m_negativeZeros.size() && m_negativeZeros[m_nextNegativeZero] < ordinal) {
            ++m_nextNegativeZero;
        }
        return m_nextNegativeZero < m_negativeZeros.size() && m_negativeZeros[m_nextNegativeZero] == ordinal;
    }

    bool fail(std::string message) {
        if (m_error.empty()) {
            m_error = std::move(message);
        }
        return false;
    }

    std::string recordText() const { return "record " + std::to_string(m_records.size() + 1); }

    // The field about to be read (or missing), numbered over the whole record as the form does.
    std::string fieldText() const {
        if (m_place == Place::Area) {
            return recordText() + ", field " + std::to_string(m_index + 1);
        }
        const std::size_t number = kAreaFieldCount + (m_entries - 1) * kEntryFieldCount + m_index + 1;
        return recordText() + ", field " + std::to_string(number) + " (entry " + std::to_string(m_entries) +
               ", field " + std::to_string(m_index + 1) + ")";
    }

    // A value of the wrong kind for where it stands.
    bool unexpected(const std::string& found) {
        switch (m_place) {
        case Place::Start:
            return fail("the document is not a JSON object");
        case Place::Root: {
            static constexpr std::array<std::string_view, kRootKeyCount> kExpected = {
                "the number 1", "8 hex digits",        "an array of 3 integers",
                "an integer",   "an array of records", "base64 text"};
            return fail(quotedText(kRootKeyNames[m_rootKey]) + ": expected " +
                        std::string(kExpected[m_rootKey]) + ", found " + found);
        }
        case Place::HeaderWords:
            return fail(quotedText(kRootKeyNames[kHeaderWords]) + ": expected an integer, found " + found);
        case Place::Records:
            return fail(recordText() + ": expected an object, found " + found);
        case Place::Record:
            return fail(recordText() + ", " + quotedText(kRecordKeyNames[m_recordKey]) +
                        ": expected an array, found " + found);
        case Place::Entries:
            return fail(recordText() + ", entry " + std::to_string(m_entries + 1) +
                        ": expected an array of " + std::to_string(kEntryFieldCount) + " values, found " +
                        found);
        case Place::Area:
        case Place::Entry:
            return fail(fieldText() + ": expected a number, found " + found);
        case Place::Finished:
            break;
        }
        return fail("unexpected " + found + " after the document");
    }

    bool endSkipped() {
        --m_skipDepth;
        m_skipping = m_skipDepth > 0;
        return true;
    }

    // The value as a whole number within lo..hi. A number written with a point or an exponent
    // counts when its value is whole ("2000.0" as a script may write it). On nothing, m_problem
    // says why.
    std::optional<std::int64_t> wholeNumber(const Scalar& v, std::int64_t lo, std::int64_t hi,
                                            std::string_view rangeName) {
        const auto outside = [&] {
            m_problem = describe(v) + " is outside the " + std::string(rangeName);
            return std::nullopt;
        };
        switch (v.kind) {
        case Scalar::Kind::Integer:
            return v.integer >= lo && v.integer <= hi ? std::optional(v.integer) : outside();
        case Scalar::Kind::Unsigned:
            return v.unsignedInteger <= static_cast<std::uint64_t>(hi)
                       ? std::optional(static_cast<std::int64_t>(v.unsignedInteger))
                       : outside();
        case Scalar::Kind::Float: {
            double d = 0.0;
            const auto parsed = std::from_chars(v.text.data(), v.text.data() + v.text.size(), d);
            if (parsed.ec == std::errc::result_out_of_range) {
                return outside();
            }
            if (d != std::trunc(d)) {
                m_problem = describe(v) + " is not a whole number";
                return std::nullopt;
            }
            return d >= static_cast<double>(lo) && d <= static_cast<double>(hi)
                       ? std::optional(static_cast<std::int64_t>(d))
                       : outside();
        }
        case Scalar::Kind::String:
        case Scalar::Kind::Literal:
            break;
        }
        m_problem = "expected an integer, found " + describe(v);
        return std::nullopt;
    }

    // The bits of a float32 value. On nothing, m_problem says why.
    std::optional<std::uint32_t> floatBits(const Scalar& v) {
        switch (v.kind) {
        case Scalar::Kind::Integer:
            if (v.negativeZero) {
                return kNegativeZeroBits;
            }
            return std::bit_cast<std::uint32_t>(static_cast<float>(v.integer));
        case Scalar::Kind::Unsigned:
            return std::bit_cast<std::uint32_t>(static_cast<float>(v.unsignedInteger));
        case Scalar::Kind::Float:
            if (const auto value = parseDecimalFloat(v.text)) {
                return std::bit_cast<std::uint32_t>(*value);
            }
            m_problem = describe(v) + " is outside the float32 range";
            return std::nullopt;
        case Scalar::Kind::String:
            if (const auto bits = parseFloatBits(v.text)) {
                return bits;
            }
            break;
        case Scalar::Kind::Literal:
            break;
        }
        m_problem = describe(v) + " is not a float32 (a number, or \"0x\" and 8 hex digits)";
        return std::nullopt;
    }

    // Writes one field of the area (m_place Area) or of the last entry (m_place Entry).
    bool field(const Scalar& v) {
        const bool inArea = m_place == Place::Area;
        const std::size_t count = inArea ? kAreaFieldCount : kEntryFieldCount;
        if (m_index == count) {
            return fail(inArea
                            ? recordText() + ": \"area\" holds more than " + std::to_string(count) + " values"
                            : recordText() + ", entry " + std::to_string(m_entries) + ": more than " +
                                  std::to_string(count) + " values");
        }
        const char type = inArea ? kAreaFieldTypes[m_index] : kEntryFieldTypes[m_index];
        const std::size_t offset =
            inArea ? kAreaOffsets[m_index]
                   : kAreaHeaderSize + (m_entries - 1) * kCreatureEntrySize + kEntryOffsets[m_index];
        if (type == kFloatField) {
            const auto bits = floatBits(v);
            if (!bits) {
                return fail(fieldText() + ": " + m_problem);
            }
            writeI32At(m_bytes, offset, static_cast<std::int32_t>(*bits));
        } else if (type == kIntField) {
            const auto value = wholeNumber(v, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max(), "int32 range");
            if (!value) {
                return fail(fieldText() + ": " + m_problem);
            }
            writeI32At(m_bytes, offset, static_cast<std::int32_t>(*value));
        } else {
            const auto value =
                wholeNumber(v, std::numeric_limits<std::int8_t>::min(),
                            std::numeric_limits<std::int8_t>::max(), "signed byte range -128..127");
            if (!value) {
                return fail(fieldText() + ": " + m_problem);
            }
            m_bytes[offset] = static_cast<std::uint8_t>(static_cast<std::int8_t>(*value));
        }
        ++m_index;
        return true;
    }

    bool rootValue(const Scalar& v) {
        const std::string where = quotedText(kRootKeyNames[m_rootKey]);
        switch (m_rootKey) {
        case kFormat:
            if ((v.kind == Scalar::Kind::Unsigned && v.unsignedInteger == kSpawnJsonFormat) ||
                (v.kind == Scalar::Kind::Integer && v.integer == kSpawnJsonFormat)) {
                return true;
            }
            return fail(where + ": " + describe(v) + " is not a known format (this tool reads format " +
                        std::to_string(kSpawnJsonFormat) + ")");
        case kLeadingBlock: {
            if (v.kind != Scalar::Kind::String) {
                return unexpected(describe(v));
            }
            const auto bytes = parseHexBytes(v.text, kLeadingBlockSize);
            if (!bytes) {
                return fail(where + ": " + describe(v) + ": " + bytes.error().message);
            }
            std::copy(bytes.value().begin(), bytes.value().end(), m_file.context.leadingBlock.begin());
            return true;
        }
        case kCountWord: {
            const auto value = wholeNumber(v, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max(), "int32 range");
            if (!value) {
                return fail(where + ": " + m_problem);
            }
            m_countWord = static_cast<std::int32_t>(*value);
            return true;
        }
        case kRemainder: {
            if (v.kind != Scalar::Kind::String) {
                return unexpected(describe(v));
            }
            auto bytes = decodeBase64(v.text);
            if (!bytes) {
                return fail(where + ": not valid base64: " + bytes.error().message);
            }
            m_file.context.remainder = std::move(bytes).value();
            return true;
        }
        default: // header_words and records need arrays
            return unexpected(describe(v));
        }
    }

    bool scalar(const Scalar& v) {
        if (m_skipping) {
            m_skipping = m_skipDepth > 0;
            return true;
        }
        switch (m_place) {
        case Place::Root:
            return rootValue(v);
        case Place::HeaderWords: {
            if (m_index == kListedHeaderWords) {
                return fail(quotedText(kRootKeyNames[kHeaderWords]) + " holds more than " +
                            std::to_string(kListedHeaderWords) + " values");
            }
            const auto value = wholeNumber(v, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max(), "int32 range");
            if (!value) {
                return fail(quotedText(kRootKeyNames[kHeaderWords]) + ", word " +
                            std::to_string(m_index + 1) + ": " + m_problem);
            }
            m_file.context.headerWords[kRecordCountWordIndex + 1 + m_index] =
                static_cast<std::int32_t>(*value);
            ++m_index;
            return true;
        }
        case Place::Area:
        case Place::Entry:
            return field(v);
        default:
            return unexpected(describe(v));
        }
    }

    void beginRecord() {
        m_place = Place::Record;
        m_bytes.assign(kAreaHeaderSize, 0);
        m_entries = 0;
        m_recordSeen = {};
    }

    bool endRecord() {
        for (std::size_t k = 0; k < kRecordKeyCount; ++k) {
            if (!m_recordSeen[k]) {
                return fail(recordText() + ": " + quotedText(kRecordKeyNames[k]) + " is missing");
            }
        }
        const std::int32_t entryCount = readI32At(m_bytes, kEntryCountOffset);
        if (entryCount < 0 || static_cast<std::size_t>(entryCount) != m_entries) {
            return fail(recordText() + ", field 2: the entry count is " + std::to_string(entryCount) +
                        " but " + std::to_string(m_entries) + " entries are given");
        }
        auto record = SpawnRecord::fromBytes(m_bytes);
        if (!record) {
            return fail(recordText() + ": " + record.error().message);
        }
        m_records.push_back(std::move(record).value());
        m_place = Place::Records;
        return true;
    }

    bool endRoot() {
        for (std::size_t k = 0; k < kRootKeyCount; ++k) {
            const bool optional = k == kCountWord || (m_recordsOnly && k != kFormat && k != kRecords);
            if (!optional && !m_rootSeen[k]) {
                return fail(quotedText(kRootKeyNames[k]) + " is missing");
            }
        }
        m_file.context.setRecordCountWord(m_countWord.value_or(static_cast<std::int32_t>(m_records.size())));
        m_place = Place::Finished;
        return true;
    }

    bool m_recordsOnly = false;
    SpawnFile m_file;
    std::vector<SpawnRecord> m_records;
    std::string m_error;
    std::string m_problem; // why the last value checked did not fit
    Place m_place = Place::Start;
    std::size_t m_rootKey = kFormat;
    std::array<bool, kRootKeyCount> m_rootSeen{};
    std::optional<std::int32_t> m_countWord;
    std::size_t m_index = 0; // values read so far of the array being read

    // The record being read: its bytes as they fill up, its entries so far, its keys seen.
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_entries = 0;
    std::size_t m_recordKey = kArea;
    std::array<bool, kRecordKeyCount> m_recordSeen{};

    // A record's "name" is read over, whatever it holds.
    bool m_skipping = false;
    std::size_t m_skipDepth = 0;

    std::vector<std::size_t> m_negativeZeros; // ascending
    std::size_t m_nextNegativeZero = 0;
    std::size_t m_numbersSeen = 0;
};

} // namespace

namespace {

// One record's line (and its entries' lines) of the "records" array.
void appendRecord(std::string& out, const SpawnRecord& record, bool withNames, bool last) {
    out += " {";
    if (withNames) {
        out += "\"name\": " + Json(record.displayName).dump(-1, ' ', false, Json::error_handler_t::replace) +
               ", ";
    }
    out += "\"area\": ";
    const std::span<const std::uint8_t> bytes = record.bytes;
    appendFields(out, kAreaFieldTypes, kAreaOffsets, bytes);
    out += ", \"entries\": [";
    for (std::int32_t e = 0; e < record.entryCount; ++e) {
        out += e > 0 ? ",\n  " : "\n  ";
        appendFields(out, kEntryFieldTypes, kEntryOffsets,
                     bytes.subspan(kAreaHeaderSize + static_cast<std::size_t>(e) * kCreatureEntrySize));
    }
    out += last ? "]}\n" : "]},\n";
}

// Each byte of a record takes about three characters as text.
constexpr std::size_t kTextPerRecordByte = 3;

Status parseWith(SpawnJsonReader& reader, std::span<const std::uint8_t> text) {
    reader.setNegativeZeros(
        negativeZeroOrdinals(std::string_view(reinterpret_cast<const char*>(text.data()), text.size())));
    if (!Json::sax_parse(text.begin(), text.end(), &reader)) {
        return Error{reader.error().empty() ? "not a JSON document" : reader.error()};
    }
    return Done{};
}

} // namespace

std::string exportSpawnJson(const SpawnFile& file, bool withNames) {
    const SpawnFileContext& context = file.context;
    std::string out;
    // Base64 takes four characters per three bytes.
    out.reserve(256 + kTextPerRecordByte * file.records.byteSize() + 4 * context.remainder.size() / 3);
    out += "{\"format\": ";
    appendInt(out, kSpawnJsonFormat);
    out += ", \"leading_block\": \"" + formatHexBytes(context.leadingBlock) + "\", \"header_words\": [";
    for (std::size_t i = 1; i <= kListedHeaderWords; ++i) {
        if (i > 1) {
            out += ", ";
        }
        appendInt(out, context.headerWords[kRecordCountWordIndex + i]);
    }
    out += ']';
    if (context.recordCountWord() != file.records.count()) {
        out += ", \"count_word\": ";
        appendInt(out, context.recordCountWord());
    }
    out += ", \"records\": [\n";
    std::int32_t left = file.records.count();
    for (const auto& record : file.records) {
        appendRecord(out, record, withNames, --left == 0);
    }
    out += "], \"remainder\": \"" + encodeBase64(context.remainder) + "\"}\n";
    return out;
}

std::string exportRecordsJson(const SpawnRecordList& records, std::span<const std::int32_t> positions,
                              bool withNames) {
    std::size_t bytes = 0;
    for (const std::int32_t position : positions) {
        bytes += records.at(position).bytes.size();
    }
    std::string out;
    out.reserve(64 + kTextPerRecordByte * bytes);
    out += "{\"format\": ";
    appendInt(out, kSpawnJsonFormat);
    out += ", \"records\": [\n";
    for (std::size_t i = 0; i < positions.size(); ++i) {
        appendRecord(out, records.at(positions[i]), withNames, i + 1 == positions.size());
    }
    out += "]}\n";
    return out;
}

Result<SpawnFile> importSpawnJson(std::span<const std::uint8_t> text) {
    SpawnJsonReader reader(false);
    if (auto parsed = parseWith(reader, text); !parsed) {
        return parsed.error();
    }
    return reader.takeFile();
}

Result<std::vector<SpawnRecord>> importRecordsJson(std::span<const std::uint8_t> text) {
    SpawnJsonReader reader(true);
    if (auto parsed = parseWith(reader, text); !parsed) {
        return parsed.error();
    }
    return reader.takeRecords();
}

Result<std::vector<SpawnRecord>> readRecordSource(const std::string& path) {
    const auto bytes = readWholeFile(path);
    if (!bytes) {
        return bytes.error();
    }
    const std::span<const std::uint8_t> data = bytes.value();
    const auto first = std::find_if(data.begin(), data.end(), [](std::uint8_t b) {
        return b != ' ' && b != '\t' && b != '\n' && b != '\r';
    });
    std::optional<Error> jsonError;
    if (first != data.end() && *first == '{') {
        auto records = importRecordsJson(data);
        if (records) {
            return records;
        }
        jsonError = Error{path + ": " + records.error().message};
    }
    auto file = parseSpawnFile(data, {}, path);
    // A document that failed to read is not taken for a spawn file unless it reads as one in full.
    if (jsonError && (!file || file.value().stopped)) {
        return *jsonError;
    }
    if (!file) {
        return file.error();
    }
    std::vector<SpawnRecord> records;
    records.reserve(static_cast<std::size_t>(file.value().records.count()));
    for (const SpawnRecord& record : file.value().records) {
        records.push_back(record);
    }
    return records;
}

} // namespace spawn
