#include "AlarmStore.h"

#include "Database.h"
#include "SqlSupport.h"
#include "UserError.h"

#include <QSqlError>

namespace zor {

namespace {

constexpr auto kFindEvent = R"sql(SELECT 1 FROM AR
  WHERE sTime = :sTime AND pTime = :pTime AND eTime = :eTime AND Gas = :gas AND Unt = :unit
  LIMIT 1)sql";
constexpr auto kAppendEvent =
    R"sql(INSERT INTO AR(Gas, sTime, sValue, pTime, pValue, eTime, eValue, Unt)
  VALUES (:gas, :sTime, :sValue, :pTime, :pValue, :eTime, :eValue, :unit))sql";
constexpr auto kLinkEvent =
    R"sql(INSERT INTO AR_DOWNLOAD(ar, download) VALUES (:ar, :download))sql";
constexpr auto kCountStored =
    R"sql(UPDATE DOWNLOAD SET stored = stored + 1 WHERE id = :download)sql";
constexpr auto kCountDuplicate =
    R"sql(UPDATE DOWNLOAD SET duplicates = duplicates + 1 WHERE id = :download)sql";
constexpr auto kDeleteRow = R"sql(DELETE FROM AR WHERE id = :id)sql";
constexpr auto kDeleteAll = R"sql(DELETE FROM AR)sql";

QVariant readingValue(double value, bool whole) {
    return whole ? QVariant(qint64(value)) : QVariant(value);
}

} // namespace

AlarmStore::AlarmStore(const Database& store) : db_(store.connection()), store_(&store) {}

void AlarmStore::ensureWritable() const {
    if (store_)
        store_->ensureSameFile();
}

bool AlarmStore::import(const AlarmRecord& record, qint64 downloadId) {
    ensureWritable();
    try {
        return append(record, downloadId);
    } catch (const UserError& e) {
        throw UserError(QStringLiteral("The alarm record could not be stored (%1); it stays in the "
                                       "detector and is stored by a later download")
                            .arg(e.text()));
    }
}

QSqlQuery& AlarmStore::statement(const char* sql) {
    auto kept = statements_.find(sql);
    if (kept == statements_.end())
        kept = statements_.emplace(sql, prepareStatement(db_, QString::fromLatin1(sql))).first;
    return kept->second;
}

void AlarmStore::countIn(const char* sql, qint64 downloadId) {
    QSqlQuery& count = statement(sql);
    count.bindValue(":download", downloadId);
    execute(count);
    count.finish();
}

bool AlarmStore::append(const AlarmRecord& record, qint64 downloadId) {
    WriteTransaction transaction(db_);
    QSqlQuery& find = statement(kFindEvent);
    find.bindValue(":sTime", toStoredTime(record.sTime));
    find.bindValue(":pTime", toStoredTime(record.pTime));
    find.bindValue(":eTime", toStoredTime(record.eTime));
    find.bindValue(":gas", record.gas);
    find.bindValue(":unit", record.unit);
    execute(find);
    const bool known = find.next();
    find.finish();
    if (known) {
        if (downloadId == 0)
            return false;
        countIn(kCountDuplicate, downloadId);
        transaction.commit();
        return false;
    }

    QSqlQuery& append = statement(kAppendEvent);
    append.bindValue(":gas", record.gas);
    append.bindValue(":sTime", toStoredTime(record.sTime));
    append.bindValue(":sValue", readingValue(record.sValue, record.wholeValues));
    append.bindValue(":pTime", toStoredTime(record.pTime));
    append.bindValue(":pValue", readingValue(record.pValue, record.wholeValues));
    append.bindValue(":eTime", toStoredTime(record.eTime));
    append.bindValue(":eValue", readingValue(record.eValue, record.wholeValues));
    append.bindValue(":unit", record.unit);
    execute(append);
    const QVariant rowId = append.lastInsertId();
    append.finish();
    if (downloadId != 0) {
        QSqlQuery& link = statement(kLinkEvent);
        link.bindValue(":ar", rowId);
        link.bindValue(":download", downloadId);
        execute(link);
        link.finish();
        countIn(kCountStored, downloadId);
    }
    transaction.commit();
    return true;
}

void AlarmStore::remove(const QList<qint64>& ids) {
    if (ids.isEmpty())
        return;
    ensureWritable();
    WriteTransaction transaction(db_);
    QSqlQuery del = prepareStatement(db_, kDeleteRow);
    for (qint64 id : ids) {
        del.bindValue(":id", id);
        execute(del);
    }
    del.finish();
    transaction.commit();
}

void AlarmStore::clear() {
    ensureWritable();
    QSqlQuery del = prepareStatement(db_, kDeleteAll);
    execute(del);
}

} // namespace zor
