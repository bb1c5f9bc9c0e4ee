#include "GridFixture.h"

#include <QImage>
#include <QStyledItemDelegate>
#include <QTest>

using namespace zor;
using namespace zor::test;

namespace {

// The grid's viewport as painted with its own cell painter and with the style's.
std::pair<QImage, QImage> paintBothWays(QTableView* view) {
    const QImage own = view->viewport()->grab().toImage();
    QAbstractItemDelegate* cells = view->itemDelegate();
    QStyledItemDelegate style;
    view->setItemDelegate(&style);
    const QImage styled = view->viewport()->grab().toImage();
    view->setItemDelegate(cells);
    return {own, styled};
}

} // namespace

class TestGridCells : public QObject {
    Q_OBJECT
private slots:
    void cellsLookAsTheStylePaintsThem_data();
    void cellsLookAsTheStylePaintsThem();
};

void TestGridCells::cellsLookAsTheStylePaintsThem_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QList<int>>("clickedRows");
    QTest::addColumn<bool>("markAll");
    QTest::newRow("nothing marked") << QLocale::c() << QList<int>{} << false;
    QTest::newRow("German texts") << QLocale(QLocale::German, QLocale::Germany) << QList<int>{}
                                  << false;
    QTest::newRow("one row marked, its cell current") << QLocale::c() << QList<int>{2} << false;
    QTest::newRow("every row marked") << QLocale::c() << QList<int>{} << true;
}

void TestGridCells::cellsLookAsTheStylePaintsThem() {
    QFETCH(QLocale, locale);
    QFETCH(QList<int>, clickedRows);
    QFETCH(bool, markAll);
    ListingFixture f(locale);
    fill(f);
    // Readings too wide for their column are elided by the style.
    f.import(record("NO2", "2024-01-21 10:00:00", 123456789.125, "2024-01-21 10:00:05", 0.5,
                    "2024-01-21 10:00:09", 1e-7));
    f.reload();
    GridWindow w(f);
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    for (int row : clickedRows)
        w.clickRow(row);
    if (markAll)
        w.grid->markAll();

    // Twice: the second time the kept layouts paint.
    for (int pass = 0; pass < 2; ++pass) {
        const auto [own, styled] = paintBothWays(w.grid->view());
        QCOMPARE(own.size(), styled.size());
        QVERIFY2(own == styled, qPrintable(QString("pass %1").arg(pass)));
    }
}

QTEST_MAIN(TestGridCells)
#include "tst_gridcells.moc"
