// The main window's map at work: the window growing, its place remembered, zoom and pan, moving
// an area by dragging its dot, and a rectangle gathering areas into the list.

#include "ElementBytes.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "CoordinateConversion.h"
#include "DialogUnits.h"
#include "MapView.h"
#include "NumberText.h"
#include "RecordEditor.h"
#include "SpawnEditorWindow.h"
#include "SpawnFile.h"
#include "SpawnLayout.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>
#include <QToolTip>
#include <QtTest>

#include <bit>
#include <map>

using namespace spawn;
using namespace spawn::testing;

namespace {

// An area at world X, Z with one entry of creature `id`, roaming `range` world units both ways.
std::vector<std::uint8_t> areaAt(float x, float z, std::int32_t id, float range = 0.0f) {
    std::vector<std::uint8_t> bytes = recordBytes(1, id);
    writeI32At(bytes, SpawnLayout::kPositionXOffset, std::bit_cast<std::int32_t>(x));
    writeI32At(bytes, SpawnLayout::kPositionYOffset, std::bit_cast<std::int32_t>(25.5f));
    writeI32At(bytes, SpawnLayout::kPositionZOffset, std::bit_cast<std::int32_t>(z));
    writeI32At(bytes, SpawnLayout::kRangeXOffset, std::bit_cast<std::int32_t>(range));
    writeI32At(bytes, SpawnLayout::kRangeZOffset, std::bit_cast<std::int32_t>(range));
    return bytes;
}

// Record 1 at the origin, 2 and 3 close together north-east of it (one map pixel apart, so that
// only zoomed in are they two dots), 4 far to the south-west.
struct EditorOnMapWorld {
    EditorOnMapWorld() {
        writeBytes(dir.file("mobset.data"),
                   fileBytes(4, {areaAt(0, 0, 16), areaAt(1234.5f, 1234.5f, 321, 40.0f),
                                 areaAt(1244.5f, 1234.5f, 7), areaAt(-2000, -3000, 16)}));
        ElementBytes db;
        db.npcs = {{7, utf16(u"Ferryman")}, {321, utf16(u"Marsh Heron")}};
        writeBytes(dir.file("elements.data"), db.build());
    }
    bool startShown() {
        if (!window.initialise(dir.path().string())) {
            return false;
        }
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    std::vector<std::uint8_t> bytes() {
        return serializeSpawnFile(window.document().context(), window.document().records());
    }
    MapView* map() { return window.findChild<MapView*>(QStringLiteral("1024")); }
    QString text(int id) { return window.findChild<QLineEdit*>(QString::number(id))->text(); }
    // Where the dot of the record at `position` is on screen now.
    QPoint dotOf(std::int32_t position) {
        const DotGrid& dots = map()->dots();
        const auto index = dots.indexOfPosition(position);
        if (!index) {
            return {-100, -100};
        }
        const PicturePoint at = map()->view().screenPoint(dots.mapPointOf(*index));
        return {at.x, at.y};
    }

    const TempFolder dir;
    ScriptedDialogs dialogs;
    SpawnEditorWindow window{&dialogs};
};

void wheel(QWidget* widget, QPoint at, int notches) {
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, notches * MapGesture::kWheelNotch),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// A press at `from`, moves through `path` with the button held, and a release at the last point.
void drag(QWidget* widget, Qt::MouseButton button, QPoint from, std::initializer_list<QPoint> path,
          Qt::KeyboardModifiers modifiers = {}) {
    QTest::mousePress(widget, button, modifiers, from);
    QPoint last = from;
    for (const QPoint to : path) {
        QMouseEvent move(QEvent::MouseMove, to, widget->mapToGlobal(to), Qt::NoButton, button, modifiers);
        QApplication::sendEvent(widget, &move);
        last = to;
    }
    QTest::mouseRelease(widget, button, modifiers, last);
}

// The same with the left button, through the window as the system delivers it: each event goes to
// the widget under the pointer (a child such as the marker too), the press's widget keeps the rest.
void dragInWindow(QWidget* widget, QPoint from, std::initializer_list<QPoint> path) {
    QWindow* window = widget->window()->windowHandle();
    const auto inWindow = [widget](QPoint at) { return widget->mapTo(widget->window(), at); };
    QTest::mousePress(window, Qt::LeftButton, {}, inWindow(from));
    QPoint last = from;
    for (const QPoint to : path) {
        QTest::mouseMove(window, inWindow(to));
        last = to;
    }
    QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow(last));
}

void clickInWindow(QWidget* widget, QPoint at) {
    dragInWindow(widget, at, {});
}

float floatAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return std::bit_cast<float>(readI32At(bytes, offset));
}

