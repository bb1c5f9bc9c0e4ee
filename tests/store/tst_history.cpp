#include "AlarmStore.h"
#include "DownloadHistory.h"
#include "StoreFixture.h"

#include <QSqlQuery>
#include <QTest>

using namespace zor;
using test::peakingAt;

namespace {

const QDateTime kStarted(QDate(2026, 12, 11), QTime(14, 5, 33));

QVariant scalar(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql) || !query.next())
        return {};
    return query.value(0);
}

QStringList columnsOf(const QSqlDatabase& db, const QString& table) {
    QSqlQuery query(db);
    query.exec(QStringLiteral("SELECT name || ' ' || type || ' ' || \"notnull\" FROM "
                              "pragma_table_info('%1')")
                   .arg(table));
    QStringList columns;
    while (query.next())
        columns << query.value(0).toString();
    return columns;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void tableHasTheColumnsToolsRead();
    void storeWithoutHistoryGetsIt();
    void foreignHistoryTableIsRefused();
    void rowFollowsTheDownload();
    void importCountsAndLinksInOneTransaction();
    void removedEventLosesItsLink();
    void abandonedRowsOfThisStationBecomeInterrupted();
};

void TestHistory::tableHasTheColumnsToolsRead() {
    test::StoreFixture fixture;
    const QStringList expected = {"id INTEGER 0",         "started TEXT 1",     "finished TEXT 0",
                                  "station TEXT 1",       "port TEXT 1",        "stored INTEGER 1",
                                  "duplicates INTEGER 1", "rejected INTEGER 1", "failed INTEGER 1",
                                  "outcome TEXT 1"};
    QCOMPARE(columnsOf(fixture.open().connection(), "DOWNLOAD"), expected);
}

void TestHistory::storeWithoutHistoryGetsIt() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ZOR.DLL");
    {
        // A store as an earlier version of the program left it: AR and SETTING only.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "old");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("CREATE TABLE AR(id INTEGER PRIMARY KEY AUTOINCREMENT, Gas TEXT NOT "
                       "NULL, sTime TEXT NOT NULL, sValue REAL, pTime TEXT NOT NULL, pValue "
                       "REAL, eTime TEXT NOT NULL, eValue REAL, Unt TEXT NOT NULL)"));
        QVERIFY(q.exec("CREATE TABLE SETTING(id INTEGER PRIMARY KEY, \"Desc\" TEXT)"));
        db.close();
    }
    QSqlDatabase::removeDatabase("old");
    Database store(path);
    DownloadHistory history(store.connection());
    const qint64 id = history.begin("station-1", "COM3", kStarted);
    QVERIFY(AlarmStore(store).import(peakingAt("CO", "2024-01-26 08:16:02"), id));
    QCOMPARE(history.rows().at(0).counts.stored, 1);
}

void TestHistory::foreignHistoryTableIsRefused() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ZOR.DLL");
    Database::createEmpty(path);
    {
        Database store(path);
        QSqlQuery q(store.connection());
        QVERIFY(q.exec("DROP TABLE DOWNLOAD"));
        QVERIFY(q.exec("CREATE TABLE DOWNLOAD(id INTEGER PRIMARY KEY, what TEXT)"));
    }
    QVERIFY_THROWS_EXCEPTION(ConnectError, Database{path});
}

void TestHistory::rowFollowsTheDownload() {
    test::StoreFixture fixture;
    DownloadHistory history(fixture.open().connection());
    const qint64 id = history.begin("station-1", "/dev/ttyUSB0", kStarted);
    std::vector<DownloadRow> rows = history.rows();
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(rows[0].id, id);
    QCOMPARE(rows[0].started, QString("2026-12-11 14:05:33"));
    QVERIFY(rows[0].finished.isEmpty());
    QCOMPARE(rows[0].station, QString("station-1"));
    QCOMPARE(rows[0].port, QString("/dev/ttyUSB0"));
    QCOMPARE(rows[0].outcome, QString("running"));
    QCOMPARE(rows[0].counts, DownloadCounts{});

    history.addRejected(id, 2);
    history.addFailed(id, 1);
    QCOMPARE(history.rows()[0].counts, (DownloadCounts{0, 0, 2, 1}));
    history.finish(id, {180, 20, 2, 1}, "finished", kStarted.addSecs(95));
    rows = history.rows();
    QCOMPARE(rows[0].finished, QString("2026-12-11 14:07:08"));
    QCOMPARE(rows[0].counts, (DownloadCounts{180, 20, 2, 1}));
    QCOMPARE(rows[0].outcome, QString("finished"));
    QCOMPARE(scalar(fixture.open().connection(), "SELECT typeof(finished) FROM DOWNLOAD"),
             QVariant("text"));
}

