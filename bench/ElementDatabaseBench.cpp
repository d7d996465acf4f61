// Reading a 64 MB element database, against only reading its bytes into memory. The goal is at
// most 1.5 times the plain read: the lists are passed over by arithmetic, only lists 37 and 54
// are decoded, and the fingerprint search runs through the long later sections once.

#include "BenchFiles.h"
#include "DemoElements.h"
#include "ElementDatabase.h"
#include "FileIo.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::size_t kDatabaseSize = std::size_t{64} << 20;

const spawn::demo::DemoElementsOptions& largeOptions() {
    static const auto options = spawn::demo::largeDemoElementsOptions(kDatabaseSize);
    return options;
}

const std::vector<std::uint8_t>& largeDatabase() {
    static const auto bytes = spawn::demo::generateDemoElements(largeOptions()).bytes;
    return bytes;
}

std::string largeDatabasePath() {
    static const std::string path =
        spawn::bench::writeBenchFile(std::string(spawn::kElementsFileName), largeDatabase());
    return path;
}

void setBytes(benchmark::State& state) {
    spawn::bench::setBytesProcessed(state, largeDatabase().size());
}

// The baseline: the whole file into memory and nothing else.
void BM_ReadElementsFileBytes64MB(benchmark::State& state) {
    const std::string path = largeDatabasePath();
    for (auto _ : state) {
        auto bytes = spawn::readWholeFile(path);
        if (!bytes || bytes.value().size() != kDatabaseSize) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(bytes);
    }
    setBytes(state);
}
BENCHMARK(BM_ReadElementsFileBytes64MB)->Unit(benchmark::kMillisecond);

// What start-up does: the same read, then the database from its bytes.
void BM_ReadElementDatabase64MB(benchmark::State& state) {
    const std::string path = largeDatabasePath();
    for (auto _ : state) {
        auto bytes = spawn::readWholeFile(path);
        if (!bytes) {
            state.SkipWithError("read failed");
            break;
        }
        auto db = spawn::readElementDatabase(bytes.value());
        if (!db || db.value().fingerprint != largeOptions().fingerprint) {
            state.SkipWithError("database not read as generated");
            break;
        }
        benchmark::DoNotOptimize(db);
    }
    setBytes(state);
}
BENCHMARK(BM_ReadElementDatabase64MB)->Unit(benchmark::kMillisecond);

// The database from bytes already in memory: the reader's own share.
void BM_ParseElementDatabase64MBFromMemory(benchmark::State& state) {
    for (auto _ : state) {
        auto db = spawn::readElementDatabase(largeDatabase());
        benchmark::DoNotOptimize(db);
    }
    setBytes(state);
}
BENCHMARK(BM_ParseElementDatabase64MBFromMemory)->Unit(benchmark::kMillisecond);

} // namespace