// Where record 2 of the map world starts in the file's bytes.
constexpr std::size_t kSecondRecord = SpawnLayout::kPrefixSize + SpawnLayout::recordSize(1);

std::map<QString, QRect> geometries(QWidget& window) {
    std::map<QString, QRect> out;
    int unnamed = 0;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QString name = child->objectName().isEmpty()
                                 ? QStringLiteral("%1 %2")
                                       .arg(QString::fromLatin1(child->metaObject()->className()))
                                       .arg(unnamed++)
                                 : child->objectName();
        out[name] = child->geometry();
    }
    return out;
}

} // namespace

class MapWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void firstSizeIsTheDialogUnitLayoutAndALargerWindowGivesItsRoomToTheListAndTheMap();
    void windowSizeAndPlaceAreRememberedBetweenRuns();
    void zoomedMapPicksDotsEntersExactMapPixelsAndNamesTheDotUnderThePointer();
    void draggedDotMovesItsAreaAsOneStepUnlessEscapedOrBarelyMoved();
    void dragAtFullZoomMovesByThePointersWorldDistanceAlongEachAxisAlone();
    void removedAreaLeavesNoRingPressOrDragBehindAndAnyDotCanBeDragged();
    void shiftDragListsTheAreasInsideAsHitsAndShowsOnlyTheirDots();
};

void MapWindowTest::initTestCase() {
    // The window remembers its place in the user's settings: never in the real ones here.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("spawn-editor-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("map-window-test"));
    QSettings().clear();
}

void MapWindowTest::firstSizeIsTheDialogUnitLayoutAndALargerWindowGivesItsRoomToTheListAndTheMap() {
    SpawnEditorWindow window(nullptr);
    const auto first = geometries(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(902, 726));
    QCOMPARE(window.minimumSize(), window.size());
    QVERIFY(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    QCOMPARE(geometries(window), first); // shown at the first size, nothing moved
    // Every control as placed in dialog units, the picture at its own size.
    const std::map<QString, QRect> placed = {
        {"1000", unitsToPixels(12, 38, 137, 95)},
        {"1001", unitsToPixels(12, 152, 269, 273)},
        {"1004", unitsToPixels(161, 100, 119, 14)},
        {"1012", unitsToPixels(327, 372, 61, 12)},
        {"1018", unitsToPixels(426, 405, 61, 12)},
        {"1020", unitsToPixels(291, 425, 110, 15)},
        {"1025", unitsToPixels(296, 340, 60, 12)},
        {"1024", QRect(unitsToPixels(296, 19, 0, 0).topLeft(), QSize(437, 504))},
        {"ShowRanges", unitsToPixels(360, 340, 60, 12)}};
    for (const auto& [name, rect] : placed) {
        QCOMPARE(first.at(name), rect);
    }

    window.resize(902 + 400, 726 + 300);
    const auto large = geometries(window);
    QCOMPARE(large.at("1000"), first.at("1000").adjusted(0, 0, 0, 300)); // the list grows down
    QCOMPARE(large.at("1001"), first.at("1001").translated(0, 300));     // the form moves down
    QCOMPARE(large.at("1004"), first.at("1004"));                        // the buttons stay
    QCOMPARE(large.at("1012"), first.at("1012").translated(0, 300));     // the boxes follow the bottom
    // The picture fills 837 x 804 pixels as far as its aspect ratio lets it: 697 x 804, centred.
    QCOMPARE(large.at("1024"), QRect(444 + 70, 31, 697, 804));
    QCOMPARE(large.at("1025"), first.at("1025").translated(0, 300));
    QCOMPARE(large.at("ShowRanges"), first.at("ShowRanges").translated(0, 300));
    auto* map = window.findChild<MapView*>(QStringLiteral("1024"));
    QCOMPARE(map->view().zoom(), 1.0); // the whole map, scaled to the larger picture
    QCOMPARE(map->view().screenPoint({800, 1100}), (PicturePoint{697, 804}));
    for (const auto& [name, rect] : large) {
        QVERIFY2(QRect(QPoint(0, 0), window.size()).contains(rect) || rect.isEmpty(), qPrintable(name));
    }

    window.resize(902, 726);
    QCOMPARE(geometries(window), first);
    window.hide();
}

void MapWindowTest::windowSizeAndPlaceAreRememberedBetweenRuns() {
    QSettings().clear();
    {
        SpawnEditorWindow window(nullptr);
        window.restorePlacement(); // nothing remembered yet: the first size
        QCOMPARE(window.size(), QSize(902, 726));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setGeometry(QRect(130, 90, 1111, 888));
        window.reject(); // nothing unsaved: closes; the program then remembers where it was
        QVERIFY(!window.isVisible());
        window.savePlacement();
    }
    QVERIFY(QSettings().contains(QString::fromLatin1(WindowSettings::kGeometryKey)));
    SpawnEditorWindow again(nullptr);
    again.restorePlacement();
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.geometry(), QRect(130, 90, 1111, 888));
    QCOMPARE(again.findChild<QWidget*>(QStringLiteral("1000"))->height(),
             unitsToPixels(12, 38, 137, 95).height() + 888 - 726);
    again.hide();
    QSettings().clear();
}

