#include "Database.h"

#include "SqlSupport.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace zor {

namespace {

constexpr auto kDriver = "QSQLITE";
// A write waits this long for another process's lock before it fails.
constexpr auto kConnectOptions = "QSQLITE_BUSY_TIMEOUT=1000";
constexpr QByteArrayView kSqliteHeader{"SQLite format 3\0", 16};

const QStringList kCreateSchema = {
    R"sql(CREATE TABLE AR(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  Gas TEXT NOT NULL,
  sTime TEXT NOT NULL,
  sValue REAL,
  pTime TEXT NOT NULL,
  pValue REAL,
  eTime TEXT NOT NULL,
  eValue REAL,
  Unt TEXT NOT NULL
))sql",
    R"sql(CREATE TABLE SETTING(id INTEGER PRIMARY KEY, "Desc" TEXT))sql",
    R"sql(INSERT INTO SETTING(id, "Desc") VALUES (1, 'English'))sql",
};

// The listing order and the identity of an event are looked up through the indexes; the
// number of stored events is kept up to date so that listing everything never counts rows.
const QStringList kCreateHelpers = {
    R"sql(CREATE INDEX IF NOT EXISTS AR_listing ON AR(pTime DESC, Gas))sql",
    R"sql(CREATE INDEX IF NOT EXISTS AR_identity ON AR(sTime, pTime, eTime, Gas, Unt))sql",
    R"sql(CREATE TABLE IF NOT EXISTS AR_COUNT(id INTEGER PRIMARY KEY CHECK (id = 1), n INTEGER NOT NULL))sql",
    // Rows are counted once, for a store that has no kept count yet.
    R"sql(INSERT INTO AR_COUNT(id, n) SELECT 1, (SELECT count(*) FROM AR)
  WHERE NOT EXISTS (SELECT 1 FROM AR_COUNT))sql",
    R"sql(CREATE TRIGGER IF NOT EXISTS AR_counted_insert AFTER INSERT ON AR
  BEGIN UPDATE AR_COUNT SET n = n + 1 WHERE id = 1; END)sql",
    R"sql(CREATE TRIGGER IF NOT EXISTS AR_counted_delete AFTER DELETE ON AR
  BEGIN UPDATE AR_COUNT SET n = n - 1 WHERE id = 1; END)sql",
    // One row per download; tools outside the program read these columns.
    R"sql(CREATE TABLE IF NOT EXISTS DOWNLOAD(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  started TEXT NOT NULL,
  finished TEXT,
  station TEXT NOT NULL,
  port TEXT NOT NULL,
  stored INTEGER NOT NULL,
  duplicates INTEGER NOT NULL,
  rejected INTEGER NOT NULL,
  failed INTEGER NOT NULL,
  outcome TEXT NOT NULL
))sql",
    // The download that stored each event; AR keeps its own columns.
    R"sql(CREATE TABLE IF NOT EXISTS AR_DOWNLOAD(
  ar INTEGER PRIMARY KEY,
  download INTEGER NOT NULL REFERENCES DOWNLOAD(id)
))sql",
    R"sql(CREATE INDEX IF NOT EXISTS AR_DOWNLOAD_download ON AR_DOWNLOAD(download))sql",
    R"sql(CREATE TRIGGER IF NOT EXISTS AR_unlinked_delete AFTER DELETE ON AR
  BEGIN DELETE FROM AR_DOWNLOAD WHERE ar = OLD.id; END)sql",
};

constexpr auto kTableColumns = R"sql(SELECT name FROM pragma_table_info(:table))sql";

const QStringList kArColumns = {"id",     "Gas",   "sTime",  "sValue", "pTime",
                                "pValue", "eTime", "eValue", "Unt"};
const QStringList kSettingColumns = {"id", "Desc"};
const QStringList kDownloadColumns = {"id",     "started",    "finished", "station", "port",
                                      "stored", "duplicates", "rejected", "failed",  "outcome"};

