// Comparing two 50,000-record spawn files: the record alignment alone, and with the field texts of
// every changed pair as spawn-tool diff lists them.

#include "BenchFiles.h"
#include "ByteReader.h"
#include "RecordDiff.h"
#include "SpawnFile.h"
#include "SpawnLayout.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

using namespace spawn;

const SpawnRecordList& bigRecords() {
    static const SpawnRecordList records = parseSpawnFile(bench::bigFile(), {}, "bench").value().records;
    return records;
}

SpawnRecord withBlock(const SpawnRecord& record, std::int32_t block) {
    SpawnRecord copy = record;
    writeI32At(copy.bytes, 0, block);
    return copy;
}

// The big file with 100 scattered changes: 80 records changed, 10 removed, 10 inserted.
const SpawnRecordList& scatteredChanges() {
    static const SpawnRecordList records = [] {
        const SpawnRecordList& a = bigRecords();
        SpawnRecordList b;
        const std::int32_t step = a.count() / 100;
        for (std::int32_t p = 1; p <= a.count(); ++p) {
            const std::int32_t k = p % step == step / 2 ? p / step : -1;
            if (k < 0) {
                b.append(a.at(p));
            } else if (k % 10 == 3) {
                continue; // removed
            } else if (k % 10 == 7) {
                b.append(a.at(p));
                b.append(withBlock(a.at(p), -p)); // inserted
            } else {
                b.append(withBlock(a.at(p), -p)); // changed
            }
        }
        return b;
    }();
    return records;
}

// Every record changed.
const SpawnRecordList& nothingShared() {
    static const SpawnRecordList records = [] {
        SpawnRecordList b;
        for (const SpawnRecord& r : bigRecords()) {
            b.append(withBlock(r, readI32At(r.bytes, 0) ^ 0x55AA55AA));
        }
        return b;
    }();
    return records;
}

// The same records in another order: nearly every record matches one somewhere, few in line.
const SpawnRecordList& shuffled() {
    static const SpawnRecordList records = [] {
        std::vector<SpawnRecord> all(bigRecords().begin(), bigRecords().end());
        std::shuffle(all.begin(), all.end(), std::mt19937(7));
        SpawnRecordList b;
        for (SpawnRecord& r : all) {
            b.append(std::move(r));
        }
        return b;
    }();
    return records;
}

void diffBench(benchmark::State& state, const SpawnRecordList& b, bool withFields) {
    const SpawnRecordList& a = bigRecords();
    RecordDiff diff;
    std::size_t fieldCount = 0;
    for (auto _ : state) {
        diff = diffRecords(recordBytesViews(a), recordBytesViews(b));
        if (withFields) {
            fieldCount = 0;
            for (const RecordChange& c : diff.changes) {
                if (c.kind == RecordChangeKind::Changed) {
                    fieldCount += diffRecordFields(a.at(c.a), b.at(c.b)).size();
                }
            }
        }
        benchmark::DoNotOptimize(diff);
    }
    state.counters["unchanged"] = static_cast<double>(diff.unchanged);
    state.counters["changes"] = static_cast<double>(diff.changes.size());
    if (withFields) {
        state.counters["fields"] = static_cast<double>(fieldCount);
    }
}

void BM_Diff50kWith100ScatteredChanges(benchmark::State& state) {
    diffBench(state, scatteredChanges(), false);
}
BENCHMARK(BM_Diff50kWith100ScatteredChanges)->Unit(benchmark::kMillisecond);

void BM_Diff50kWith100ScatteredChangesAndTheirFields(benchmark::State& state) {
    diffBench(state, scatteredChanges(), true);
}
BENCHMARK(BM_Diff50kWith100ScatteredChangesAndTheirFields)->Unit(benchmark::kMillisecond);

void BM_Diff50kSharingNothing(benchmark::State& state) {
    diffBench(state, nothingShared(), false);
}
BENCHMARK(BM_Diff50kSharingNothing)->Unit(benchmark::kMillisecond);

void BM_Diff50kSharingNothingWithTheirFields(benchmark::State& state) {
    diffBench(state, nothingShared(), true);
}
BENCHMARK(BM_Diff50kSharingNothingWithTheirFields)->Unit(benchmark::kMillisecond);

void BM_Diff50kShuffled(benchmark::State& state) {
    diffBench(state, shuffled(), false);
}
BENCHMARK(BM_Diff50kShuffled)->Unit(benchmark::kMillisecond);

} // namespace
