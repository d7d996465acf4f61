#include "ElementBytes.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "MapView.h"
#include "SpawnEditorWindow.h"
#include "SpawnLayout.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <bit>

using namespace spawn;
using namespace spawn::testing;

namespace {

// An area at world X, Z (on the map) with one entry of creature `id`.
std::vector<std::uint8_t> areaAt(float x, float z, std::int32_t id) {
    std::vector<std::uint8_t> bytes = recordBytes(1, id);
    writeI32At(bytes, SpawnLayout::kPositionXOffset, std::bit_cast<std::int32_t>(x));
    writeI32At(bytes, SpawnLayout::kPositionZOffset, std::bit_cast<std::int32_t>(z));
    return bytes;
}

template <class T> T* control(QWidget& window, int id) {
    return window.findChild<T*>(QString::number(id));
}

void click(QWidget& window, int id) {
    QTest::mouseClick(control<QPushButton>(window, id), Qt::LeftButton);
}

// Types over the text of form field j, as the user does.
void typeIntoField(QWidget& window, int j, const QString& text) {
    auto* box = control<QLineEdit>(window, 2820 + j);
    box->selectAll();
    QTest::keyClicks(box, text);
}

void clickRow(QTableView* list, int row) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class ChangedRecordsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void changedRecordsAreListedLikeASearchUntilTheNextSave();
};

void ChangedRecordsWindowTest::changedRecordsAreListedLikeASearchUntilTheNextSave() {
    const TempFolder dir;
    writeBytes(dir.file("mobset.data"),
               fileBytes(3, {areaAt(0, 0, 16), areaAt(1000, 1000, 17), areaAt(-1000, 2000, 18)}));
    ElementBytes db;
    db.npcs = {{16, utf16(u"Ferryman")}};
    writeBytes(dir.file("elements.data"), db.build());
    ScriptedDialogs dialogs;
    SpawnEditorWindow window(&dialogs);
    QVERIFY(window.initialise(dir.path().string()));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* list = control<QTableView>(window, 1000);
    auto* label = control<QLabel>(window, 1005);
    auto* mapView = control<MapView>(window, 1024);
    QAction* showChanged = window.findChild<QAction*>(QStringLiteral("ShowChangedRecords"));
    QVERIFY(showChanged);
    QCOMPARE(showChanged->text(), QStringLiteral("Show changed records"));
    auto column = [list](int row, int col) { return list->model()->index(row, col).data().toString(); };

    showChanged->trigger();
    QCOMPARE(label->text(), QString::fromUtf8("查找到 0 项"));
    QCOMPARE(list->model()->rowCount(), 0);
    QCOMPARE(mapView->dots().dots().size(), std::size_t{0});

    // Apply a new creature to record 2, add a copy of it as record 4, remove record 1.
    click(window, ControlId::kRefresh);
    clickRow(list, 1);
    typeIntoField(window, 21, QStringLiteral("77")); // the first creature's ID
    click(window, ControlId::kApply);
    click(window, ControlId::kNew);
    clickRow(list, 0);
    click(window, ControlId::kRemoveRecord);
    QCOMPARE(list->model()->rowCount(), 3);

    // Record 1 is gone, so the changed record 2 and the added one are now at 1 and 3.
    showChanged->trigger();
    QCOMPARE(label->text(), QString::fromUtf8("查找到 2 项"));
    QCOMPARE(list->model()->rowCount(), 2);
    QCOMPARE(column(0, 0), QStringLiteral("1"));
    QCOMPARE(column(0, 1), QStringLiteral("77"));
    QCOMPARE(column(1, 0), QStringLiteral("2"));
    QCOMPARE(column(1, 1), QStringLiteral("77"));
    QCOMPARE(mapView->dots().dots().size(), std::size_t{2});
    QVERIFY(mapView->dots().dotOfPosition(1).has_value());
    QVERIFY(mapView->dots().dotOfPosition(3).has_value());
    QVERIFY(!mapView->dots().dotOfPosition(2).has_value());
    // A click on a listed row shows that record.
    clickRow(list, 1);
    QCOMPARE(control<QLineEdit>(window, 2841)->text(), QStringLiteral("77"));

    // Saved, nothing differs from the file any more; an Apply after that is listed alone, and an
    // Undo while the list shows the changes lists them again.
    dialogs.saveAnswers = {dir.file("saved.data")};
    click(window, ControlId::kSave);
    showChanged->trigger();
    QCOMPARE(label->text(), QString::fromUtf8("查找到 0 项"));
    click(window, ControlId::kRefresh);
    clickRow(list, 2);
    typeIntoField(window, 21, QStringLiteral("88"));
    click(window, ControlId::kApply);
    showChanged->trigger();
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(column(0, 1), QStringLiteral("88"));
    QVERIFY(mapView->dots().dotOfPosition(3).has_value());
    window.findChild<QAction*>(QStringLiteral("Undo"))->trigger();
    QCOMPARE(label->text(), QString::fromUtf8("查找到 0 项"));
    QCOMPARE(list->model()->rowCount(), 0);
    QVERIFY(dialogs.messages.size() <= 1); // at most the save's confirmation
    window.hide();
}

QTEST_MAIN(ChangedRecordsWindowTest)
#include "ChangedRecordsWindowTest.moc"
