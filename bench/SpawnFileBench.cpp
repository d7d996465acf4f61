// Load and save times of a 50,000-record spawn file.

#include "DemoWorld.h"
#include "FileIo.h"
#include "SpawnFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

constexpr std::int32_t kRecordCount = 50000;

const std::vector<std::uint8_t>& bigFile() {
    static const auto bytes = spawn::demo::generateDemoSpawnFile({kRecordCount, 7, {}});
    return bytes;
}

std::string benchFolder() {
    static const std::string folder = [] {
        auto dir = std::filesystem::temp_directory_path() / "spawn-bench";
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder;
}

std::string bigFilePath() {
    static const std::string path = [] {
        const std::string p = benchFolder() + "/mobset.data";
        (void)spawn::writeFileAtomically(p, bigFile());
        return p;
    }();
    return path;
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bigFile().size()));
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
    const std::string out = benchFolder() + "/saved.data";
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
