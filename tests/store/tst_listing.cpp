#include "Listing.h"
#include "StoreFixture.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace zor;
using test::at;
using test::peakingAt;

namespace {

QStringList describe(const std::vector<ListingRow>& rows) {
    QStringList out;
    for (const ListingRow& r : rows)
        out << r.gas + ' ' + r.pTime.toString("yyyy-MM-dd HH:mm:ss");
    return out;
}

ListingFilter days(const QString& from, const QString& to, const QString& gas = {}) {
    ListingFilter f;
    f.gas = gas;
    f.from = QDate::fromString(from, Qt::ISODate);
    f.to = QDate::fromString(to, Qt::ISODate);
    return f;
}

} // namespace

class TestListing : public QObject {
    Q_OBJECT
private slots:
    void filters_data();
    void filters();
    void filtersOnPeakOnly();
    void pagesWalkEveryRowOnceInOrder_data();
    void pagesWalkEveryRowOnceInOrder();
    void earliestAndLatestPeak();
    void countOfEverythingFollowsEveryChange();
    void rowsAreReadByKey();
    void keysAreNeverReusedOnlyWithAutoincrement();
};

void TestListing::filters_data() {
    QTest::addColumn<ListingFilter>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all, newest peak first, ties by gas")
        << ListingFilter{} << QStringList{"CO 2024-01-27 00:00:00",  "CO 2024-01-26 23:59:59",
                                          "H2S 2024-01-26 23:59:59", "O2 2024-01-26 23:59:59",
                                          "CO 2024-01-26 12:00:00",  "O2 2024-01-26 00:00:00",
                                          "H2S 2024-01-25 23:59:59"};
    QTest::newRow("one gas") << ListingFilter{"O2", {}, {}}
                             << QStringList{"O2 2024-01-26 23:59:59", "O2 2024-01-26 00:00:00"};
    QTest::newRow("same day includes first and last second")
        << days("2024-01-26", "2024-01-26")
        << QStringList{"CO 2024-01-26 23:59:59", "H2S 2024-01-26 23:59:59",
                       "O2 2024-01-26 23:59:59", "CO 2024-01-26 12:00:00",
                       "O2 2024-01-26 00:00:00"};
    QTest::newRow("gas and days") << days("2024-01-25", "2024-01-26", "H2S")
                                  << QStringList{"H2S 2024-01-26 23:59:59",
                                                 "H2S 2024-01-25 23:59:59"};
    QTest::newRow("start day after end day") << days("2024-01-27", "2024-01-25") << QStringList{};
    QTest::newRow("gas with no events") << ListingFilter{"HCN", {}, {}} << QStringList{};
}

void TestListing::filters() {
    QFETCH(ListingFilter, filter);
    QFETCH(QStringList, expected);
    test::StoreFixture fixture;
    AlarmStore store = fixture.store();
    for (const auto& [gas, peak] :
         std::initializer_list<std::pair<QString, QString>>{{"O2", "2024-01-26 00:00:00"},
                                                            {"H2S", "2024-01-25 23:59:59"},
                                                            {"O2", "2024-01-26 23:59:59"},
                                                            {"CO", "2024-01-26 23:59:59"},
                                                            {"CO", "2024-01-27 00:00:00"},
                                                            {"H2S", "2024-01-26 23:59:59"},
                                                            {"CO", "2024-01-26 12:00:00"}})
        QVERIFY(store.import(peakingAt(gas, peak)));
    Listing listing(fixture.open().connection());
    QCOMPARE(describe(listing.page(filter, nullptr, 100)), expected);
    QCOMPARE(listing.count(filter), qint64(expected.size()));
    // The keys read from the index list the same rows in the same order.
    QCOMPARE(describe(listing.rows(listing.keys(filter, 100))), expected);
    QCOMPARE(describe(listing.rows(listing.keys(filter, 2))), expected.mid(0, 2));
}

