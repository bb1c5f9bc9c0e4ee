#include "AlarmStore.h"
#include "StoreFixture.h"

#include <QSqlQuery>
#include <QTest>

using namespace zor;
using test::record;

namespace {

int rowCount(const QSqlDatabase& db) {
    QSqlQuery query(db);
    query.exec("SELECT count(*) FROM AR");
    return query.next() ? query.value(0).toInt() : -1;
}

const AlarmRecord kBase = record("CO", "2024-01-26 08:15:30", 50, "2024-01-26 08:16:02", 150,
                                 "2024-01-26 08:20:45", 25, "PPM");

} // namespace

class TestAlarmStore : public QObject {
    Q_OBJECT
private slots:
    void identityDecidesWhatIsStored_data();
    void identityDecidesWhatIsStored();
    void storesValuesAndTimesExactly();
    void importedRowIsCommittedOnReturn();
    void removeAndClear();
};

void TestAlarmStore::identityDecidesWhatIsStored_data() {
    QTest::addColumn<AlarmRecord>("second");
    QTest::addColumn<int>("rows");
    AlarmRecord r = kBase;
    QTest::newRow("same event again") << r << 1;
    r = kBase;
    r.sValue = 51;
    r.pValue = 151;
    r.eValue = 26;
    QTest::newRow("readings differ only") << r << 1;
    r = kBase;
    r.unit = "%LEL";
    QTest::newRow("unit differs") << r << 2;
    r = kBase;
    r.gas = "H2S";
    QTest::newRow("gas differs") << r << 2;
    r = kBase;
    r.sTime = r.sTime.addSecs(1);
    QTest::newRow("start one second later") << r << 2;
    r = kBase;
    r.pTime = r.pTime.addSecs(-1);
    QTest::newRow("peak one second earlier") << r << 2;
    r = kBase;
    r.eTime = r.eTime.addSecs(1);
    QTest::newRow("end one second later") << r << 2;
}

void TestAlarmStore::identityDecidesWhatIsStored() {
    QFETCH(AlarmRecord, second);
    QFETCH(int, rows);
    test::StoreFixture fixture;
    AlarmStore store = fixture.store();
    QVERIFY(store.import(kBase));
    QCOMPARE(store.import(second), rows == 2);
    QCOMPARE(rowCount(fixture.open().connection()), rows);
}

void TestAlarmStore::storesValuesAndTimesExactly() {
    test::StoreFixture fixture;
    AlarmStore store = fixture.store();
    AlarmRecord o2 = record("O2", "2024-02-29 23:59:59", 20.9, "2024-03-01 00:00:00", 6553.5,
                            "2024-03-01 00:00:01", 0.1, "%VOL");
    QVERIFY(store.import(kBase));
    QVERIFY(store.import(o2));
    QSqlQuery query(fixture.open().connection());
    QVERIFY(
        query.exec("SELECT Gas, sTime, sValue, pTime, pValue, eTime, eValue, Unt, typeof(sValue)"
                   " FROM AR ORDER BY id"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QString("CO"));
    QCOMPARE(query.value(1).toString(), QString("2024-01-26 08:15:30"));
    QCOMPARE(query.value(2).toDouble(), 50.0);
    QCOMPARE(query.value(3).toString(), QString("2024-01-26 08:16:02"));
    QCOMPARE(query.value(4).toDouble(), 150.0);
    QCOMPARE(query.value(7).toString(), QString("PPM"));
    QVERIFY(query.next());
    QCOMPARE(query.value(1).toString(), QString("2024-02-29 23:59:59"));
    QCOMPARE(query.value(2).toDouble(), 20.9);
    QCOMPARE(query.value(3).toString(), QString("2024-03-01 00:00:00"));
    QCOMPARE(query.value(4).toDouble(), 6553.5);
    QCOMPARE(query.value(6).toDouble(), 0.1);
    QCOMPARE(query.value(7).toString(), QString("%VOL"));
    QCOMPARE(query.value(8).toString(), QString("real"));
}

void TestAlarmStore::importedRowIsCommittedOnReturn() {
    test::StoreFixture fixture;
    AlarmStore store = fixture.store();
    QVERIFY(store.import(kBase));
    // A second connection, as another process would have, already sees the row.
    Database other(fixture.path);
    QCOMPARE(rowCount(other.connection()), 1);
    QVERIFY(!AlarmStore(other.connection()).import(kBase));
    QCOMPARE(rowCount(fixture.open().connection()), 1);
}

void TestAlarmStore::removeAndClear() {
    test::StoreFixture fixture;
    AlarmStore store = fixture.store();
    for (int i = 0; i < 5; ++i) {
        AlarmRecord r = kBase;
        r.pTime = r.pTime.addSecs(i);
        QVERIFY(store.import(r));
    }
    QSqlDatabase db = fixture.open().connection();
    QSqlQuery ids(db);
    QVERIFY(ids.exec("SELECT id FROM AR ORDER BY id"));
    QList<qint64> all;
    while (ids.next())
        all << ids.value(0).toLongLong();
    store.remove({all[1], all[3]});
    QCOMPARE(rowCount(db), 3);
    store.remove({});
    store.remove({all[1]}); // already gone
    QCOMPARE(rowCount(db), 3);
    store.clear();
    QCOMPARE(rowCount(db), 0);
    store.clear(); // an empty store clears silently
    QCOMPARE(rowCount(db), 0);
    QVERIFY(store.import(kBase));
    QCOMPARE(rowCount(db), 1);
}

QTEST_GUILESS_MAIN(TestAlarmStore)
#include "tst_alarmstore.moc"
