#include "ElementBytes.h"
#include "ProblemBytes.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"

#include "ProblemsWindow.h"
#include "RecordEditor.h"
#include "SpawnEditorWindow.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using namespace spawn;
using namespace spawn::testing;

namespace {

// Records 1 and 2 are the same area of creature 16; record 3 has four entries of creature 321, the
// last with Total--> 0 (field 76, in the form's fifth column).
std::vector<std::uint8_t> windowFile() {
    const auto sixteen = areaBytes({{16, 1, 5}});
    return fileBytes(3, {sixteen, sixteen, areaBytes({{321, 1, 5}, {321, 1, 5}, {321, 1, 5}, {321, 0, 5}})});
}

constexpr int kZeroCountField = 20 + 3 * 18 + 2;

struct EditorWithProblems {
    EditorWithProblems() {
        writeBytes(dir.file("mobset.data"), windowFile());
        writeBytes(dir.file("elements.data"), problemDatabaseBytes());
    }
    bool startShown() {
        if (!window.initialise(dir.path().string())) {
            return false;
        }
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    const TempFolder dir;
    ScriptedDialogs dialogs;
    SpawnEditorWindow window{&dialogs};
};

template <class T> T* control(QWidget& window, int id) {
    return window.findChild<T*>(QString::number(id));
}

// A double-click as a user makes it: the first click lands before the second comes as a double.
void doubleClickRow(QTableView& list, int row) {
    const QPoint centre = list.visualRect(list.model()->index(row, 0)).center();
    QTest::qWait(QApplication::doubleClickInterval() + 1); // apart from any click before
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
}

void clickRow(QTableView* list, int row) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

QStringList rowsOf(QTableView& list) {
    QStringList rows;
    const QAbstractItemModel* model = list.model();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c) {
            cells << model->index(r, c).data().toString();
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class ProblemsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void theListsMenuAndCtrlPOpenTheWindowWhichFollowsApplyRemoveAndUndo();
    void doubleClickShowsTheHiddenRecordAndFocusesTheFieldScrolledIntoView();
};

void ProblemsWindowTest::theListsMenuAndCtrlPOpenTheWindowWhichFollowsApplyRemoveAndUndo() {
    EditorWithProblems editor;
    QVERIFY(editor.startShown());
    auto& window = editor.window;
    auto* recordList = control<QTableView>(window, 1000);

    // The list's context menu offers the window, with its key.
    QString offered;
    QTimer::singleShot(0, [&offered] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* action : menu->actions()) {
                offered +=
                    action->text() + QLatin1Char('\t') + action->shortcut().toString() + QLatin1Char(';');
            }
            menu->close();
        }
    });
    emit recordList->customContextMenuRequested(QPoint(5, 5));
    QVERIFY2(offered.contains(QString::fromUtf8("Problems…\tCtrl+P;")), qPrintable(offered));
    QCOMPARE(window.problemsWindow(), nullptr);

    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    ProblemsWindow* problems = window.problemsWindow();
    QVERIFY(problems != nullptr);
    QVERIFY(problems->isVisible());
    QCOMPARE(problems->windowTitle(), QStringLiteral("Problems (2 problems)"));
    QCOMPARE(rowsOf(problems->list()),
             QStringList({QStringLiteral("2||the same bytes as record 1"),
                          QStringLiteral("3|Total-->:|entry 4: Total--> is 0: nothing spawns")}));

    // Apply with record 2 changed: the duplicate is gone.
    clickRow(recordList, 1);
    auto* total = control<QLineEdit>(window, 2820 + 22);
    QVERIFY(total != nullptr);
    total->setFocus();
    total->selectAll();
    QTest::keyClicks(total, QStringLiteral("2"));
    QTest::mouseClick(control<QPushButton>(window, 1004), Qt::LeftButton);
    QCOMPARE(problems->windowTitle(), QStringLiteral("Problems (1 problem)"));

    // Remove record 1: the zero count moves up to record 2.
    clickRow(recordList, 0);
    QTest::mouseClick(control<QPushButton>(window, 1021), Qt::LeftButton);
    QCOMPARE(rowsOf(problems->list()),
             QStringList({QStringLiteral("2|Total-->:|entry 4: Total--> is 0: nothing spawns")}));

    // Undo both: the list is as it was at the start.
    window.editor().undo();
    window.editor().undo();
    QCOMPARE(problems->windowTitle(), QStringLiteral("Problems (2 problems)"));
    QCOMPARE(rowsOf(problems->list()).first(), QStringLiteral("2||the same bytes as record 1"));
    window.hide();
}

void ProblemsWindowTest::doubleClickShowsTheHiddenRecordAndFocusesTheFieldScrolledIntoView() {
    EditorWithProblems editor;
    QVERIFY(editor.startShown());
    auto& window = editor.window;
    auto* recordList = control<QTableView>(window, 1000);

    // A search for creature 16 hides record 3.
    control<QLineEdit>(window, 1009)->setText(QStringLiteral("16"));
    QTest::mouseClick(control<QPushButton>(window, 1010), Qt::LeftButton);
    QCOMPARE(recordList->model()->rowCount(), 2);

    window.openProblems();
    QTableView& list = window.problemsWindow()->list();
    doubleClickRow(list, 1);

    // Back in the full view, record 3's row marked and its fields in the form.
    QCOMPARE(recordList->model()->rowCount(), 3);
    QCOMPARE(recordList->selectionModel()->selectedRows().value(0).row(), 2);
    QCOMPARE(window.editor().form().fieldCount(), std::size_t{20 + 4 * 18});
    QCOMPARE(window.editor().form().text(kZeroCountField), std::string("0"));

    // The field's box has the focus and lies whole inside the form's frame.
    auto* box = control<QLineEdit>(window, 2820 + kZeroCountField);
    QVERIFY(box != nullptr);
    QCOMPARE(window.focusWidget(), box);
    QVERIFY(control<QScrollBar>(window, 1002)->value() > 0);
    auto* frame = control<QWidget>(window, 1001);
    const QRect boxInFrame(box->mapTo(frame, QPoint(0, 0)), box->size());
    QVERIFY2(frame->contentsRect().contains(boxInFrame),
             qPrintable(QStringLiteral("%1,%2").arg(boxInFrame.left()).arg(boxInFrame.right())));

    // The duplicate's row shows record 2; without a field the form only shows the record.
    doubleClickRow(list, 0);
    QCOMPARE(recordList->selectionModel()->selectedRows().value(0).row(), 1);
    QCOMPARE(window.editor().form().fieldCount(), std::size_t{20 + 18});
    window.hide();
}

QTEST_MAIN(ProblemsWindowTest)
#include "ProblemsWindowTest.moc"