void TestListing::filtersOnPeakOnly() {
    test::StoreFixture fixture;
    AlarmStore store = fixture.store();
    // Starts the day before the range, peaks inside it.
    QVERIFY(store.import(test::record("CO", "2024-01-25 23:00:00", 1, "2024-01-26 00:30:00", 2,
                                      "2024-01-26 01:00:00", 1)));
    // Starts and ends inside the range, peak recorded the day after.
    QVERIFY(store.import(test::record("EX", "2024-01-26 10:00:00", 1, "2024-01-27 00:00:01", 2,
                                      "2024-01-26 23:00:00", 1)));
    Listing listing(fixture.open().connection());
    QCOMPARE(describe(listing.page(days("2024-01-26", "2024-01-26"), nullptr, 10)),
             QStringList{"CO 2024-01-26 00:30:00"});
}

void TestListing::pagesWalkEveryRowOnceInOrder_data() {
    QTest::addColumn<int>("pageSize");
    QTest::newRow("one row a page") << 1;
    QTest::newRow("pages cut through ties") << 7;
    QTest::newRow("one page") << 1000;
}

void TestListing::pagesWalkEveryRowOnceInOrder() {
    QFETCH(int, pageSize);
    test::StoreFixture fixture;
    AlarmStore store = fixture.store();
    // Many events share a peak time and gas: the walk must neither skip nor repeat them.
    const QStringList gases = {"CO", "O2", "CO"};
    for (int i = 0; i < 60; ++i) {
        AlarmRecord r =
            peakingAt(gases[i % 3], i < 30 ? "2024-05-01 10:00:00" : "2024-05-02 10:00:00");
        r.sTime = r.sTime.addSecs(-i); // distinct events
        QVERIFY(store.import(r));
    }
    Listing listing(fixture.open().connection());
    const ListingFilter all;
    const std::vector<ListingRow> reference = listing.page(all, nullptr, 1000);
    QCOMPARE(reference.size(), size_t(60));
    std::vector<ListingRow> walked;
    for (;;) {
        const auto next = listing.page(all, walked.empty() ? nullptr : &walked.back(), pageSize);
        if (next.empty())
            break;
        walked.insert(walked.end(), next.begin(), next.end());
        QVERIFY(walked.size() <= reference.size());
    }
    QCOMPARE(walked.size(), reference.size());
    for (size_t i = 0; i < walked.size(); ++i)
        QCOMPARE(walked[i].id, reference[i].id);
    for (size_t i = 1; i < walked.size(); ++i) {
        const bool ordered =
            walked[i - 1].pTime > walked[i].pTime ||
            (walked[i - 1].pTime == walked[i].pTime && walked[i - 1].gas <= walked[i].gas);
        QVERIFY2(ordered, qPrintable(QString("row %1").arg(i)));
    }
}

void TestListing::earliestAndLatestPeak() {
    test::StoreFixture fixture;
    Listing listing(fixture.open().connection());
    QVERIFY(!listing.earliestPeak());
    QVERIFY(!listing.latestPeak());
    AlarmStore store = fixture.store();
    QVERIFY(store.import(peakingAt("CO", "2024-03-05 06:07:08")));
    QVERIFY(store.import(peakingAt("O2", "2023-12-31 23:59:59")));
    QVERIFY(store.import(peakingAt("EX", "2024-01-01 00:00:00")));
    QCOMPARE(listing.earliestPeak(), std::optional<QDateTime>(at("2023-12-31 23:59:59")));
    QCOMPARE(listing.latestPeak(), std::optional<QDateTime>(at("2024-03-05 06:07:08")));
}

