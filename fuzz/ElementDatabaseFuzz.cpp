// Fuzz target for the element database reader. Whatever the bytes, reading stays inside them and
// either fails with one of the editor's three messages or gives a database whose parts agree with
// each other. The fingerprint matcher is also run from a point the input chooses and compared with
// a plain step-by-step matcher, since small inputs never reach the search a million bytes on.

#include "ElementDatabase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace {

using namespace spawn;
using namespace spawn::ElementLayout;

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "element database fuzz check failed: %s\n", what);
        std::abort();
    }
}

bool isFatalMessage(const std::string& message) {
    if (message == kNoSignatureMessage || message == kReadFailedMessage) {
        return true;
    }
    for (std::size_t list = 0; list < kListCount; ++list) {
        if (message == std::string(kBigCountMessagePrefix) + std::to_string(list)) {
            return true;
        }
    }
    return false;
}

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// The matcher as plainly as it can be put: compare letter by letter from q, and after a
// difference go on where the advance table says.
std::optional<std::size_t> plainMatcher(std::span<const std::uint8_t> bytes, std::size_t from) {
    std::size_t q = from;
    while (q < bytes.size()) {
        std::size_t k = 0;
        while (k < kFingerprintText.size()) {
            if (q + k >= bytes.size()) {
                return std::nullopt;
            }
            if (bytes[q + k] != static_cast<unsigned char>(kFingerprintText[k])) {
                break;
            }
            ++k;
        }
        if (k == kFingerprintText.size()) {
            return q;
        }
        q += kMatcherAdvance[k];
    }
    return std::nullopt;
}

void checkTable(const NameTable& table) {
    check(table.ids.size() == table.names.size(), "as many names as IDs");
    check(table.count() <= static_cast<std::size_t>(kMaxRecordCount), "at most 5000 entries");
    for (const std::string& name : table.names) {
        check(isValidUtf8(name), "names are valid UTF-8");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    const auto db = readElementDatabase(bytes);
    if (!db) {
        check(isFatalMessage(db.error().message), "a failure gives one of the editor's messages");
    } else {
        const ElementDatabase& d = db.value();
        check(d.startOffset >= 0 && d.startOffset <= 92 && d.startOffset % 4 == 0, "start offset");
        check((d.layout == ElementFileLayout::EightByteHeader) == (d.startOffset == 8), "layout");
        check(d.endOfLists <= size, "the lists end inside the data");
        check(!d.fingerprint || *d.fingerprint >= 999928, "the fingerprint lies past the blind zone");
        check(d.buildMessage.has_value() == buildMessageFor(d.layout, d.fingerprint).has_value(), "message");
        checkTable(d.names.list37());
        checkTable(d.names.list54());
    }

    const std::size_t from = size > 0 ? data[0] : 0;
    check(findFingerprintText(bytes, from) == plainMatcher(bytes, from), "matcher agrees with the plain one");
    return 0;
}