void TestHistory::importCountsAndLinksInOneTransaction() {
    test::StoreFixture fixture;
    Database& store = fixture.open();
    DownloadHistory history(store.connection());
    AlarmStore alarms(store);
    const qint64 first = history.begin("station-1", "COM3", kStarted);
    QVERIFY(alarms.import(peakingAt("CO", "2024-01-26 08:16:02"), first));
    QVERIFY(alarms.import(peakingAt("O2", "2024-01-26 08:16:02"), first));
    const qint64 second = history.begin("station-1", "COM3", kStarted.addSecs(60));
    QVERIFY(!alarms.import(peakingAt("CO", "2024-01-26 08:16:02"), second));
    QVERIFY(alarms.import(peakingAt("H2S", "2024-01-27 08:00:00"), second));

    // Another connection, as a tool outside the program, sees counts and links at once.
    Database other(fixture.path);
    const QSqlDatabase db = other.connection();
    QCOMPARE(scalar(db, "SELECT stored || '/' || duplicates FROM DOWNLOAD WHERE id = 1"),
             QVariant("2/0"));
    QCOMPARE(scalar(db, "SELECT stored || '/' || duplicates FROM DOWNLOAD WHERE id = 2"),
             QVariant("1/1"));
    QCOMPARE(scalar(db, "SELECT sum(stored) FROM DOWNLOAD").toInt(),
             scalar(db, "SELECT count(*) FROM AR").toInt());
    QCOMPARE(scalar(db, "SELECT group_concat(Gas || ':' || download, ',') FROM (SELECT Gas, "
                        "download FROM AR JOIN AR_DOWNLOAD ON AR_DOWNLOAD.ar = AR.id ORDER BY "
                        "AR.id)"),
             QVariant("CO:1,O2:1,H2S:2"));
    // Without a download the event is stored as before, linked to none.
    QVERIFY(alarms.import(peakingAt("EX", "2024-01-28 08:00:00")));
    QCOMPARE(scalar(db, "SELECT count(*) FROM AR_DOWNLOAD").toInt(), 3);
}

void TestHistory::removedEventLosesItsLink() {
    test::StoreFixture fixture;
    Database& store = fixture.open();
    DownloadHistory history(store.connection());
    AlarmStore alarms(store);
    const qint64 id = history.begin("station-1", "COM3", kStarted);
    QVERIFY(alarms.import(peakingAt("CO", "2024-01-26 08:16:02"), id));
    QVERIFY(alarms.import(peakingAt("O2", "2024-01-26 08:16:02"), id));
    const qint64 first = scalar(store.connection(), "SELECT min(id) FROM AR").toLongLong();
    alarms.remove({first});
    QCOMPARE(scalar(store.connection(), "SELECT count(*) FROM AR_DOWNLOAD").toInt(), 1);
    alarms.clear();
    QCOMPARE(scalar(store.connection(), "SELECT count(*) FROM AR_DOWNLOAD").toInt(), 0);
    // The history itself keeps what the download did.
    QCOMPARE(history.rows()[0].counts.stored, 2);
}

void TestHistory::abandonedRowsOfThisStationBecomeInterrupted() {
    test::StoreFixture fixture;
    DownloadHistory history(fixture.open().connection());
    const qint64 killed = history.begin("station-1", "COM3", kStarted);
    const qint64 done = history.begin("station-1", "COM3", kStarted.addSecs(10));
    history.finish(done, {3, 0, 0, 0}, "finished", kStarted.addSecs(20));
    const qint64 elsewhere = history.begin("station-2", "COM1", kStarted.addSecs(30));
    QCOMPARE(history.closeAbandoned("station-1"), 1);
    QCOMPARE(history.closeAbandoned("station-1"), 0);
    const std::vector<DownloadRow> rows = history.rows();
    QCOMPARE(rows[0].id, killed);
    QCOMPARE(rows[0].outcome, QString("interrupted"));
    QVERIFY(rows[0].finished.isEmpty());
    QCOMPARE(rows[1].outcome, QString("finished"));
    QCOMPARE(rows[2].id, elsewhere);
    QCOMPARE(rows[2].outcome, QString("running"));
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
