#include "GridFixture.h"
#include "XlsExport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace zor;
using namespace zor::test;

class TestRecordGrid : public QObject {
    Q_OBJECT
private slots:
    void cellTextsFollowTheLocale_data();
    void cellTextsFollowTheLocale();
    void columnsLook();
    void footerCountsTheWholeListing();
    void ctrlDeleteDeletesTheCurrentRow();
    void ctrlAMarksTheWholeListing();
    void scatteredMarkedRowsGoTogether();
    void cellsCannotBeEdited();
    void doubleClickIsReported();
    void onlyTheUnitTitleIsAButton();
    void cornerMenuHidesAndShowsColumns();
    void hiddenColumnStaysHiddenAfterReload();
    void refreshShowsTheStoreAsAFirstListing_data();
    void refreshShowsTheStoreAsAFirstListing();
    void focusGoesToTheTableAndTabLeavesIt();
};

void TestRecordGrid::cellTextsFollowTheLocale_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("co");
    QTest::addColumn<QStringList>("h2s");
    QTest::newRow("C: slash, colon, point")
        << QLocale::c() << QStringList{"CO",  "24/01/26 08:15:30", "50", "24/01/26 08:16:02",
                                       "150", "24/01/26 08:20:00", "5",  "PPM"}
        << QStringList{"H2S",  "24/01/25 09:00:00", "5.5", "24/01/25 09:01:00",
                       "20.9", "24/01/25 09:02:00", "2.5", "PPM"};
    QTest::newRow("German: dots in the date, decimal comma")
        << QLocale(QLocale::German, QLocale::Germany)
        << QStringList{"CO",  "24.01.26 08:15:30", "50", "24.01.26 08:16:02",
                       "150", "24.01.26 08:20:00", "5",  "PPM"}
        << QStringList{"H2S",  "24.01.25 09:00:00", "5,5", "24.01.25 09:01:00",
                       "20,9", "24.01.25 09:02:00", "2,5", "PPM"};
    QTest::newRow("Finnish: dots in the time too")
        << QLocale(QLocale::Finnish, QLocale::Finland)
        << QStringList{"CO",  "24.01.26 08.15.30", "50", "24.01.26 08.16.02",
                       "150", "24.01.26 08.20.00", "5",  "PPM"}
        << QStringList{"H2S",  "24.01.25 09.00.00", "5,5", "24.01.25 09.01.00",
                       "20,9", "24.01.25 09.02.00", "2,5", "PPM"};
}

void TestRecordGrid::cellTextsFollowTheLocale() {
    QFETCH(QLocale, locale);
    QFETCH(QStringList, co);
    QFETCH(QStringList, h2s);
    ListingFixture f(locale);
    fill(f);
    f.reload();
    RecordGrid grid;
    grid.setModel(f.model.get());
    QAbstractItemModel* shown = grid.view()->model();
    QCOMPARE(rowTexts(*f.model, 0), co);
    QCOMPARE(rowTexts(*f.model, 1), h2s);
    QCOMPARE(shown, f.model.get());
}