void MapWindowTest::zoomedMapPicksDotsEntersExactMapPixelsAndNamesTheDotUnderThePointer() {
    EditorOnMapWorld editor;
    QVERIFY(editor.startShown());
    MapView* map = editor.map();
    auto* list = editor.window.findChild<QTableView*>(QStringLiteral("1000"));

    // Unzoomed, records 2 and 3 share a pixel and a click there picks record 2.
    QCOMPARE(editor.dotOf(2), editor.dotOf(3) - QPoint(1, 0));
    const QPoint pair = editor.dotOf(2);
    const double column = map->view().columnAt(pair.x());
    const double row = map->view().rowAt(pair.y());
    wheel(map, pair, 13); // about 18 x, about the pair
    QVERIFY(qAbs(map->view().zoom() - std::pow(MapZoom::kStep, 13)) < 1e-9);
    // The map position under the pointer stays there, within half a screen pixel.
    QVERIFY(qAbs(map->view().columnAt(pair.x()) - column) * map->view().pixelsPerColumn() <= 0.5);
    QVERIFY(qAbs(map->view().rowAt(pair.y()) - row) * map->view().pixelsPerRow() <= 0.5);
    QVERIFY(editor.dotOf(3).x() - editor.dotOf(2).x() >= 9); // one map pixel apart, now two dots
    QTest::mouseClick(map, Qt::LeftButton, {}, editor.dotOf(3) + QPoint(2, 2));
    QVERIFY(list->selectionModel()->isRowSelected(2));
    QCOMPARE(editor.text(1012), QStringLiteral("1244.5"));
    // The marker follows the zoom: it sits on the dot.
    QCOMPARE(map->marker()->geometry().topLeft(), editor.dotOf(3) - QPoint(4, 4));

    // Bare map: the map pixel under the click, exactly, at this zoom and after a pan.
    const PicturePoint columnStart = map->view().screenPoint({530, 1100 - 670});
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(columnStart.x, columnStart.y));
    QCOMPARE(editor.text(1017), QStringLiteral("530"));
    QCOMPARE(editor.text(1018), QStringLiteral("670"));
    const PicturePoint before = map->view().offset();
    drag(map, Qt::RightButton, QPoint(200, 200), {QPoint(230, 190), QPoint(260, 180)});
    QCOMPARE(map->view().offset(), (PicturePoint{before.x - 60, before.y + 20}));
    // The map pixel at the view's centre after the pan, clicked on its last screen pixel.
    const MapPoint centre = map->view().mapPointAt({218, 252});
    const PicturePoint nextStarts = map->view().screenPoint({centre.column + 1, centre.rowFromTop + 1});
    QVERIFY(nextStarts.x - map->view().screenPoint(centre).x >= 9); // several screen pixels wide
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(nextStarts.x - 1, nextStarts.y - 1));
    QCOMPARE(editor.text(1017), QString::number(centre.column));
    QCOMPARE(editor.text(1018), QString::number(MapGrid::kRows - centre.rowFromTop));

    // The tooltip names the dot's area.
    QHelpEvent help(QEvent::ToolTip, editor.dotOf(2), map->mapToGlobal(editor.dotOf(2)));
    QApplication::sendEvent(map, &help);
    QCOMPARE(QToolTip::text(),
             QStringLiteral("Area 2\nCreature 321 Marsh Heron\nEntries 1\nX 1234.5  Y 25.5  Z 1234.5"));
    QToolTip::hideText();

    // "-" and "+" zoom about the centre, Home goes back to the whole map.
    map->setFocus();
    const double zoom = map->view().zoom();
    QTest::keyClick(map, Qt::Key_Minus);
    QVERIFY(qAbs(map->view().zoom() - zoom / MapZoom::kStep) < 1e-9);
    QTest::keyClick(map, Qt::Key_Plus);
    QVERIFY(qAbs(map->view().zoom() - zoom) < 1e-9);
    QTest::keyClick(map, Qt::Key_Home);
    QCOMPARE(map->view().zoom(), 1.0);
    QCOMPARE(map->view().offset(), (PicturePoint{0, 0}));
    wheel(map, QPoint(10, 10), 40);
    QCOMPARE(map->view().zoom(), MapZoom::kMaximum);
    QTest::mouseDClick(map, Qt::MiddleButton, {}, QPoint(10, 10));
    QCOMPARE(map->view().zoom(), 1.0);
    QVERIFY(editor.window.isVisible());
    editor.window.hide();
}

