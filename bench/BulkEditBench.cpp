// Editing and removing the listed records of the 50,000-record demo file as one history step,
// and its undo, beside a naive baseline of one step per record.

#include "BenchApplication.h"
#include "BenchDialogs.h"
#include "BenchFiles.h"
#include "BulkEdit.h"
#include "DialogService.h"
#include "RecordEditor.h"
#include "RecordListModel.h"
#include "SpawnDocument.h"

#include <benchmark/benchmark.h>

namespace {

using namespace spawn;

// The document, list and editor of a window on the big demo file, in the full view.
struct Editing {
    Editing() {
        bench::benchApplication();
        document.load(parseSpawnFile(bench::bigFile(), names, "bench").value(), "bench");
        editor.showLoadedFile();
    }
    const ElementNameTables names;
    bench::AnsweringDialogs dialogs{Answer::Yes};
    SpawnDocument document;
    RecordListView listView{document};
    RecordListModel list{listView};
    RecordEditor editor{document, names, listView, dialogs};
};

// Block (area field 1) plus one, on every record: every record changes.
BulkEditSpec addToBlock() {
    BulkEditSpec spec;
    spec.kind = BulkFieldKind::Area;
    spec.field = 1;
    spec.operation = BulkOperation::Add;
    spec.value = "1";
    return spec;
}

void BM_BulkEditEveryRecord50k(benchmark::State& state) {
    Editing e;
    for (auto _ : state) {
        if (!e.editor.editListedRecords(addToBlock())) {
            state.SkipWithError("no step");
            break;
        }
        state.PauseTiming();
        e.editor.undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BulkEditEveryRecord50k)->Unit(benchmark::kMillisecond);

void BM_BulkEditUndo50k(benchmark::State& state) {
    Editing e;
    for (auto _ : state) {
        state.PauseTiming();
        e.editor.editListedRecords(addToBlock());
        state.ResumeTiming();
        e.editor.undo();
    }
}
BENCHMARK(BM_BulkEditUndo50k)->Unit(benchmark::kMillisecond);

// The baseline: the same change as one replace step per record.
void BM_NaiveEditOneStepPerRecord50k(benchmark::State& state) {
    Editing e;
    const auto positions = e.editor.listedPositions();
    for (auto _ : state) {
        const auto plan = planBulkEdit(e.document.records(), positions, addToBlock());
        for (const auto& [position, bytes] : plan.value().changes) {
            e.document.replaceRecord(position, SpawnRecord::fromBytes(bytes).value());
        }
        state.PauseTiming();
        e.document.load(parseSpawnFile(bench::bigFile(), e.names, "bench").value(), "bench");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NaiveEditOneStepPerRecord50k)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every other record listed (25,000 areas gathered on the map), then removed.
void listEveryOther(Editing& e) {
    std::vector<std::int32_t> positions;
    for (std::int32_t p = 1; p <= e.document.records().count(); p += 2) {
        positions.push_back(p);
    }
    e.editor.showAreaHits(std::move(positions));
}

void BM_RemoveListed25kOf50k(benchmark::State& state) {
    Editing e;
    for (auto _ : state) {
        state.PauseTiming();
        listEveryOther(e);
        state.ResumeTiming();
        e.editor.removeListedRecords();
        state.PauseTiming();
        e.editor.undo();
        state.ResumeTiming();
    }
    state.counters["left"] = e.document.records().count();
}
BENCHMARK(BM_RemoveListed25kOf50k)->Unit(benchmark::kMillisecond);

void BM_RemoveListedUndo25kOf50k(benchmark::State& state) {
    Editing e;
    for (auto _ : state) {
        state.PauseTiming();
        listEveryOther(e);
        e.editor.removeListedRecords();
        state.ResumeTiming();
        e.editor.undo();
    }
}
BENCHMARK(BM_RemoveListedUndo25kOf50k)->Unit(benchmark::kMillisecond);

// The baseline: one removal step at a time, from the last so that positions hold.
void BM_NaiveRemoveOneAtATime25kOf50k(benchmark::State& state) {
    Editing e;
    for (auto _ : state) {
        for (std::int32_t p = e.document.records().count() - 1; p >= 1; p -= 2) {
            e.document.removeRecord(p);
        }
        state.PauseTiming();
        e.document.load(parseSpawnFile(bench::bigFile(), e.names, "bench").value(), "bench");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NaiveRemoveOneAtATime25kOf50k)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
