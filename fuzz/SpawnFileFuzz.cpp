// Fuzz target for the spawn file reader: whenever the bytes parse, writing the file back must
// give exactly the same bytes, whatever records, counts and remainder they hold.

#include "ElementNameTables.h"
#include "SpawnFile.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "spawn file fuzz check failed: %s\n", what);
        std::abort();
    }
}

const spawn::ElementNameTables& someNames() {
    static const spawn::ElementNameTables names(spawn::NameTable{{16, 0x01010101}, {"a", "b"}},
                                                spawn::NameTable{{16}, {"c"}});
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto parsed = spawn::parseSpawnFile(bytes, someNames(), "fuzz input");
    check(parsed.ok() == (size >= spawn::SpawnLayout::kPrefixSize),
          "only a file shorter than its prefix fails");
    if (!parsed) {
        return 0;
    }
    const spawn::SpawnFile& file = parsed.value();
    const std::vector<std::uint8_t> written = spawn::serializeSpawnFile(file.context, file.records);
    check(written.size() == size && std::equal(written.begin(), written.end(), bytes.begin()),
          "writing back gives the same bytes");
    check(file.stopped.has_value() == (file.records.count() < file.context.recordCountWord()),
          "loading stops early exactly when fewer records than the count word were read");
    for (const auto& record : file.records) {
        check(spawn::SpawnLayout::isValidEntryCount(record.entryCount), "entry counts are 0..100");
        check(record.bytes.size() == spawn::SpawnLayout::recordSize(record.entryCount), "record size");
    }
    return 0;
}