void TestRecordGrid::columnsLook() {
    ListingFixture f;
    fill(f);
    f.reload();
    GridWindow w(f);
    QTableView* view = w.grid->view();
    const QList<int> widths = {65, 190, 70, 190, 70, 190, 70, 65};
    for (int c = 0; c < ListingModel::ColumnCount; ++c)
        QCOMPARE(view->columnWidth(c), widths[c]);
    QCOMPARE(view->rowHeight(0), 25);
    QCOMPARE(view->horizontalHeader()->height(), 26);
    QVERIFY(view->verticalHeader()->width() <= 14);
    QVERIFY(view->verticalScrollBar()->isVisible());

    // Time columns black, readings bold in their pair's colour, gas and unit plain.
    const QColor green(0, 128, 0), red(255, 0, 0), blue(0, 0, 255), black(0, 0, 0);
    const QList<QVariant> colours = {QVariant(), black, green, black, red, black, blue, QVariant()};
    const QList<QVariant> titleColours = {QVariant(), green, green, red,
                                          red,        blue,  blue,  QVariant()};
    for (int c = 0; c < ListingModel::ColumnCount; ++c) {
        const QModelIndex cell = f.model->index(0, c);
        QCOMPARE(cell.data(Qt::ForegroundRole), colours[c]);
        const QFont font = cell.data(Qt::FontRole).value<QFont>();
        QCOMPARE(font.pixelSize(), 16);
        const bool reading = c == 2 || c == 4 || c == 6;
        QCOMPARE(font.bold(), reading);
        const int align = cell.data(Qt::TextAlignmentRole).toInt();
        QCOMPARE(align & Qt::AlignHorizontal_Mask,
                 int(reading ? Qt::AlignRight : Qt::AlignHCenter));
        QCOMPARE(align & Qt::AlignVertical_Mask, int(Qt::AlignVCenter));
        QCOMPARE(f.model->headerData(c, Qt::Horizontal, Qt::ForegroundRole), titleColours[c]);
        const QFont title = f.model->headerData(c, Qt::Horizontal, Qt::FontRole).value<QFont>();
        QVERIFY(title.bold());
        QCOMPARE(title.pixelSize(), 17);
    }
    // The 1st, 3rd and 5th rows are cream, the others keep the window colour.
    const QColor cream(255, 251, 240);
    QCOMPARE(f.model->index(0, 3).data(Qt::BackgroundRole).value<QColor>(), cream);
    QVERIFY(!f.model->index(1, 3).data(Qt::BackgroundRole).isValid());
    QCOMPARE(f.model->index(2, 3).data(Qt::BackgroundRole).value<QColor>(), cream);
    QVERIFY(!f.model->index(3, 3).data(Qt::BackgroundRole).isValid());

    // Columns cannot be resized by dragging a title border.
    QHeaderView* titles = view->horizontalHeader();
    const int border = titles->sectionViewportPosition(0) + titles->sectionSize(0) - 1;
    QTest::mousePress(titles->viewport(), Qt::LeftButton, {}, QPoint(border, 10));
    QTest::mouseMove(titles->viewport(), QPoint(border + 40, 10));
    QTest::mouseRelease(titles->viewport(), Qt::LeftButton, {}, QPoint(border + 40, 10));
    QCOMPARE(view->columnWidth(0), 65);
    QCOMPARE(titles->sectionResizeMode(0), QHeaderView::Fixed);
    QVERIFY(!titles->sectionsMovable());
}

void TestRecordGrid::footerCountsTheWholeListing() {
    ListingFixture f;
    f.addMany(600);
    f.addMany(
        3, [](int) { return 5.0; }, "O2");
    f.reload();
    GridWindow w(f);
    GridFooter* footer = w.grid->footer();
    QCOMPARE(footer->caption(), QString("Record Count:"));
    // The count is the listing's, not what has been fetched so far.
    QVERIFY(f.model->rowCount() < 603);
    QCOMPARE(footer->countText(), QString("603"));

    f.reload(ListingFilter{"O2", {}, {}});
    QCOMPARE(footer->countText(), QString("3"));
    f.reload(ListingFilter{"H2S", {}, {}});
    QCOMPARE(footer->countText(), QString("0"));

    // Its cells sit under the start-time and start-value columns.
    QHeaderView* titles = w.grid->view()->horizontalHeader();
    for (int column : {ListingModel::StartTime, ListingModel::StartValue}) {
        const QRect cell = footer->cellRect(column);
        const QPoint sectionLeft = titles->viewport()->mapTo(
            &w.window, QPoint(titles->sectionViewportPosition(column), 0));
        QCOMPARE(footer->mapTo(&w.window, cell.topLeft()).x(), sectionLeft.x());
        QCOMPARE(cell.width(), titles->sectionSize(column));
        QCOMPARE(cell.height(), 23);
    }
    QCOMPARE(footer->height(), 23);
    QVERIFY(footer->geometry().top() >= w.grid->view()->geometry().bottom());
}

