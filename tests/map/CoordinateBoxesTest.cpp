#include "CoordinateBoxes.h"
#include "MapView.h"

#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtEndian>
#include <QtTest>

#include <array>
#include <clocale>
#include <cmath>

using namespace spawn;

namespace {

enum Box { WorldX, WorldY, WorldZ, MapX, MapY, MapHeight };

// Counts the children added to the map: each marker placement adds exactly one.
class ChildCounter : public QObject {
public:
    int added = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ChildAdded) {
            ++added;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The part of the main window that matters here: the map and the six boxes, shown offscreen.
struct Window {
    ChildCounter placements; // declared first: it outlives the map it watches
    QWidget widget;
    std::array<QLineEdit*, kCoordinateBoxCount> boxes{};
    MapView* map = nullptr;
    CoordinateBoxes* coords = nullptr;

    Window() {
        auto* layout = new QHBoxLayout(&widget);
        map = new MapView(&widget);
        layout->addWidget(map);
        auto* column = new QVBoxLayout;
        layout->addLayout(column);
        for (auto& box : boxes) {
            box = new QLineEdit(&widget);
            column->addWidget(box);
        }
        map->installEventFilter(&placements);
        coords = new CoordinateBoxes(boxes, map, &widget);
        widget.show();
        static_cast<void>(QTest::qWaitForWindowExposed(&widget));
    }

    QStringList texts() const {
        QStringList out;
        for (const auto* box : boxes) {
            out << box->text();
        }
        return out;
    }

    // Replaces the whole text of a box by typing, key by key.
    void type(Box box, const QString& keys) {
        boxes[box]->selectAll();
        QTest::keyClicks(boxes[box], keys);
    }
};

bool isMarkerRed(QRgb pixel) {
    return qRed(pixel) > 180 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

} // namespace

class CoordinateBoxesTest : public QObject {
    Q_OBJECT

private slots:
    void picturesLoadFromTheLinkedResources() {
        QFile file(MapResources::kWorldMap);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(54);
        QCOMPARE(header.left(2), QByteArray("BM"));
        QCOMPARE(qFromLittleEndian<qint32>(header.constData() + 18), 437);
        QCOMPARE(qFromLittleEndian<qint32>(header.constData() + 22), 504);
        QCOMPARE(qFromLittleEndian<quint16>(header.constData() + 28), quint16{24});
        QCOMPARE(qFromLittleEndian<quint32>(header.constData() + 30), quint32{0}); // uncompressed

        const QImage marker(MapResources::kMarkerIcon);
        QCOMPARE(marker.size(), QSize(128, 128));
        QVERIFY(isMarkerRed(marker.pixel(64, 64)));
        const QRgb rim = marker.pixel(64, 1);
        QVERIFY(qRed(rim) < 60 && qAlpha(rim) > 0);
        QVERIFY(!QImage(MapResources::kAppIcon).isNull());
    }

    void newWindowShowsZeroEverywhereAndNoMarker() {
        const Window w;
        QCOMPARE(w.map->objectName(), QString("1024"));
        QCOMPARE(w.map->size(), QSize(437, 504));
        QCOMPARE(w.texts(), QStringList({"0", "0", "0", "0", "0", "0"}));
        QCOMPARE(w.map->marker(), nullptr);
        QCOMPARE(w.placements.added, 0);
        QVERIFY(w.coords->state() == CoordinateState{});
    }

    // The line edits wired to the controller (whose rules CoordinateBoxControllerTest walks): each
    // row types `keys` into an emptied box, one key at a time, checks the six boxes after every key
    // (`during`, one line of six texts per key), then presses Enter and checks the box's own text
    // and where the marker ended.
    void typedTextStaysUntilEditingFinishes_data() {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("during");
        QTest::addColumn<QString>("finished");
        QTest::addColumn<QPoint>("markerCentre");
        QTest::newRow("negative world X") << int{WorldX} << QString("-2500")
                                          << QStringList{"- 0 0 400 0 0", "-2 0 0 400 0 0", "-25 0 0 398 0 0",
                                                         "-250 0 0 375 0 0", "-2500 0 0 150 0 0"}
                                          << QString("-2500") << QPoint(81, 504);
        QTest::newRow("trailing zero and point go on finishing")
            << int{WorldX} << QString("12.50")
            << QStringList{"1 0 0 400 0 0", "12 0 0 401 0 0", "12. 0 0 401 0 0", "12.5 0 0 401 0 0",
                           "12.50 0 0 401 0 0"}
            << QString("12.5") << QPoint(219, 504);
        QTest::newRow("lone minus in map X becomes 0")
            << int{MapX} << QString("-") << QStringList{"-4000 0 0 - 0 0"} << QString("0") << QPoint(0, 504);
    }

    void typedTextStaysUntilEditingFinishes() {
        QFETCH(int, box);
        QFETCH(QString, keys);
        QFETCH(QStringList, during);
        QFETCH(QString, finished);
        QFETCH(QPoint, markerCentre);
        QCOMPARE(during.size(), keys.size());
        Window w;
        QLineEdit* edit = w.boxes[static_cast<std::size_t>(box)];
        edit->selectAll();
        for (qsizetype k = 0; k < keys.size(); ++k) {
            QTest::keyClick(edit, keys[k].toLatin1());
            QCOMPARE(w.texts().join(' '), during[k]);
            QCOMPARE(w.placements.added, k + 1);
        }
        const CoordinateState typed = w.coords->state();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), finished);
        QCOMPARE(edit->cursorPosition(), finished.size()); // the caret set with the text stays at the end
        QVERIFY(w.coords->state() == typed); // finishing changes no member and places no marker
        QCOMPARE(w.placements.added, keys.size());
        const QRect marker = w.map->marker()->geometry();
        QCOMPARE(marker.topLeft() + QPoint(MapGrid::kMarkerHalfSize, MapGrid::kMarkerHalfSize), markerCentre);
    }