void MapWindowTest::draggedDotMovesItsAreaAsOneStepUnlessEscapedOrBarelyMoved() {
    EditorOnMapWorld editor;
    QVERIFY(editor.startShown());
    MapView* map = editor.map();
    QAction* undo = editor.window.findChild<QAction*>(QStringLiteral("Undo"));
    const auto loaded = editor.bytes();
    wheel(map, editor.dotOf(2), 8); // about 6 x
    const QPoint dot = editor.dotOf(2);

    // A press and release, or a move of less than four pixels, picks the dot and moves nothing;
    // so does a drag that comes back within four pixels of the press.
    drag(map, Qt::LeftButton, dot, {dot + QPoint(2, 2), dot + QPoint(3, 0)});
    QCOMPARE(editor.text(1012), QStringLiteral("1234.5"));
    drag(map, Qt::LeftButton, dot, {dot + QPoint(9, 0), dot + QPoint(2, 2)});
    QCOMPARE(editor.bytes(), loaded);
    QVERIFY(!undo->isEnabled());
    // Escape during a drag puts it back, and the window stays open.
    QTest::mousePress(map, Qt::LeftButton, {}, dot);
    QMouseEvent move(QEvent::MouseMove, dot + QPoint(40, 30), map->mapToGlobal(dot + QPoint(40, 30)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(map, &move);
    QTest::keyClick(map, Qt::Key_Escape);
    QTest::mouseRelease(map, Qt::LeftButton, {}, dot + QPoint(40, 30));
    QCOMPARE(editor.bytes(), loaded);
    QVERIFY(editor.window.isVisible());

    // Dropped: X and Z move by the world distance between the map positions under the press and
    // the drop, nothing else changes.
    const QPoint press = dot + QPoint(1, -1);
    const QPoint drop = press + QPoint(-70, 45);
    dragInWindow(map, press, {press + QPoint(5, 0), press + QPoint(-30, 20), drop});
    const double movedX = (map->view().columnAt(drop.x()) - map->view().columnAt(press.x())) * 10;
    const double movedZ = (map->view().rowAt(press.y()) - map->view().rowAt(drop.y())) * 10;
    const auto worldX = static_cast<float>(1234.5 + movedX);
    const auto worldZ = static_cast<float>(1234.5 + movedZ);
    auto expected = loaded;
    writeI32At(expected, kSecondRecord + SpawnLayout::kPositionXOffset, std::bit_cast<std::int32_t>(worldX));
    writeI32At(expected, kSecondRecord + SpawnLayout::kPositionZOffset, std::bit_cast<std::int32_t>(worldZ));
    QCOMPARE(editor.bytes(), expected);
    QVERIFY(editor.bytes() != loaded);
    QCOMPARE(undo->text(), QStringLiteral("Undo Move record 2"));
    // The record is the one shown: the form, the boxes, the marker and the dot follow, the dot
    // within a map pixel of where the pointer let go.
    QCOMPARE(editor.text(1012), QString::fromStdString(formatGeneral6(static_cast<double>(worldX))));
    QCOMPARE(editor.text(1014), QString::fromStdString(formatGeneral6(static_cast<double>(worldZ))));
    QCOMPARE(editor.window.findChild<QLineEdit*>(QStringLiteral("2823"))->text(),
             QString::fromStdString(formatFixed18(static_cast<double>(worldX))));
    const QPoint movedDot = editor.dotOf(2) - (dot - press);
    QVERIFY(qAbs(movedDot.x() - drop.x()) <= map->view().pixelsPerColumn() + 1);
    QVERIFY(qAbs(movedDot.y() - drop.y()) <= map->view().pixelsPerRow() + 1);
    QCOMPARE(map->marker()->geometry().topLeft(), editor.dotOf(2) - QPoint(4, 4));

    undo->trigger();
    QCOMPARE(editor.bytes(), loaded);
    QCOMPARE(editor.dotOf(2), dot);
    QCOMPARE(editor.text(1012), QStringLiteral("1234.5"));
    editor.window.hide();
}

void MapWindowTest::dragAtFullZoomMovesByThePointersWorldDistanceAlongEachAxisAlone() {
    EditorOnMapWorld editor;
    QVERIFY(editor.startShown());
    MapView* map = editor.map();
    QAction* undo = editor.window.findChild<QAction*>(QStringLiteral("Undo"));
    wheel(map, editor.dotOf(2), 40);
    QCOMPARE(map->view().zoom(), MapZoom::kMaximum);
    const auto loaded = editor.bytes();
    const std::size_t x = kSecondRecord + SpawnLayout::kPositionXOffset;
    const std::size_t z = kSecondRecord + SpawnLayout::kPositionZOffset;

    // Ten pixels to the right: X grows by ten pixels' worth of world units at this zoom (well
    // under one map pixel's ten), and Z keeps its bytes.
    const QPoint dot = editor.dotOf(2);
    dragInWindow(map, dot, {dot + QPoint(5, 0), dot + QPoint(10, 0)});
    const double tenPixels = (map->view().columnAt(dot.x() + 10) - map->view().columnAt(dot.x())) * 10;
    QVERIFY(tenPixels > 5 && tenPixels < 6); // 32 x on a 437-pixel view of 800 columns
    auto expected = loaded;
    writeI32At(expected, x, std::bit_cast<std::int32_t>(static_cast<float>(1234.5 + tenPixels)));
    QCOMPARE(editor.bytes(), expected);
    QCOMPARE(undo->text(), QStringLiteral("Undo Move record 2"));

    // A drag that ends two pixels from its press, inside the same map pixel, changes nothing and
    // makes no step.
    undo->trigger();
    QVERIFY(!undo->isEnabled());
    dragInWindow(map, dot, {dot + QPoint(6, 0), dot + QPoint(2, 0)});
    QCOMPARE(editor.bytes(), loaded);
    QVERIFY(!undo->isEnabled());

    // Straight down: Z goes down the map by the rows crossed, X keeps its bytes.
    dragInWindow(map, dot, {dot + QPoint(0, 12)});
    const double down = (map->view().rowAt(dot.y()) - map->view().rowAt(dot.y() + 12)) * 10;
    QVERIFY(down < 0);
    expected = loaded;
    writeI32At(expected, z, std::bit_cast<std::int32_t>(static_cast<float>(1234.5 + down)));
    QCOMPARE(editor.bytes(), expected);
    QCOMPARE(floatAt(editor.bytes(), x), 1234.5f);
    editor.window.hide();
}

void MapWindowTest::removedAreaLeavesNoRingPressOrDragBehindAndAnyDotCanBeDragged() {
    EditorOnMapWorld editor;
    QVERIFY(editor.startShown());
    MapView* map = editor.map();
    QAction* undo = editor.window.findChild<QAction*>(QStringLiteral("Undo"));
    const auto click = [&editor](int id) {
        QTest::mouseClick(editor.window.findChild<QWidget*>(QString::number(id)), Qt::LeftButton);
    };

    // Show record 2, remove it and list every record: its ring goes, and the marker stays over
    // the dot of the area one map pixel away, now record 2.
    clickInWindow(map, editor.dotOf(2));
    QCOMPARE(editor.text(1012), QStringLiteral("1234.5"));
    click(1021);
    click(1016);
    QCOMPARE(editor.window.document().records().count(), 3);
    QVERIFY(!map->highlightedDot());
    const QPoint neighbour = editor.dotOf(2);
    QVERIFY(map->marker()->geometry().contains(neighbour));

    // A press on that dot, under the marker, picks it and the drag moves it.
    const auto removed = editor.bytes();
    dragInWindow(map, neighbour, {neighbour + QPoint(10, 0), neighbour + QPoint(30, 20)});
    QCOMPARE(editor.window.findChild<QLineEdit*>(QStringLiteral("2841"))->text(), QStringLiteral("7"));
    QCOMPARE(undo->text(), QStringLiteral("Undo Move record 2"));
    QVERIFY(editor.bytes() != removed);
    QVERIFY(floatAt(editor.bytes(), kSecondRecord + SpawnLayout::kPositionXOffset) > 1244.5f);
    // The next click on bare map goes into the boxes.
    const QPoint bare(40, 40);
    clickInWindow(map, bare);
    QCOMPARE(editor.text(1017), QString::number(map->view().mapPointAt({bare.x(), bare.y()}).column));

    // The area being dragged goes away midway (another record goes, and the positions move):
    // the drop moves nothing, and the click after it works.
    undo->trigger();
    const auto before = editor.bytes();
    QWindow* window = editor.window.windowHandle();
    const QPoint dot = map->mapTo(&editor.window, editor.dotOf(2));
    QTest::mousePress(window, Qt::LeftButton, {}, dot);
    QTest::mouseMove(window, dot + QPoint(20, 0));
    QVERIFY(editor.window.document().removeRecord(1));
    QTest::mouseRelease(window, Qt::LeftButton, {}, dot + QPoint(40, 0));
    auto expected = before; // without record 1, every other byte as it was
    expected.erase(expected.begin() + SpawnLayout::kPrefixSize,
                   expected.begin() + SpawnLayout::kPrefixSize + SpawnLayout::recordSize(1));
    writeI32At(expected, SpawnLayout::kLeadingBlockSize, 2);
    QCOMPARE(editor.bytes(), expected);
    QCOMPARE(undo->text(), QStringLiteral("Undo Remove record 1"));
    clickInWindow(map, bare + QPoint(10, 0));
    QCOMPARE(editor.text(1017), QString::number(map->view().mapPointAt({bare.x() + 10, bare.y()}).column));
    editor.window.hide();
}

void MapWindowTest::shiftDragListsTheAreasInsideAsHitsAndShowsOnlyTheirDots() {
    EditorOnMapWorld editor;
    QVERIFY(editor.startShown());
    MapView* map = editor.map();
    auto* list = editor.window.findChild<QTableView*>(QStringLiteral("1000"));
    auto* count = editor.window.findChild<QLabel*>(QStringLiteral("1005"));

    // Around the origin and the pair north-east of it, leaving out record 4.
    const QPoint corner = editor.dotOf(1) + QPoint(-3, 3);
    const QPoint opposite = editor.dotOf(3) + QPoint(3, -3);
    drag(map, Qt::LeftButton, corner, {corner + QPoint(10, -10), opposite}, Qt::ShiftModifier);
    QCOMPARE(count->text(), QString::fromUtf8("查找到 3 项"));
    QCOMPARE(list->model()->rowCount(), 3);
    QCOMPARE(list->model()->index(2, 3).data().toString(), QStringLiteral("Ferryman"));
    QCOMPARE(map->dots().dots().size(), std::size_t{3});
    QCOMPARE(editor.dotOf(4), QPoint(-100, -100));
    QVERIFY(!editor.window.findChild<QAction*>(QStringLiteral("Undo"))->isEnabled()); // nothing moved

    // Zoomed in, a rectangle tells the pair apart; a move of one of them keeps the list's view.
    wheel(map, editor.dotOf(2), 12);
    drag(map, Qt::LeftButton, editor.dotOf(3) + QPoint(-4, -4), {editor.dotOf(3) + QPoint(6, 6)},
         Qt::ShiftModifier);
    QCOMPARE(count->text(), QString::fromUtf8("查找到 1 项"));
    QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("7"));
    const QPoint dot = editor.dotOf(3);
    drag(map, Qt::LeftButton, dot, {dot + QPoint(20, 0)});
    QCOMPARE(editor.window.findChild<QAction*>(QStringLiteral("Undo"))->text(),
             QStringLiteral("Undo Move record 3"));
    editor.window.findChild<QAction*>(QStringLiteral("Undo"))->trigger();
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(count->text(), QString::fromUtf8("查找到 1 项"));

    // The gathered areas are found again after an area before them comes and goes.
    editor.window.editor().showAreaHits({3, 4});
    QVERIFY(editor.window.document().removeRecord(1));
    editor.window.editor().undo();
    editor.window.editor().redo(); // record 1 gone again: the two are now 2 and 3
    QCOMPARE(list->model()->rowCount(), 2);
    QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("7"));
    QCOMPARE(list->model()->index(1, 1).data().toString(), QStringLiteral("16"));
    QCOMPARE(map->dots().dots().size(), std::size_t{2});
    editor.window.hide();
}

QTEST_MAIN(MapWindowTest)
#include "MapWindowTest.moc"
