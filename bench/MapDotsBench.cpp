// The map with a dot for each of 50,000 areas: painting it from the cached dot layer, building
// that layer when the records or the view change, and finding the dot under a click through the
// grid. Beside them, the naive ways: every dot drawn on every paint, and every dot looked at for
// every click.

#include "DemoWorld.h"
#include "MapView.h"
#include "SpawnDots.h"
#include "SpawnFile.h"

#include "BenchApplication.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>

namespace {

using namespace spawn;

constexpr std::int32_t kAreaCount = 50000;
constexpr std::uint32_t kClickSeed = 7;

const SpawnRecordList& demoRecords() {
    static const SpawnFile file = [] {
        const auto bytes = demo::generateDemoSpawnFile({kAreaCount, 11, {}});
        return parseSpawnFile(bytes, ElementNameTables{}, "bench").value();
    }();
    return file.records;
}

const std::vector<MapDot>& demoDots() {
    static const std::vector<MapDot> dots = RecordMapPoints{}.allDots(demoRecords());
    return dots;
}

// Times each iteration itself and reports the median, which is what a user feels as the redraw.
// A redraw is the map rendered into a pixmap, as the screen would show it.
template <class Body> void timeEachIteration(benchmark::State& state, Body body) {
    std::vector<double> milliseconds;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const auto end = std::chrono::steady_clock::now();
        milliseconds.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::nth_element(milliseconds.begin(),
                     milliseconds.begin() + static_cast<std::ptrdiff_t>(milliseconds.size() / 2),
                     milliseconds.end());
    state.counters["median_ms"] = milliseconds[milliseconds.size() / 2];
}

// The editor's map, shown, with every demo area's dot and one ringed.
struct MapWithDots {
    MapWithDots() {
        view.setSpawnDots(demoDots());
        view.setHighlightedDot(demoDots()[kAreaCount / 2].position);
        view.placeMapMarker(400, 550);
        view.show();
    }
    QApplication& app = spawn::bench::benchApplication();
    MapView view;
};

void BM_MapPaint50kDotsFromLayer(benchmark::State& state) {
    MapWithDots map;
    timeEachIteration(state, [&] { benchmark::DoNotOptimize(map.view.grab()); });
    state.counters["dots"] = static_cast<double>(map.view.dots().dots().size());
}
BENCHMARK(BM_MapPaint50kDotsFromLayer)->Unit(benchmark::kMillisecond);

// The baseline: the picture, then every dot drawn with the painter on every paint.
class NaiveDotsMap : public QWidget {
public:
    NaiveDotsMap() : m_picture(MapResources::kWorldMap) {
        setFixedSize(m_picture.size());
        for (const MapDot& dot : demoDots()) {
            const PicturePoint p = picturePoint(width(), height(), dot.point);
            m_points.emplace_back(p.x, p.y);
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_picture);
        painter.setPen(QColor::fromRgba(DotLook::kDotOutline));
        painter.setBrush(QColor::fromRgba(DotLook::kDotFill));
        for (const QPoint& p : m_points) {
            painter.drawEllipse(p, DotLook::kDotRadius, DotLook::kDotRadius);
        }
    }

private:
    QPixmap m_picture;
    std::vector<QPoint> m_points;
};

void BM_NaiveMapPaint50kDotsEveryPaint(benchmark::State& state) {
    spawn::bench::benchApplication();
    NaiveDotsMap map;
    map.show();
    timeEachIteration(state, [&] { benchmark::DoNotOptimize(map.grab()); });
}
BENCHMARK(BM_NaiveMapPaint50kDotsEveryPaint)->Unit(benchmark::kMillisecond);

// What a search, refresh or changed record costs: the view's dots gathered (record positions
// remembered), the grid and the layer built anew.
void BM_MapDotLayerRebuild50k(benchmark::State& state) {
    MapWithDots map;
    RecordMapPoints points;
    points.allDots(demoRecords());
    timeEachIteration(state, [&] { map.view.setSpawnDots(points.allDots(demoRecords())); });
}
BENCHMARK(BM_MapDotLayerRebuild50k)->Unit(benchmark::kMillisecond);

// The same after loading a file: every record's position read from its text for the first time.
void BM_MapDotLayerFirstBuild50k(benchmark::State& state) {
    MapWithDots map;
    timeEachIteration(state, [&] {
        RecordMapPoints points;
        map.view.setSpawnDots(points.allDots(demoRecords()));
    });
}
BENCHMARK(BM_MapDotLayerFirstBuild50k)->Unit(benchmark::kMillisecond);

std::vector<PicturePoint> clicks(std::size_t count) {
    std::mt19937 random(kClickSeed);
    std::uniform_int_distribution<std::int32_t> x(0, 436);
    std::uniform_int_distribution<std::int32_t> y(0, 503);
    std::vector<PicturePoint> out(count);
    for (auto& c : out) {
        c = {x(random), y(random)};
    }
    return out;
}

void BM_DotUnderClickGrid50k(benchmark::State& state) {
    DotGrid grid;
    grid.build(437, 504, demoDots());
    const auto points = clicks(4096);
    std::size_t i = 0;
    std::int64_t hits = 0;
    for (auto _ : state) {
        const auto hit = grid.dotAt(points[i++ % points.size()]);
        hits += hit ? 1 : 0;
        benchmark::DoNotOptimize(hit);
    }
    state.counters["hit_share"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DotUnderClickGrid50k)->Unit(benchmark::kMicrosecond);

// The baseline: every dot's distance worked out for every click.
void BM_NaiveDotUnderClickScan50k(benchmark::State& state) {
    DotGrid grid;
    grid.build(437, 504, demoDots());
    const auto dots = grid.dots();
    const auto points = clicks(4096);
    std::size_t i = 0;
    for (auto _ : state) {
        const PicturePoint click = points[i++ % points.size()];
        std::optional<std::int32_t> best;
        std::int64_t bestDistance = std::int64_t{DotLook::kPickRadius} * DotLook::kPickRadius + 1;
        for (const PictureDot& dot : dots) {
            const std::int64_t dx = dot.x - click.x;
            const std::int64_t dy = dot.y - click.y;
            const std::int64_t d = dx * dx + dy * dy;
            if (d < bestDistance || (d == bestDistance && best && dot.position < *best)) {
                bestDistance = d;
                best = dot.position;
            }
        }
        benchmark::DoNotOptimize(best);
    }
}
BENCHMARK(BM_NaiveDotUnderClickScan50k)->Unit(benchmark::kMicrosecond);

} // namespace
