#include "SpawnBytes.h"

#include "RecordListModel.h"
#include "SpawnDocument.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace spawn;
using namespace spawn::testing;

namespace {

SpawnFile fileOf(std::initializer_list<std::pair<std::int32_t, std::int32_t>> entriesAndIds) {
    SpawnFile file;
    for (const auto& [entries, id] : entriesAndIds) {
        file.records.append(SpawnRecord::fromBytes(recordBytes(entries, id)).value());
    }
    file.context.setRecordCountWord(file.records.count());
    return file;
}

QString cell(const RecordListModel& model, int row, int column) {
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

} // namespace

TEST(RecordListModelTest, RowsShowNumberIdEntriesAndNameOfEachRecord) {
    SpawnDocument document;
    RecordListView view(document);
    RecordListModel model(view);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    document.load(fileOf({{1, 16}, {0, 0}, {100, 9}}), "x");

    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(cell(model, 0, 0), "1");
    EXPECT_EQ(cell(model, 0, 1), "16");
    EXPECT_EQ(cell(model, 0, 2), "1");
    EXPECT_EQ(cell(model, 0, 3), QString::fromUtf8("没有找到！"));
    EXPECT_EQ(cell(model, 1, 1), "0");
    EXPECT_EQ(cell(model, 2, 0), "3");
    EXPECT_EQ(cell(model, 2, 2), "100");
    EXPECT_FALSE(model.data(model.index(3, 0), Qt::DisplayRole).isValid());
}

TEST(RecordListModelTest, HeadersAreTheFourColumnTitles) {
    SpawnDocument document;
    RecordListView view(document);
    const RecordListModel model(view);
    QStringList titles;
    for (int c = 0; c < model.columnCount(); ++c) {
        titles << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    EXPECT_EQ(titles, (QStringList{"Num.", "ID", "----", "Name"}));
}

TEST(RecordListModelTest, DocumentChangesReachTheRows) {
    SpawnDocument document;
    RecordListView view(document);
    RecordListModel model(view);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    document.load(fileOf({{1, 16}, {1, 17}}), "x");
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    document.replaceRecord(2, SpawnRecord::fromBytes(recordBytes(4, 99)).value());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex().row(), 1);
    EXPECT_EQ(cell(model, 1, 1), "99");
    EXPECT_EQ(cell(model, 1, 2), "4");

    document.removeRecord(1);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(cell(model, 0, 0), "1");
    EXPECT_EQ(cell(model, 0, 1), "99");
}
