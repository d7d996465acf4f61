// Comparing two 50,000-record spawn files: the record alignment alone, and with the field texts of
// every changed pair as spawn-tool diff lists them; and merging three of them.

#include "BenchFiles.h"
#include "ByteReader.h"
#include "RecordDiff.h"
#include "RecordMerge.h"
#include "SpawnFile.h"
#include "SpawnLayout.h"
#include "SpawnTool.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

using namespace spawn;

const SpawnRecordList& bigRecords() {
    static const SpawnRecordList records = parseSpawnFile(bench::bigFile(), {}, "bench").value().records;
    return records;
}

// One place of change in every this many records of the big file.
constexpr std::int32_t kBigStep = bench::kBigFileRecords / 100;

SpawnRecord withBlock(const SpawnRecord& record, std::int32_t block) {
    SpawnRecord copy = record;
    writeI32At(copy.bytes, 0, block);
    return copy;
}

// The big file with 100 changes scattered over it, at one place in every `step` records from
// `phase` on: 80 records changed, 10 removed, 10 inserted.
SpawnRecordList scatteredChangesAt(std::int32_t phase) {
    const SpawnRecordList& a = bigRecords();
    SpawnRecordList b;
    const std::int32_t step = a.count() / 100;
    for (std::int32_t p = 1; p <= a.count(); ++p) {
        const std::int32_t k = p % step == phase ? p / step : -1;
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
}

const SpawnRecordList& scatteredChanges() {
    static const SpawnRecordList records = scatteredChangesAt(kBigStep / 2);
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

namespace {

// Three-way merges of the big file: each side makes 100 scattered changes of its own (80 changed,
// 10 removed, 10 inserted), theirs at other places than ours.
const SpawnFile& bigSpawnFile() {
    static const SpawnFile file = parseSpawnFile(bench::bigFile(), {}, "bench").value();
    return file;
}

SpawnFile sideFile(std::int32_t phase) {
    SpawnFile side;
    side.context = bigSpawnFile().context;
    side.records = scatteredChangesAt(phase);
    side.context.setRecordCountWord(side.records.count());
    return side;
}

const SpawnFile& oursFile() {
    static const SpawnFile file = sideFile(kBigStep / 2);
    return file;
}

const SpawnFile& theirsFile() {
    static const SpawnFile file = sideFile(kBigStep / 4);
    return file;
}

void BM_Merge50kWith100ScatteredChangesPerSide(benchmark::State& state) {
    SpawnMerge merge;
    for (auto _ : state) {
        merge = mergeSpawnFiles(bigSpawnFile(), oursFile(), theirsFile());
        benchmark::DoNotOptimize(merge);
    }
    state.counters["records"] = merge.records.count();
    state.counters["from_ours"] = merge.fromOurs;
    state.counters["from_theirs"] = merge.fromTheirs;
    state.counters["conflicts"] = static_cast<double>(merge.conflicts.size());
}
BENCHMARK(BM_Merge50kWith100ScatteredChangesPerSide)->Unit(benchmark::kMillisecond);

// As spawn-tool merge does it: three files read from disk, merged and the result written (with the
// backup of the file it replaces).
void BM_MergeCommand50kWith100ScatteredChangesPerSide(benchmark::State& state) {
    const std::string base = bench::bigFilePath();
    const std::string ours =
        bench::writeBenchFile("merge-ours.data", serializeSpawnFile(oursFile().context, oursFile().records));
    const std::string theirs = bench::writeBenchFile(
        "merge-theirs.data", serializeSpawnFile(theirsFile().context, theirsFile().records));
    const std::string out = bench::benchFolder() + "/merge-out.data";
    int exitCode = -1;
    for (auto _ : state) {
        exitCode = tool::runSpawnTool({"merge", base, ours, theirs, "-o", out}).exitCode;
    }
    state.counters["exit"] = exitCode;
}
BENCHMARK(BM_MergeCommand50kWith100ScatteredChangesPerSide)->Unit(benchmark::kMillisecond);

} // namespace
