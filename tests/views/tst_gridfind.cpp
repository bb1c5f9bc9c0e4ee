#include "FindDialog.h"
#include "GridFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

using namespace zor;
using namespace zor::test;

class TestGridFind : public QObject {
    Q_OBJECT
private slots:
    void findsRows_data();
    void findsRows();
    void findDialogSelectsTheNextMatch();
};

void TestGridFind::findsRows_data() {
    using Match = FindOptions::Match;
    using Direction = FindOptions::Direction;
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("match");
    QTest::addColumn<int>("direction");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<bool>("ignoreFormat");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("found");
    const int all = -1;
    const int a = int(Match::Anywhere), whole = int(Match::WholeValue),
              start = int(Match::FromStart);
    const int up = int(Direction::Up), down = int(Direction::Down), round = int(Direction::All);
    QTest::newRow("anywhere, next row down") << "O" << all << a << down << false << true << 2 << 3;
    QTest::newRow("case counts by default")
        << "h2s" << all << a << down << false << true << -1 << -1;
    QTest::newRow("ignore case") << "h2s" << all << a << down << true << true << -1 << 1;
    QTest::newRow("whole value") << "O" << 0 << whole << down << false << true << -1 << -1;
    QTest::newRow("whole value matches") << "O2" << 0 << whole << down << false << true << -1 << 2;
    QTest::newRow("from the start") << "%L" << all << start << down << false << true << -1 << 4;
    QTest::newRow("not from the start")
        << "LEL" << all << start << down << false << true << -1 << -1;
    QTest::newRow("one column only") << "PPM" << 0 << a << down << false << true << -1 << -1;
    QTest::newRow("stored value with a point")
        << "20.9" << all << a << down << false << true << -1 << 1;
    QTest::newRow("display form not used")
        << "20,9" << all << a << down << false << true << -1 << -1;
    QTest::newRow("display form with a comma")
        << "20,9" << all << a << down << false << false << -1 << 1;
    QTest::newRow("stored time form")
        << "2024-01-24" << all << a << down << false << true << -1 << 2;
    QTest::newRow("display time form")
        << "24.01.24" << all << a << down << false << false << -1 << 2;
    QTest::newRow("up from the fourth row") << "CO" << all << a << up << false << true << 3 << 0;
    QTest::newRow("up finds nothing above") << "EX" << all << a << up << false << true << 3 << -1;
    QTest::newRow("down stops at the end") << "CO" << all << a << down << false << true << 0 << -1;
    QTest::newRow("all goes round") << "CO" << all << a << round << false << true << 0 << 0;
    QTest::newRow("all from the last row") << "H2S" << all << a << round << false << true << 4 << 1;
}

void TestGridFind::findsRows() {
    QFETCH(QString, text);
    QFETCH(int, column);
    QFETCH(int, match);
    QFETCH(int, direction);
    QFETCH(bool, ignoreCase);
    QFETCH(bool, ignoreFormat);
    QFETCH(int, from);
    QFETCH(int, found);
    ListingFixture f(QLocale(QLocale::German, QLocale::Germany));
    fill(f);
    f.reload();
    FindOptions o;
    o.text = text;
    o.column = column;
    o.match = FindOptions::Match(match);
    o.direction = FindOptions::Direction(direction);
    o.ignoreCase = ignoreCase;
    o.ignoreDisplayFormat = ignoreFormat;
    const auto row = findRow(*f.model, o, from, {0, 1, 2, 3, 4, 5, 6, 7});
    QCOMPARE(row.value_or(-1), found);
}

void TestGridFind::findDialogSelectsTheNextMatch() {
    ListingFixture f;
    f.addMany(400);
    f.import(test::peakingAt("O2", "2020-01-02 00:00:00", 19));
    f.import(test::peakingAt("O2", "2020-01-01 00:00:00", 18));
    f.reload();
    GridWindow w(f);
    QTest::keyClick(w.grid->view(), Qt::Key_F, Qt::ControlModifier);
    FindDialog* dialog = w.grid->findDialog();
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->ignoreCaseBox()->isChecked());
    QVERIFY(dialog->ignoreFormatBox()->isChecked());
    QCOMPARE(dialog->columnBox()->count(), 9);

    // The O2 rows come last, beyond the first page: the search fetches on.
    QVERIFY(f.model->rowCount() < 402);
    dialog->textBox()->setEditText("o2");
    dialog->ignoreCaseBox()->setChecked(true);
    QTest::mouseClick(dialog->findNextButton(), Qt::LeftButton);
    QCOMPARE(w.grid->view()->currentIndex().row(), 400);
    QCOMPARE(w.grid->view()->selectionModel()->selectedRows().size(), 1);
    QTest::mouseClick(dialog->findNextButton(), Qt::LeftButton);
    QCOMPARE(w.grid->view()->currentIndex().row(), 401);
    // Nothing further down: the selection stays.
    QTest::mouseClick(dialog->findNextButton(), Qt::LeftButton);
    QCOMPARE(w.grid->view()->currentIndex().row(), 401);

    dialog->textBox()->setEditText("CO");
    QTest::mouseClick(dialog->findNextButton(), Qt::LeftButton);
    dialog->textBox()->setEditText("o2");
    QTest::mouseClick(dialog->findNextButton(), Qt::LeftButton);
    QCOMPARE(dialog->history(), QStringList({"o2", "CO"}));
    dialog->close();
    QVERIFY(!dialog->isVisible());
}

QTEST_MAIN(TestGridFind)
#include "tst_gridfind.moc"
