// What a recovery copy costs the window (the snapshot on the GUI thread) and the worker (the
// write), on the 50,000-record demo file.

#include "BenchApplication.h"
#include "BenchFiles.h"
#include "QtEventLoop.h"
#include "RecoveryKeeper.h"
#include "WorkerThread.h"
#include "SpawnDocument.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

// A loaded 50,000-record document with one step of unsaved work, and a keeper writing to a folder
// in the bench folder.
struct EditedBigDocument {
    EditedBigDocument() {
        spawn::bench::benchApplication();
        document.load(spawn::loadSpawnFile(spawn::bench::bigFilePath(), {}).value(),
                      spawn::bench::bigFilePath());
        spawn::SpawnRecord record = document.records().at(1);
        record.bytes.back() ^= 1;
        document.replaceRecord(1, std::move(record));
    }
    ~EditedBigDocument() {
        keeper.waitUntilIdle();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    const std::string folder = spawn::bench::benchFolder() + "/recovery";
    spawn::SpawnDocument document;
    spawn::QtEventLoop loop;
    spawn::WorkerThread worker;
    spawn::RecoveryKeeper keeper{document, folder, loop, worker};
};

// The window's wait: the snapshot taken and handed over; the write itself is left out.
void BM_RecoverySnapshot50k(benchmark::State& state) {
    EditedBigDocument edited;
    for (auto _ : state) {
        edited.keeper.writeNow();
        state.PauseTiming();
        edited.keeper.waitUntilIdle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RecoverySnapshot50k)->Unit(benchmark::kMillisecond);

// The worker's share: the bytes and the JSON written atomically.
void BM_RecoveryWrite50k(benchmark::State& state) {
    EditedBigDocument edited;
    for (auto _ : state) {
        edited.keeper.writeNow();
        edited.keeper.waitUntilIdle();
    }
    spawn::bench::setBytesProcessed(state, spawn::bench::bigFile().size());
}
BENCHMARK(BM_RecoveryWrite50k)->Unit(benchmark::kMillisecond);

} // namespace