void TestRecordGrid::ctrlDeleteDeletesTheCurrentRow() {
    ListingFixture f;
    fill(f);
    f.reload();
    GridWindow w(f);
    QSignalSpy asked(w.grid, &RecordGrid::deleteRequested);
    const qint64 h2s = f.model->rowAt(1).id;
    w.clickRow(1);
    QTest::keyClick(w.grid->view(), Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.at(0).at(0).value<QList<qint64>>(), QList<qint64>{h2s});
    // No question was asked: the row is gone from the listing, the footer and the store.
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(f.model->rowCount(), 4);
    QVERIFY(!listedIds(*f.model).contains(h2s));
    QCOMPARE(w.grid->footer()->countText(), QString("4"));
    QCOMPARE(storedRows(f), qint64(4));

    // Delete without Ctrl does nothing.
    QTest::keyClick(w.grid->view(), Qt::Key_Delete);
    QCOMPARE(asked.count(), 1);
}

void TestRecordGrid::ctrlAMarksTheWholeListing() {
    ListingFixture f;
    f.addMany(700);
    f.reload();
    GridWindow w(f);
    QVERIFY(f.model->rowCount() < 700);
    QSignalSpy asked(w.grid, &RecordGrid::deleteRequested);
    QTest::keyClick(w.grid->view(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.model->rowCount(), 700);
    QCOMPARE(w.grid->view()->selectionModel()->selectedRows().size(), 700);
    const QList<qint64> everyRow = listedIds(*f.model);
    QTest::keyClick(w.grid->view(), Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.at(0).at(0).value<QList<qint64>>(), everyRow);
    QCOMPARE(f.model->rowCount(), 0);
    QCOMPARE(w.grid->footer()->countText(), QString("0"));
    QCOMPARE(storedRows(f), qint64(0));
}

void TestRecordGrid::scatteredMarkedRowsGoTogether() {
    ListingFixture f;
    fill(f);
    f.reload();
    GridWindow w(f);
    const QList<qint64> before = listedIds(*f.model);
    QSignalSpy asked(w.grid, &RecordGrid::deleteRequested);
    QTableView* view = w.grid->view();
    for (int row : {4, 0, 2}) {
        const QRect cell = view->visualRect(f.model->index(row, ListingModel::Gas));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, cell.center());
    }
    QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.at(0).at(0).value<QList<qint64>>(),
             QList<qint64>({before[0], before[2], before[4]}));
    QCOMPARE(listedIds(*f.model), QList<qint64>({before[1], before[3]}));
    QCOMPARE(w.grid->footer()->countText(), QString("2"));
    QCOMPARE(storedRows(f), qint64(2));
}

void TestRecordGrid::cellsCannotBeEdited() {
    ListingFixture f;
    fill(f);
    f.reload();
    GridWindow w(f);
    QTableView* view = w.grid->view();
    const QModelIndex cell = f.model->index(0, ListingModel::PeakValue);
    QVERIFY(!(f.model->flags(cell) & Qt::ItemIsEditable));
    QVERIFY(!f.model->setData(cell, "999"));
    view->setCurrentIndex(cell);
    QTest::keyClick(view, Qt::Key_F2);
    QTest::keyClicks(view, "999");
    QTest::keyClick(view, Qt::Key_Return);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
    // An editor would be a child of the viewport.
    QVERIFY(view->viewport()->findChildren<QWidget*>().isEmpty());
    QVERIFY(!view->indexWidget(cell));
    QCOMPARE(cell.data().toString(), QString("150"));
    // Nothing can be inserted either: the rows stay those of the listing.
    QTest::keyClick(view, Qt::Key_Insert);
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(f.model->rowCount(), 5);
    QCOMPARE(storedRows(f), qint64(5));
}

void TestRecordGrid::doubleClickIsReported() {
    ListingFixture f;
    fill(f);
    f.reload();
    GridWindow w(f);
    QSignalSpy doubled(w.grid, &RecordGrid::doubleClicked);
    QTableView* view = w.grid->view();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                       view->visualRect(f.model->index(2, 1)).center());
    QCOMPARE(doubled.count(), 1);
    // Below the last row counts as well.
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                       QPoint(100, view->viewport()->height() - 5));
    QCOMPARE(doubled.count(), 2);
}

