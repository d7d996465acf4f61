// The map with a dot for each of 50,000 areas: painting it from the cached dot layer, building
// that layer when the records or the view change, and finding the dot under a click through the
// grid. Beside them, the naive ways: every dot drawn on every paint, and every dot looked at for
// every click.

#include "DemoWorld.h"
#include "MapView.h"
#include "MapViewTransform.h"
#include "SpawnDots.h"
#include "SpawnFile.h"

#include "BenchApplication.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
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

// Zoom, pan and drag on a map grown with a large window, 50,000 dots. The frame is what the
// screen shows after one wheel notch, one step of a pan, or one step of a dragged dot.

namespace {

constexpr int kLargeMapWidth = 1000;
constexpr int kLargeMapHeight = 1153;

struct LargeMapWithDots {
    explicit LargeMapWithDots(int zoomSteps, bool ranges) {
        view.resize(kLargeMapWidth, kLargeMapHeight);
        view.setSpawnDots(demoDots());
        view.setHighlightedDot(demoDots()[kAreaCount / 2].position);
        view.placeMapMarker(400, 550);
        view.setRangesShown(ranges);
        view.show();
        view.zoomStepsAbout(zoomSteps, QPointF(kLargeMapWidth * 0.4, kLargeMapHeight * 0.6));
        benchmark::DoNotOptimize(view.grab());
    }
    QApplication& app = spawn::bench::benchApplication();
    MapView view;
};

// Arguments: zoom steps of 1.25 (0: 1 x, 1: 1.25 x, 6: 3.8 x, 10: 9.3 x, 15: 28 x, 16: 32 x), ranges drawn.
void zoomArguments(benchmark::internal::Benchmark* bench) {
    for (const int steps : {0, 1, 6, 10, 15}) {
        bench->Args({steps, 0});
    }
    bench->Args({10, 1});
    bench->Args({16, 1});
}

void reportZoom(benchmark::State& state, const MapView& view) {
    state.counters["zoom"] = view.view().zoom();
}

// A notch in, a notch out, each a frame of its own.
void BM_MapZoomFrame50k(benchmark::State& state) {
    LargeMapWithDots map(static_cast<int>(state.range(0)), state.range(1) != 0);
    int direction = 1;
    const QPointF pointer(kLargeMapWidth * 0.4, kLargeMapHeight * 0.6);
    timeEachIteration(state, [&] {
        map.view.zoomStepsAbout(direction, pointer);
        direction = -direction;
        benchmark::DoNotOptimize(map.view.grab());
    });
    reportZoom(state, map.view);
}
BENCHMARK(BM_MapZoomFrame50k)->Apply(zoomArguments)->Unit(benchmark::kMillisecond);

void BM_MapPanFrame50k(benchmark::State& state) {
    LargeMapWithDots map(static_cast<int>(state.range(0)), state.range(1) != 0);
    int direction = 1;
    timeEachIteration(state, [&] {
        map.view.panBy(QPoint(9 * direction, 7 * direction));
        direction = -direction;
        benchmark::DoNotOptimize(map.view.grab());
    });
    reportZoom(state, map.view);
}
BENCHMARK(BM_MapPanFrame50k)->Apply(zoomArguments)->Unit(benchmark::kMillisecond);

// A dot dragged across the map: each pointer move is a frame.
void BM_MapDragFrame50k(benchmark::State& state) {
    LargeMapWithDots map(static_cast<int>(state.range(0)), state.range(1) != 0);
    const auto index = map.view.dots().indicesInView(map.view.view(), 0);
    const PicturePoint dot = map.view.view().screenPoint(map.view.dots().mapPointOf(index[index.size() / 2]));
    const QPoint start(dot.x, dot.y);
    QMouseEvent press(QEvent::MouseButtonPress, start, map.view.mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&map.view, &press);
    int step = 0;
    timeEachIteration(state, [&] {
        const QPoint at = start + QPoint(20 + step % 40, 10 + step % 30);
        ++step;
        QMouseEvent move(QEvent::MouseMove, at, map.view.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&map.view, &move);
        benchmark::DoNotOptimize(map.view.grab());
    });
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&map.view, &escape);
    reportZoom(state, map.view);
}
BENCHMARK(BM_MapDragFrame50k)->Args({0, 0})->Args({10, 1})->Unit(benchmark::kMillisecond);