// What tells the file at path apart from one put in its place: device and inode where the
// system has them, otherwise only whether it exists.
QByteArray fileIdentityOf(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QByteArrayLiteral("missing");
    return QByteArray::number(qulonglong(info.st_dev)) + ':' +
           QByteArray::number(qulonglong(info.st_ino));
#else
    // Elsewhere an open store cannot be replaced; only its removal is seen.
    return QFileInfo::exists(path) ? QByteArrayLiteral("present") : QByteArrayLiteral("missing");
#endif
}

QString nextConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("zor-store-%1").arg(counter.fetchAndAddRelaxed(1));
}

bool hasSqliteHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(kSqliteHeader.size()) == kSqliteHeader.toByteArray();
}

bool isWritableStore(const QFileInfo& info) {
    // The journal lives beside the store, so its folder must take new files too.
    return info.isWritable() && QFileInfo(info.absolutePath()).isWritable();
}

QStringList columnsOf(const QSqlDatabase& db, const QString& table) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QString::fromLatin1(kTableColumns));
    query.bindValue(":table", table);
    QStringList names;
    if (!query.exec())
        return names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

void runScript(const QSqlDatabase& db, const QStringList& script) {
    WriteTransaction transaction(db);
    for (const QString& statement : script)
        executeDirect(db, statement);
    transaction.commit();
}

} // namespace

Database::Database(const QString& path) : path_(path), connectionName_(nextConnectionName()) {
    const QFileInfo info(path);
    if (!info.isFile() || !hasSqliteHeader(path) || !isWritableStore(info))
        throw ConnectError();

    fileIdentity_ = fileIdentityOf(path);
    db_ = QSqlDatabase::addDatabase(QString::fromLatin1(kDriver), connectionName_);
    db_.setDatabaseName(path);
    db_.setConnectOptions(QString::fromLatin1(kConnectOptions));
    const bool usable = db_.open() && columnsOf(db_, "AR") == kArColumns &&
                        columnsOf(db_, "SETTING") == kSettingColumns;
    try {
        if (!usable)
            throw ConnectError();
        // Every committed row reaches the disk before the statement returns.
        executeDirect(db_, "PRAGMA journal_mode = WAL");
        executeDirect(db_, "PRAGMA synchronous = FULL");
        runScript(db_, kCreateHelpers);
        // A table of that name made by something else cannot hold the history.
        if (columnsOf(db_, "DOWNLOAD") != kDownloadColumns)
            throw ConnectError();
    } catch (const UserError&) {
        release();
        throw ConnectError();
    }
}

Database::Database(const QString& path, Creating)
    : path_(path), connectionName_(nextConnectionName()) {
    db_ = QSqlDatabase::addDatabase(QString::fromLatin1(kDriver), connectionName_);
    db_.setDatabaseName(path);
    if (!db_.open()) {
        const QString text = errorText(db_.lastError());
        release();
        throw UserError(text);
    }
    executeDirect(db_, "PRAGMA journal_mode = WAL");
}

Database::~Database() {
    release();
}

void Database::ensureSameFile() const {
    if (fileIdentityOf(path_) != fileIdentity_)
        throw UserError(
            QStringLiteral("The store file \"%1\" was removed or replaced while the program "
                           "was running; nothing more is written to it. Restart the program")
                .arg(QFileInfo(path_).fileName()));
}

void Database::release() {
    if (db_.isValid())
        db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

void Database::createEmpty(const QString& path) {
    if (QFileInfo::exists(path))
        throw UserError(
            QStringLiteral("The file \"%1\" already exists; it was not changed.").arg(path));
    const QFileInfo target(path);
    QTemporaryFile draft(target.absoluteDir().filePath(QStringLiteral(".zor-store-XXXXXX")));
    if (!draft.open())
        throw UserError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, draft.errorString()));
    draft.close();
    {
        Database store(draft.fileName(), Database::Creating{});
        runScript(store.db_, kCreateSchema);
        runScript(store.db_, kCreateHelpers);
    }
    // Renaming refuses an existing target, so a store that appeared meanwhile is kept.
    if (!QFile::rename(draft.fileName(), path))
        throw UserError(QStringLiteral("Cannot create file \"%1\".").arg(path));
    draft.setAutoRemove(false);
}

} // namespace zor