void TestRecordGrid::onlyTheUnitTitleIsAButton() {
    ListingFixture f;
    fill(f);
    f.reload();
    GridWindow w(f);
    GridTitleRow* titles = w.grid->view()->titleRow();
    const QList<qint64> order = listedIds(*f.model);
    const auto clickTitle = [titles](int column) {
        const int x = titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2;
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, QPoint(x, 10));
    };
    QCOMPARE(titles->unitArrow(), GridTitleRow::Arrow::None);
    clickTitle(ListingModel::Unit);
    QCOMPARE(titles->unitArrow(), GridTitleRow::Arrow::Up);
    clickTitle(ListingModel::Unit);
    QCOMPARE(titles->unitArrow(), GridTitleRow::Arrow::Down);
    clickTitle(ListingModel::Unit);
    QCOMPARE(titles->unitArrow(), GridTitleRow::Arrow::Up);
    for (int column = ListingModel::Gas; column < ListingModel::Unit; ++column)
        clickTitle(column);
    QCOMPARE(titles->unitArrow(), GridTitleRow::Arrow::Up);
    // Neither kind of click sorts or selects anything.
    QCOMPARE(listedIds(*f.model), order);
    QVERIFY(w.grid->view()->selectionModel()->selectedRows().isEmpty());
}

void TestRecordGrid::cornerMenuHidesAndShowsColumns() {
    ListingFixture f;
    fill(f);
    f.reload();
    GridWindow w(f);
    QAbstractButton* corner = w.grid->cornerButton();
    QVERIFY(corner);
    QTest::mouseClick(corner, Qt::LeftButton);
    QVERIFY(w.grid->view()->selectionModel()->selectedRows().isEmpty());
    w.grid->cornerMenu()->hide();

    const auto columnActions = [&w] {
        return w.grid->cornerMenu()->actions().first()->menu()->actions();
    };
    QList<QAction*> columns = columnActions();
    QCOMPARE(columns.size(), 8);
    QStringList titles;
    for (QAction* a : columns) {
        titles << a->text();
        QVERIFY(a->isChecked());
    }
    QCOMPARE(titles, QStringList({"Gas", "Start Alarm Time", "Value", "Peak Alarm Time", "Value",
                                  "End Alarm Time", "Value", "Unit"}));
    QStringList rest;
    for (QAction* a : w.grid->cornerMenu()->actions().mid(1)) {
        if (a->isSeparator())
            continue;
        rest << a->text();
        QVERIFY(!a->isEnabled());
    }
    QCOMPARE(rest, QStringList({"Cut", "Copy", "Paste", "Delete", "Select All"}));

    // Hiding the end value drops it from the grid and from the export.
    columns[ListingModel::EndValue]->trigger();
    QVERIFY(w.grid->view()->isColumnHidden(ListingModel::EndValue));
    QCOMPARE(w.grid->visibleColumns(), QList<int>({0, 1, 2, 3, 4, 5, 7}));
    QVERIFY(!columnActions()[ListingModel::EndValue]->isChecked());
    const QByteArray sheet = buildWorksheet(*f.model, w.grid->visibleColumns());
    QVERIFY(!sheet.contains("19.9"));
    QVERIFY(sheet.contains("End Alarm Time"));
    columnActions()[ListingModel::EndValue]->trigger();
    QCOMPARE(w.grid->visibleColumns().size(), 8);

    // The last column shown stays.
    for (int c = 0; c < ListingModel::Unit; ++c)
        columnActions()[c]->trigger();
    QCOMPARE(w.grid->visibleColumns(), QList<int>({ListingModel::Unit}));
    QAction* last = columnActions()[ListingModel::Unit];
    QVERIFY(last->isChecked());
    QVERIFY(!last->isEnabled());
    QVERIFY(!w.grid->setColumnShown(ListingModel::Unit, false));
    QCOMPARE(w.grid->visibleColumns(), QList<int>({ListingModel::Unit}));
}

