// The checks of the Problems window and `spawn-tool lint` on the 50,000-record demo world with its
// element database: the whole lint command (read, check, print), and the Problems list's update
// after one Apply beside the same Apply with no list following it.

#include "BenchFiles.h"
#include "DemoWorld.h"
#include "ElementDatabase.h"
#include "FileIo.h"
#include "ProblemListModel.h"
#include "SpawnDocument.h"
#include "SpawnProblems.h"
#include "SpawnTool.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace spawn;

constexpr std::int32_t kWorldRecords = 50000;

// The demo world's folder: its spawn file draws its creatures from its own database.
const std::string& demoWorldFolder() {
    static const std::string folder = [] {
        const std::string dir = bench::benchFolder() + "/lint-world";
        (void)demo::writeDemoWorld(dir, kWorldRecords, true);
        return dir;
    }();
    return folder;
}

std::string worldFile(std::string_view name) {
    return demoWorldFolder() + "/" + std::string(name);
}

void BM_LintDemoWorld50000WithDatabase(benchmark::State& state) {
    const std::vector<std::string> args = {"lint", worldFile(SpawnLayout::kDefaultFileName), "--elements",
                                           worldFile(kElementsFileName)};
    for (auto _ : state) {
        const auto result = tool::runSpawnTool(args);
        if (result.exitCode == tool::kExitUsage) {
            state.SkipWithError(result.err.c_str());
            break;
        }
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_LintDemoWorld50000WithDatabase)->Unit(benchmark::kMillisecond);

// The checks alone, on the file and database already in memory.
void BM_LintChecksOnlyDemoWorld50000(benchmark::State& state) {
    const auto names = readElementDatabase(readWholeFile(worldFile(kElementsFileName)).value()).value().names;
    const auto file = loadSpawnFile(worldFile(SpawnLayout::kDefaultFileName), ElementNameTables{}).value();
    for (auto _ : state) {
        benchmark::DoNotOptimize(lintSpawnFile(file, &names));
    }
}
BENCHMARK(BM_LintChecksOnlyDemoWorld50000)->Unit(benchmark::kMillisecond);

// The demo world loaded into a document, with or without the Problems list following it.
struct OpenWorld {
    explicit OpenWorld(bool withProblems) {
        const auto db = readElementDatabase(readWholeFile(worldFile(kElementsFileName)).value());
        names = db.value().names;
        document.load(loadSpawnFile(worldFile(SpawnLayout::kDefaultFileName), names).value(), "mobset.data");
        if (withProblems) {
            problems = std::make_unique<ProblemListModel>(document, &names);
        }
    }

    ElementNameTables names;
    SpawnDocument document;
    std::unique_ptr<ProblemListModel> problems;
};

// One Apply in the middle of the file that moves the area's X; the undo that puts it back is not
// timed.
void applyOnce(benchmark::State& state, bool withProblems) {
    OpenWorld world(withProblems);
    constexpr std::int32_t kPosition = kWorldRecords / 2;
    SpawnRecord moved = world.document.records().at(kPosition);
    moved.bytes[SpawnLayout::kPositionXOffset] ^= 0x01;
    for (auto _ : state) {
        world.document.replaceRecord(kPosition, moved);
        state.PauseTiming();
        world.document.undo();
        state.ResumeTiming();
    }
    if (world.problems) {
        state.counters["problems"] = world.problems->problemIndex().problemCount();
    }
}

void BM_ApplyInDemoWorld50000(benchmark::State& state) {
    applyOnce(state, false);
}
BENCHMARK(BM_ApplyInDemoWorld50000)->Unit(benchmark::kMicrosecond);

void BM_ApplyInDemoWorld50000WithProblemsList(benchmark::State& state) {
    applyOnce(state, true);
}
BENCHMARK(BM_ApplyInDemoWorld50000WithProblemsList)->Unit(benchmark::kMicrosecond);

} // namespace
