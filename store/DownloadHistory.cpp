#include "DownloadHistory.h"

#include "SqlSupport.h"

namespace zor {

namespace {

constexpr auto kBegin = R"sql(INSERT INTO DOWNLOAD
  (started, finished, station, port, stored, duplicates, rejected, failed, outcome)
  VALUES (:started, NULL, :station, :port, 0, 0, 0, 0, :outcome))sql";
constexpr auto kAddRejected =
    R"sql(UPDATE DOWNLOAD SET rejected = rejected + :n WHERE id = :id)sql";
constexpr auto kAddFailed = R"sql(UPDATE DOWNLOAD SET failed = failed + :n WHERE id = :id)sql";
constexpr auto kFinish = R"sql(UPDATE DOWNLOAD SET finished = :finished, stored = :stored,
  duplicates = :duplicates, rejected = :rejected, failed = :failed, outcome = :outcome
  WHERE id = :id)sql";
constexpr auto kCloseAbandoned = R"sql(UPDATE DOWNLOAD SET outcome = :interrupted
  WHERE outcome = :running AND station = :station)sql";
constexpr auto kRows = R"sql(SELECT id, started, finished, station, port, stored, duplicates,
  rejected, failed, outcome FROM DOWNLOAD ORDER BY id)sql";

// History times are local wall-clock times, as the operator reads them.
QString localTime(const QDateTime& time) {
    return toStoredTime(time.toLocalTime());
}

} // namespace

qint64 DownloadHistory::begin(const QString& station, const QString& port,
                              const QDateTime& started) {
    QSqlQuery insert = prepareStatement(db_, kBegin);
    insert.bindValue(":started", localTime(started));
    insert.bindValue(":station", station);
    insert.bindValue(":port", port);
    insert.bindValue(":outcome", QString::fromLatin1(kOutcomeRunning));
    execute(insert);
    return insert.lastInsertId().toLongLong();
}

void DownloadHistory::addTo(const char* sql, qint64 id, int frames) {
    if (frames == 0)
        return;
    QSqlQuery update = prepareStatement(db_, QString::fromLatin1(sql));
    update.bindValue(":n", frames);
    update.bindValue(":id", id);
    execute(update);
}

void DownloadHistory::addRejected(qint64 id, int frames) {
    addTo(kAddRejected, id, frames);
}

void DownloadHistory::addFailed(qint64 id, int frames) {
    addTo(kAddFailed, id, frames);
}

void DownloadHistory::finish(qint64 id, const DownloadCounts& counts, const QString& outcome,
                             const QDateTime& finished) {
    QSqlQuery update = prepareStatement(db_, kFinish);
    update.bindValue(":finished", localTime(finished));
    update.bindValue(":stored", counts.stored);
    update.bindValue(":duplicates", counts.duplicates);
    update.bindValue(":rejected", counts.rejected);
    update.bindValue(":failed", counts.failed);
    update.bindValue(":outcome", outcome);
    update.bindValue(":id", id);
    execute(update);
}

int DownloadHistory::closeAbandoned(const QString& station) {
    QSqlQuery update = prepareStatement(db_, kCloseAbandoned);
    update.bindValue(":interrupted", QString::fromLatin1(kOutcomeInterrupted));
    update.bindValue(":running", QString::fromLatin1(kOutcomeRunning));
    update.bindValue(":station", station);
    execute(update);
    return update.numRowsAffected();
}

std::vector<DownloadRow> DownloadHistory::rows() const {
    QSqlQuery query = prepareStatement(db_, kRows);
    execute(query);
    std::vector<DownloadRow> rows;
    while (query.next()) {
        DownloadRow row;
        row.id = query.value(0).toLongLong();
        row.started = query.value(1).toString();
        row.finished = query.value(2).toString();
        row.station = query.value(3).toString();
        row.port = query.value(4).toString();
        row.counts = {query.value(5).toInt(), query.value(6).toInt(), query.value(7).toInt(),
                      query.value(8).toInt()};
        row.outcome = query.value(9).toString();
        rows.push_back(row);
    }
    return rows;
}

} // namespace zor