// The baseline: the picture scaled, then every dot drawn with the painter on every frame,
// wherever it is.
class NaiveZoomedMap : public QWidget {
public:
    explicit NaiveZoomedMap(int zoomSteps)
        : m_picture(QImage(MapResources::kWorldMap)), m_view(kLargeMapWidth, kLargeMapHeight) {
        setFixedSize(kLargeMapWidth, kLargeMapHeight);
        m_view.zoomStepsAbout(zoomSteps, kLargeMapWidth * 0.4, kLargeMapHeight * 0.6);
    }
    MapViewTransform& view() { return m_view; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const double sx = static_cast<double>(m_picture.width()) / m_view.contentWidth();
        const double sy = static_cast<double>(m_picture.height()) / m_view.contentHeight();
        painter.drawImage(
            QRectF(0, 0, width(), height()), m_picture,
            QRectF(m_view.offset().x * sx, m_view.offset().y * sy, width() * sx, height() * sy));
        painter.setPen(QColor::fromRgba(DotLook::kDotOutline));
        painter.setBrush(QColor::fromRgba(DotLook::kDotFill));
        for (const MapDot& dot : demoDots()) {
            const PicturePoint p = m_view.screenPoint(dot.point);
            painter.drawEllipse(QPoint(p.x, p.y), DotLook::kDotRadius, DotLook::kDotRadius);
        }
    }

private:
    QImage m_picture;
    MapViewTransform m_view;
};

void BM_NaiveMapZoomFrame50kEveryDot(benchmark::State& state) {
    spawn::bench::benchApplication();
    NaiveZoomedMap map(static_cast<int>(state.range(0)));
    map.show();
    int direction = 1;
    timeEachIteration(state, [&] {
        map.view().zoomStepsAbout(direction, kLargeMapWidth * 0.4, kLargeMapHeight * 0.6);
        direction = -direction;
        benchmark::DoNotOptimize(map.grab());
    });
    state.counters["zoom"] = map.view().zoom();
}
BENCHMARK(BM_NaiveMapZoomFrame50kEveryDot)->Arg(0)->Arg(10)->Arg(15)->Unit(benchmark::kMillisecond);

// The dot under the pointer at a zoom, through the grid: the pointer anywhere in the view.
void BM_DotUnderPointerZoomed50k(benchmark::State& state) {
    DotGrid grid;
    grid.build(437, 504, demoDots());
    MapViewTransform view(kLargeMapWidth, kLargeMapHeight);
    view.zoomStepsAbout(static_cast<int>(state.range(0)), kLargeMapWidth * 0.4, kLargeMapHeight * 0.6);
    std::mt19937 random(kClickSeed);
    std::uniform_int_distribution<std::int32_t> x(0, kLargeMapWidth - 1);
    std::uniform_int_distribution<std::int32_t> y(0, kLargeMapHeight - 1);
    std::vector<PicturePoint> points(4096);
    for (auto& p : points) {
        p = {x(random), y(random)};
    }
    std::size_t i = 0;
    std::int64_t hits = 0;
    for (auto _ : state) {
        const auto hit = grid.dotAt(points[i++ % points.size()], view);
        hits += hit ? 1 : 0;
        benchmark::DoNotOptimize(hit);
    }
    state.counters["hit_share"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
    state.counters["zoom"] = view.zoom();
}
BENCHMARK(BM_DotUnderPointerZoomed50k)->Arg(0)->Arg(6)->Arg(10)->Arg(16)->Unit(benchmark::kMicrosecond);

} // namespace
