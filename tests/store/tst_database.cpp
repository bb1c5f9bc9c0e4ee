#include "Database.h"
#include "Settings.h"
#include "StoreFixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace zor;

namespace {

QByteArray digestOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A valid SQLite file whose tables are not those of a store.
void writeForeignDatabase(const QString& path, const QString& schema) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        for (const QString& statement : schema.split(';', Qt::SkipEmptyParts))
            QVERIFY(QSqlQuery(db).exec(statement));
        db.close();
    }
    QSqlDatabase::removeDatabase("foreign");
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void badStoreIsRefusedAndLeftUntouched_data();
    void badStoreIsRefusedAndLeftUntouched();
    void missingStoreIsRefusedAndNotCreated();
    void readOnlyStoreIsRefused();
    void emptyStoreHasSchemaAndSettingsRow();
    void createEmptyRefusesToOverwrite();
    void settingsRowMissingGivesNothing();
    void storeIsDurableWalWithFullSync();
};

void TestDatabase::badStoreIsRefusedAndLeftUntouched_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("schema");
    QTest::newRow("garbage") << QByteArray("this is not a database at all\n").repeated(100)
                             << QString();
    QTest::newRow("zero length") << QByteArray() << QString();
    QTest::newRow("truncated header") << QByteArray("SQLite format 3") << QString();
    QTest::newRow("no tables") << QByteArray() << QString("CREATE TABLE other(x)");
    QTest::newRow("AR only")
        << QByteArray()
        << QString("CREATE TABLE AR(id INTEGER PRIMARY KEY AUTOINCREMENT, Gas TEXT, sTime TEXT,"
                   " sValue REAL, pTime TEXT, pValue REAL, eTime TEXT, eValue REAL, Unt TEXT)");
    QTest::newRow("AR columns out of order")
        << QByteArray()
        << QString("CREATE TABLE AR(id INTEGER PRIMARY KEY, Gas TEXT, pTime TEXT, sTime TEXT,"
                   " sValue REAL, pValue REAL, eTime TEXT, eValue REAL, Unt TEXT);"
                   "CREATE TABLE SETTING(id INTEGER PRIMARY KEY, \"Desc\" TEXT)");
}

void TestDatabase::badStoreIsRefusedAndLeftUntouched() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, schema);
    QTemporaryDir dir;
    const QString path = dir.filePath("ZOR.DLL");
    if (schema.isEmpty())
        writeFile(path, bytes);
    else
        writeForeignDatabase(path, schema);
    const QByteArray before = digestOf(path);
    const qint64 sizeBefore = QFileInfo(path).size();

    QVERIFY_THROWS_EXCEPTION(ConnectError, Database{path});

    QCOMPARE(digestOf(path), before);
    QCOMPARE(QFileInfo(path).size(), sizeBefore);
    // No journal or WAL left beside the file.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"ZOR.DLL"});
}

void TestDatabase::missingStoreIsRefusedAndNotCreated() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ZOR.DLL");
    try {
        Database db(path);
        QFAIL("a missing store was opened");
    } catch (const ConnectError& e) {
        QCOMPARE(e.text(), QString("Can't connect to database. Please check your settings."));
    }
    QVERIFY(!QFileInfo::exists(path));
}

void TestDatabase::readOnlyStoreIsRefused() {
    if (geteuid() == 0)
        QSKIP("file permissions do not bind the superuser");
    test::StoreFixture fixture;
    QFile::setPermissions(fixture.path, QFile::ReadOwner);
    const QByteArray before = digestOf(fixture.path);
    QVERIFY_THROWS_EXCEPTION(ConnectError, Database{fixture.path});
    QCOMPARE(digestOf(fixture.path), before);
}

void TestDatabase::emptyStoreHasSchemaAndSettingsRow() {
    test::StoreFixture fixture;
    Database& db = fixture.open();
    QSqlQuery query(db.connection());
    QVERIFY(query.exec("SELECT id, \"Desc\" FROM SETTING"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);
    QCOMPARE(query.value(1).toString(), QString("English"));
    QVERIFY(!query.next());
    QVERIFY(query.exec("SELECT count(*) FROM AR"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 0);
    QVERIFY(query.exec("SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name"));
    QStringList indexes;
    while (query.next())
        indexes << query.value(0).toString();
    QVERIFY2(indexes.contains("AR_listing") && indexes.contains("AR_identity"),
             qPrintable(indexes.join(',')));
}

void TestDatabase::createEmptyRefusesToOverwrite() {
    test::StoreFixture fixture;
    const QByteArray before = digestOf(fixture.path);
    QVERIFY_THROWS_EXCEPTION(UserError, Database::createEmpty(fixture.path));
    QCOMPARE(digestOf(fixture.path), before);

    // Nor does it replace a file of any other kind.
    QTemporaryDir dir;
    const QString other = dir.filePath("ZOR.DLL");
    writeFile(other, "keep me");
    QVERIFY_THROWS_EXCEPTION(UserError, Database::createEmpty(other));
    QFile file(other);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me"));
}

void TestDatabase::settingsRowMissingGivesNothing() {
    test::StoreFixture fixture;
    Database& db = fixture.open();
    QVERIFY(QSqlQuery(db.connection()).exec("DELETE FROM SETTING"));
    Settings settings(db.connection());
    QCOMPARE(settings.language(), std::optional<QString>());
    settings.setLanguage("English");
    QCOMPARE(settings.language(), std::optional<QString>());
}

void TestDatabase::storeIsDurableWalWithFullSync() {
    test::StoreFixture fixture;
    Database& db = fixture.open();
    QSqlQuery query(db.connection());
    QVERIFY(query.exec("PRAGMA journal_mode"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QString("wal"));
    QVERIFY(query.exec("PRAGMA synchronous"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 2); // FULL
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