    void leavingABoxRewritesItAndNothingElse() {
        Window w;
        w.widget.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.widget));
        w.boxes[WorldX]->setFocus();
        w.type(WorldX, "abc");
        QCOMPARE(w.texts(), QStringList({"abc", "0", "0", "400", "0", "0"}));
        QCOMPARE(w.placements.added, 3);

        w.boxes[MapY]->setFocus();
        QCOMPARE(w.texts(), QStringList({"0", "0", "0", "400", "0", "0"}));
        QCOMPARE(w.placements.added, 3);
        // The box now typed in keeps its text in turn; the one left stays rewritten.
        w.type(MapY, "-");
        QCOMPARE(w.texts(), QStringList({"0", "0", "-5500", "400", "-", "0"}));
        QCOMPARE(w.coords->state().worldZ, -5500.0f);
    }

    void setWorldPositionLeavesEqualBoxesAloneAndRunsNoHandler() {
        Window w;
        w.boxes[WorldY]->selectAll();
        w.coords->setWorldPosition(5, 0, 1234.5677490234375);
        QCOMPARE(w.texts(), QStringList({"5", "0", "1234.57", "400", "673", "0"}));
        // Box 1013 already showed 0 and was not written, which would have dropped its selection.
        QCOMPARE(w.boxes[WorldY]->selectedText(), QString("0"));
        QVERIFY(w.coords->state() == worldPositionState(5, 0, 1234.5677490234375));
        QCOMPARE(w.coords->state().worldZ, 1234.5677490234375f);
        QCOMPARE(w.placements.added, 1);
    }

    void otherCodeChangingABoxRunsItsHandler() {
        Window w;
        w.boxes[MapX]->setText("523");
        QCOMPARE(w.boxes[WorldX]->text(), QString("1230"));
        QCOMPARE(w.coords->state().worldX, 1230.0f);
        QCOMPARE(w.placements.added, 1);
    }

    void markerIsAnEightPixelRedSquareCentredOnThePosition() {
        Window w;
        w.coords->setWorldPosition(0, 0, 0);
        QLabel* marker = w.map->marker();
        QVERIFY(marker != nullptr);
        QCOMPARE(marker->objectName(), QString("1820"));
        QCOMPARE(marker->parentWidget(), w.map);
        QCOMPARE(marker->geometry(), QRect(214, 248, 8, 8));
        QVERIFY(marker->isVisible());

        const QImage shown = w.map->grab().toImage();
        for (const QPoint p : {QPoint(214, 248), QPoint(218, 252), QPoint(221, 255)}) {
            QVERIFY2(isMarkerRed(shown.pixel(p)), qPrintable(QString("pixel %1,%2").arg(p.x()).arg(p.y())));
        }
        QVERIFY(!isMarkerRed(shown.pixel(213, 252)));
        QVERIFY(!isMarkerRed(shown.pixel(222, 252)));
    }

    void markerInTheTopRightCornerShowsOnlyAQuarterAndReplacesTheOldOne() {
        Window w;
        w.coords->setWorldPosition(0, 0, 0);
        w.type(WorldX, "4000");
        w.type(WorldZ, "5500");
        QCOMPARE(w.coords->state().mapX, 800);
        QCOMPARE(w.coords->state().mapY, 1100);
        QLabel* marker = w.map->marker();
        QCOMPARE(marker->geometry(), QRect(433, -4, 8, 8));
        QCOMPARE(marker->visibleRegion().boundingRect(), QRect(0, 4, 4, 4));
        QCOMPARE(w.map->findChildren<QLabel*>("1820").size(), 1);
        QCOMPARE(w.placements.added, 1 + 4 + 4);
    }

    void boxesReadAndWriteAPointUnderAGermanLocale() {
        // ctest starts this test with LC_ALL=de_DE.UTF-8, which the application applies.
        if (std::localeconv()->decimal_point != QByteArray(",")) {
            QSKIP("the locale de_DE.UTF-8 is not installed");
        }
        Window w;
        w.boxes[WorldX]->selectAll();
        w.boxes[WorldX]->insert("1234.5");
        QCOMPARE(w.texts(), QStringList({"1234.5", "0", "0", "523", "0", "0"}));
        w.coords->setWorldPosition(0.25, 1234567, 0);
        QCOMPARE(w.texts(), QStringList({"0.25", "1.23457e+06", "0", "400", "550", "123456"}));
    }
};

QTEST_MAIN(CoordinateBoxesTest)
#include "CoordinateBoxesTest.moc"
