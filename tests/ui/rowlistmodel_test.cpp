// The list views over the workspace's RowLists: what the engine does to a
// RowList reaches the view on sync(); what the user does in the view reaches
// the RowList at once.
#include "ui/rowlistmodel.h"

#include <QItemSelectionModel>
#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tavlori;
using tavlori::ui::RowListModel;

namespace {

std::vector<std::string> numbered(int n)
{
    std::vector<std::string> rows;
    for (int i = 0; i < n; ++i)
        rows.push_back("row " + std::to_string(i));
    return rows;
}

} // namespace

class RowListModelTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        list_ = std::make_unique<RowList>();
        view_ = std::make_unique<QListView>();
        view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        view_->setUniformItemSizes(true);
        view_->resize(200, 10 * RowListModel::kRowHeight + 2 * view_->frameWidth());
        model_ = new RowListModel(*list_, view_.get());
        model_->attach(view_.get());
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    }
    void cleanup()
    {
        view_.reset();
        list_.reset();
    }

    void rowsReachTheViewOnSync()
    {
        list_->append("é.html");
        list_->append("b");
        QCOMPARE(model_->rowCount(), 0);
        model_->sync();
        QCOMPARE(model_->rowCount(), 2);
        QCOMPARE(model_->index(0).data().toString(), QStringLiteral("é.html"));
        QCOMPARE(model_->index(1).data(Qt::SizeHintRole).toSize().height(), 12);

        // Appending inserts; clearing and refilling resets.
        QSignalSpy inserted(model_, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(model_, &QAbstractItemModel::modelReset);
        list_->append("c");
        model_->sync();
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(reset.size(), 0);
        list_->clear();
        list_->append("x");
        model_->sync();
        QCOMPARE(reset.size(), 1);
        QCOMPARE(model_->rowCount(), 1);
        QCOMPARE(model_->index(0).data().toString(), QStringLiteral("x"));
    }

    void rowsGoneBeforeSyncDrawAsNothing()
    {
        list_->assign(numbered(5));
        model_->sync();
        list_->clear();
        QCOMPARE(model_->rowCount(), 5);
        QVERIFY(!model_->index(4).data().isValid());
    }

    // The engine's selection reaches the view as one range per run.
    void engineSelectionIsPushedAsRanges_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("ranges");
        QTest::newRow("none") << QList<int>{} << 0;
        QTest::newRow("one run") << QList<int>{2, 3, 4} << 1;
        QTest::newRow("two runs") << QList<int>{0, 5, 6} << 2;
        QTest::newRow("first and last") << QList<int>{0, 9} << 2;
    }
    void engineSelectionIsPushedAsRanges()
    {
        QFETCH(QList<int>, selected);
        QFETCH(int, ranges);
        list_->assign(numbered(10));
        for (int row : selected)
            list_->setSelected(static_cast<std::size_t>(row), true);
        model_->sync();
        const QItemSelection shown = view_->selectionModel()->selection();
        QCOMPARE(shown.size(), ranges);
        for (int row = 0; row < 10; ++row)
            QCOMPARE(view_->selectionModel()->isRowSelected(row), selected.contains(row));
    }

    void selectAllOfManyRowsIsOneRange()
    {
        list_->assign(numbered(100000));
        list_->selectAll();
        model_->sync();
        QCOMPARE(view_->selectionModel()->selection().size(), 1);
        QCOMPARE(view_->selectionModel()->selection().first().height(), 100000);
        // The user deselects one row: the RowList follows, the rest stays.
        view_->selectionModel()->select(model_->index(500), QItemSelectionModel::Deselect);
        QVERIFY(!list_->isSelected(500));
        QCOMPARE(list_->selectedCount(), std::size_t(99999));
    }

    void userSelectionAndFocusAreWrittenBack()
    {
        list_->assign(numbered(10));
        model_->sync();
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, {},
                          view_->visualRect(model_->index(2)).center());
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          view_->visualRect(model_->index(4)).center());
        QTest::mouseClick(view_->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          view_->visualRect(model_->index(7)).center());
        for (int row = 0; row < 10; ++row)
            QCOMPARE(list_->isSelected(static_cast<std::size_t>(row)),
                     row == 2 || row == 3 || row == 4 || row == 7);
        QCOMPARE(list_->currentIndex(), 7);
        // What the user did is not pushed back over itself on the next sync.
        model_->sync();
        QCOMPARE(view_->selectionModel()->selectedRows().size(), 4);
    }

    void focusedRowFollowsTheRowList()
    {
        list_->assign(numbered(3));
        model_->sync();
        QCOMPARE(view_->currentIndex().row(), 0);
        list_->setCurrentIndex(2);
        model_->sync();
        QCOMPARE(view_->currentIndex().row(), 2);
        list_->clear();
        model_->sync();
        QVERIFY(!view_->currentIndex().isValid());
    }

    // Setting the top row is a request: equal does nothing, out of range is
    // refused, and the list stops once its last row shows at the bottom.
    void topRowRequests_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("expected");
        // The view shows 10 rows at once.
        QTest::newRow("down one") << 30 << 0 << 1 << 1;
        QTest::newRow("up one") << 30 << 5 << 4 << 4;
        QTest::newRow("below zero refused") << 30 << 0 << -1 << 0;
        QTest::newRow("past the last row refused") << 30 << 3 << 30 << 3;
        QTest::newRow("stops with the last row at the bottom") << 30 << 20 << 21 << 20;
        QTest::newRow("fewer rows than shown never scroll") << 5 << 0 << 1 << 0;
        QTest::newRow("empty list") << 0 << 0 << 1 << 0;
    }
    void topRowRequests()
    {
        QFETCH(int, rows);
        QFETCH(int, start);
        QFETCH(int, requested);
        QFETCH(int, expected);
        list_->assign(numbered(rows));
        model_->sync();
        if (start > 0)
            model_->requestTopRow(start);
        QCOMPARE(model_->topRow(), start);
        model_->requestTopRow(requested);
        QCOMPARE(model_->topRow(), expected);
        QCOMPARE(list_->topIndex(), expected);
    }

    void scrollToTop()
    {
        list_->assign(numbered(50));
        model_->sync();
        view_->verticalScrollBar()->setValue(17); // the user scrolls
        QCOMPARE(list_->topIndex(), 17);
        model_->scrollToTop();
        QCOMPARE(view_->verticalScrollBar()->value(), 0);
        QCOMPARE(list_->topIndex(), 0);
    }

private:
    std::unique_ptr<RowList> list_;
    std::unique_ptr<QListView> view_;
    RowListModel *model_ = nullptr;
};

QTEST_MAIN(RowListModelTest)
#include "rowlistmodel_test.moc"
