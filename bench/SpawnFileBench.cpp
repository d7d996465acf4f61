// Load and save times of a 50,000-record spawn file.

#include "BenchFiles.h"
#include "DemoWorld.h"
#include "FileIo.h"
#include "SpawnFile.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::int32_t kRecordCount = spawn::bench::kBigFileRecords;

using spawn::bench::bigFile;
using spawn::bench::bigFilePath;

void setBytes(benchmark::State& state) {
    spawn::bench::setBytesProcessed(state, bigFile().size());
}

void BM_LoadSpawnFile50k(benchmark::State& state) {
    const std::string path = bigFilePath();
    const spawn::ElementNameTables names;
    for (auto _ : state) {
        auto loaded = spawn::loadSpawnFile(path, names);
        if (!loaded || loaded.value().records.count() != kRecordCount) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(loaded);
    }
    setBytes(state);
}
BENCHMARK(BM_LoadSpawnFile50k)->Unit(benchmark::kMillisecond);

void BM_ParseSpawnFile50kFromMemory(benchmark::State& state) {
    const spawn::ElementNameTables names;
    for (auto _ : state) {
        auto parsed = spawn::parseSpawnFile(bigFile(), names, "bench");
        benchmark::DoNotOptimize(parsed);
    }
    setBytes(state);
}
BENCHMARK(BM_ParseSpawnFile50kFromMemory)->Unit(benchmark::kMillisecond);

void BM_SaveSpawnFile50k(benchmark::State& state) {
    const auto loaded = spawn::loadSpawnFile(bigFilePath(), {}).value();
    const std::string out = spawn::bench::benchFolder() + "/saved.data";
    for (auto _ : state) {
        if (!spawn::makeBackup(bigFilePath()).ok() ||
            !spawn::writeSpawnFile(out, loaded.context, loaded.records).ok()) {
            state.SkipWithError("save failed");
            break;
        }
    }
    setBytes(state);
}
BENCHMARK(BM_SaveSpawnFile50k)->Unit(benchmark::kMillisecond);

void BM_SerializeSpawnFile50k(benchmark::State& state) {
    const auto loaded = spawn::loadSpawnFile(bigFilePath(), {}).value();
    for (auto _ : state) {
        auto bytes = spawn::serializeSpawnFile(loaded.context, loaded.records);
        benchmark::DoNotOptimize(bytes);
    }
    setBytes(state);
}
BENCHMARK(BM_SerializeSpawnFile50k)->Unit(benchmark::kMillisecond);

} // namespace