void TestListing::countOfEverythingFollowsEveryChange() {
    test::StoreFixture fixture;
    // A store written by another program, with rows but without the kept count.
    {
        QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "raw");
        raw.setDatabaseName(fixture.path);
        QVERIFY(raw.open());
        QSqlQuery q(raw);
        QVERIFY(q.exec("DROP TRIGGER AR_counted_insert"));
        QVERIFY(q.exec("DROP TRIGGER AR_counted_delete"));
        QVERIFY(q.exec("DROP TABLE AR_COUNT"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(q.exec(QString("INSERT INTO AR(Gas, sTime, pTime, eTime, Unt) VALUES"
                                   " ('CO', 'a%1', '2024-01-0%1 00:00:00', 'c', 'PPM')")
                               .arg(i + 1)));
        raw.close();
    }
    QSqlDatabase::removeDatabase("raw");
    Listing listing(fixture.open().connection());
    const auto counted = [&] {
        QSqlQuery q(fixture.open().connection());
        q.exec("SELECT count(*) FROM AR");
        return q.next() ? q.value(0).toLongLong() : -1;
    };
    QCOMPARE(listing.count({}), 3);
    AlarmStore store = fixture.store();
    QVERIFY(store.import(peakingAt("O2", "2024-02-01 00:00:00")));
    QVERIFY(!store.import(peakingAt("O2", "2024-02-01 00:00:00")));
    QCOMPARE(listing.count({}), counted());
    QSqlQuery(fixture.open().connection())
        .exec("INSERT INTO AR(Gas, sTime, pTime, eTime, Unt) VALUES ('EX', 'x', 'y', 'z', 'PPM')");
    QCOMPARE(listing.count({}), 5);
    store.remove({1, 2});
    QCOMPARE(listing.count({}), counted());
    QCOMPARE(listing.count({}), 3);
    store.clear();
    QCOMPARE(listing.count({}), 0);
}

void TestListing::rowsAreReadByKey() {
    test::StoreFixture fixture;
    AlarmStore store = fixture.store();
    // More rows than one read by key takes.
    for (int i = 0; i < 150; ++i)
        QVERIFY(store.import(peakingAt(
            i % 2 ? "CO" : "O2",
            at("2024-05-01 00:00:00").addSecs(60 * i).toString("yyyy-MM-dd HH:mm:ss"), i)));
    Listing listing(fixture.open().connection());
    QVERIFY(listing.keysNeverReused());
    const std::vector<qint64> keys = listing.keys({}, 1000);
    QCOMPARE(keys.size(), size_t(150));
    const std::vector<ListingRow> page = listing.page({}, nullptr, 1000);
    const std::vector<ListingRow> rows = listing.rows(keys);
    QCOMPARE(describe(rows), describe(page));
    for (size_t i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows[i].id, keys[i]);
        QCOMPARE(rows[i].pValue, page[i].pValue);
        QCOMPARE(rows[i].sTime, page[i].sTime);
        QCOMPARE(rows[i].unit, page[i].unit);
    }

    // Rows come in the order of the keys asked for; keys no longer stored are left out.
    std::vector<qint64> asked(keys.rbegin(), keys.rend());
    store.remove({keys[0], keys[100]});
    asked.push_back(999999);
    std::vector<qint64> expected;
    for (qint64 key : asked) {
        if (key != keys[0] && key != keys[100] && key != 999999)
            expected.push_back(key);
    }
    std::vector<qint64> got;
    for (const ListingRow& r : listing.rows(asked))
        got.push_back(r.id);
    QCOMPARE(got, expected);
    QVERIFY(listing.rows({}).empty());
}

void TestListing::keysAreNeverReusedOnlyWithAutoincrement() {
    QTemporaryDir dir;
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "plain");
    db.setDatabaseName(dir.filePath("plain.db"));
    QVERIFY(db.open());
    {
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE AR(id INTEGER PRIMARY KEY, Gas TEXT NOT NULL, sTime TEXT NOT "
                       "NULL, sValue REAL, pTime TEXT NOT NULL, pValue REAL, eTime TEXT NOT NULL, "
                       "eValue REAL, Unt TEXT NOT NULL)"));
        // A key freed at the top is given again.
        QVERIFY(q.exec("INSERT INTO AR(Gas, sTime, pTime, eTime, Unt) VALUES ('CO', 'a', 'b', 'c', "
                       "'PPM'), ('O2', 'a', 'b', 'c', 'PPM')"));
        QVERIFY(q.exec("DELETE FROM AR WHERE id = 2"));
        QVERIFY(q.exec("INSERT INTO AR(Gas, sTime, pTime, eTime, Unt) VALUES ('EX', 'a', 'b', 'c', "
                       "'PPM')"));
        QVERIFY(q.exec("SELECT max(id) FROM AR") && q.next());
        QCOMPARE(q.value(0).toInt(), 2);
        QVERIFY(!Listing(db).keysNeverReused());
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("plain");
}

QTEST_GUILESS_MAIN(TestListing)
#include "tst_listing.moc"