void TestRecordGrid::hiddenColumnStaysHiddenAfterReload() {
    ListingFixture f;
    fill(f);
    f.reload();
    GridWindow w(f);
    QVERIFY(w.grid->setColumnShown(ListingModel::StartValue, false));
    f.reload(ListingFilter{"O2", {}, {}});
    QVERIFY(w.grid->view()->isColumnHidden(ListingModel::StartValue));
    QCOMPARE(w.grid->view()->columnWidth(ListingModel::StartTime), 190);
    // The count goes with its column.
    QVERIFY(w.grid->footer()->cellRect(ListingModel::StartValue).isEmpty());
    QVERIFY(!w.grid->footer()->cellRect(ListingModel::StartTime).isEmpty());
}

void TestRecordGrid::refreshShowsTheStoreAsAFirstListing_data() {
    QTest::addColumn<int>("change");
    QTest::addColumn<int>("clickedRow");
    QTest::addColumn<bool>("fetchedAll");
    using C = StoreChange;
    QTest::newRow("nothing new") << int(C::Nothing) << -1 << false;
    QTest::newRow("nothing new, a row marked") << int(C::Nothing) << 2 << false;
    QTest::newRow("nothing new, every row fetched") << int(C::Nothing) << -1 << true;
    QTest::newRow("newest event") << int(C::NewestEvent) << -1 << false;
    QTest::newRow("newest event, a row marked") << int(C::NewestEvent) << 2 << false;
    QTest::newRow("newest event, every row fetched") << int(C::NewestEvent) << -1 << true;
    QTest::newRow("two newest events") << int(C::TwoNewestEvents) << 0 << false;
    QTest::newRow("event between listed ones") << int(C::OlderEvent) << -1 << false;
    QTest::newRow("top row deleted") << int(C::TopRowDeleted) << -1 << false;
    QTest::newRow("row in the middle deleted") << int(C::MiddleRowDeleted) << 1 << false;
    QTest::newRow("key of a deleted row given again") << int(C::KeyGivenAgain) << -1 << false;
}

void TestRecordGrid::refreshShowsTheStoreAsAFirstListing() {
    QFETCH(int, change);
    QFETCH(int, clickedRow);
    QFETCH(bool, fetchedAll);
    ListingFixture f;
    f.addMany(100, [](int i) { return 10.0 + i; });
    if (change == int(StoreChange::KeyGivenAgain))
        f.giveKeysAgain();
    f.reload();
    GridWindow w(f);
    if (clickedRow >= 0)
        w.clickRow(clickedRow);
    if (fetchedAll)
        f.model->fetchAll();

    f.change(StoreChange(change));
    f.reload();
    // A listing opened on the changed store from scratch.
    ListingModel fresh(*f.listing, QLocale::c());
    fresh.reload({});
    QCOMPARE(f.model->rowCount(), fresh.rowCount());
    for (int row = 0; row < fresh.rowCount(); ++row)
        QCOMPARE(rowTexts(*f.model, row), rowTexts(fresh, row));
    QCOMPARE(listedIds(*f.model), listedIds(fresh));
    QCOMPARE(w.grid->footer()->countText(), QString::number(fresh.totalRows()));
    // No row stays marked or current, as after a first listing.
    QTableView* view = w.grid->view();
    QVERIFY(view->selectionModel()->selectedRows().isEmpty());
    QVERIFY(!view->currentIndex().isValid());
    QCOMPARE(view->model()->rowCount(), fresh.rowCount());
}

void TestRecordGrid::focusGoesToTheTableAndTabLeavesIt() {
    ListingFixture f;
    fill(f);
    f.reload();
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new RecordGrid(&window);
    auto* after = new QLineEdit(&window);
    layout->addWidget(grid);
    layout->addWidget(after);
    grid->setModel(f.model.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), grid->view());
    grid->view()->setCurrentIndex(f.model->index(0, 0));
    QTest::keyClick(grid->view(), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), after);
}

QTEST_MAIN(TestRecordGrid)
#include "tst_recordgrid.moc"
