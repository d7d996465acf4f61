// Export to JSON and import back of the same 50,000-record spawn file that BM_LoadSpawnFile50k
// loads, each as spawn-tool does it: from the file on disk to the file written.

#include "BenchFiles.h"
#include "DemoWorld.h"
#include "FileIo.h"
#include "SpawnFile.h"
#include "SpawnJson.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::int32_t kRecordCount = spawn::bench::kBigFileRecords;

using spawn::bench::bigFile;
using spawn::bench::bigFilePath;

const std::string& bigJson() {
    static const std::string text =
        spawn::exportSpawnJson(spawn::parseSpawnFile(bigFile(), {}, "bench").value(), false);
    return text;
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string bigJsonPath() {
    static const std::string path = spawn::bench::writeBenchFile(
        "mobset.json", std::vector<std::uint8_t>(bigJson().begin(), bigJson().end()));
    return path;
}

// Load the spawn file, build the document, write it.
void BM_ExportSpawnJson50k(benchmark::State& state) {
    const std::string in = bigFilePath();
    const std::string out = spawn::bench::benchFolder() + "/exported.json";
    for (auto _ : state) {
        const auto loaded = spawn::loadSpawnFile(in, {});
        if (!loaded) {
            state.SkipWithError("load failed");
            break;
        }
        const std::string text = spawn::exportSpawnJson(loaded.value(), false);
        if (!spawn::writeFileAtomically(out, bytesOf(text)).ok()) {
            state.SkipWithError("write failed");
            break;
        }
    }
    spawn::bench::setBytesProcessed(state, bigFile().size());
}
BENCHMARK(BM_ExportSpawnJson50k)->Unit(benchmark::kMillisecond);

// Read the document, check and build every record, write the spawn file.
void BM_ImportSpawnJson50k(benchmark::State& state) {
    const std::string in = bigJsonPath();
    const std::string out = spawn::bench::benchFolder() + "/imported.data";
    for (auto _ : state) {
        const auto text = spawn::readWholeFile(in);
        if (!text) {
            state.SkipWithError("read failed");
            break;
        }
        const auto imported = spawn::importSpawnJson(text.value());
        if (!imported || imported.value().records.count() != kRecordCount ||
            !spawn::writeSpawnFile(out, imported.value().context, imported.value().records).ok()) {
            state.SkipWithError("import failed");
            break;
        }
    }
    spawn::bench::setBytesProcessed(state, bigFile().size());
}
BENCHMARK(BM_ImportSpawnJson50k)->Unit(benchmark::kMillisecond);

// The two conversions alone, in memory.
void BM_ExportSpawnJson50kInMemory(benchmark::State& state) {
    const auto parsed = spawn::parseSpawnFile(bigFile(), {}, "bench").value();
    for (auto _ : state) {
        auto text = spawn::exportSpawnJson(parsed, false);
        benchmark::DoNotOptimize(text);
    }
    spawn::bench::setBytesProcessed(state, bigFile().size());
}
BENCHMARK(BM_ExportSpawnJson50kInMemory)->Unit(benchmark::kMillisecond);

void BM_ImportSpawnJson50kInMemory(benchmark::State& state) {
    const auto text = bytesOf(bigJson());
    for (auto _ : state) {
        auto imported = spawn::importSpawnJson(text);
        benchmark::DoNotOptimize(imported);
    }
    spawn::bench::setBytesProcessed(state, bigFile().size());
}
BENCHMARK(BM_ImportSpawnJson50kInMemory)->Unit(benchmark::kMillisecond);

} // namespace
