#pragma once

#include "AlarmFrame.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <map>

namespace zor {

class Database;

// Writes alarm events into the store: each event once, durable on return.
class AlarmStore {
public:
    explicit AlarmStore(QSqlDatabase db) : db_(std::move(db)) {}
    // Writes only while the store file is still the one that was opened.
    explicit AlarmStore(const Database& store);

    // Appends the event unless one with the same three times, gas and unit is stored.
    // With a download key, the event is linked to that download and its history row counts
    // it, in the same transaction. Returns true when a row was appended; throws UserError.
    bool import(const AlarmRecord& record, qint64 downloadId = 0);

    // Deletes the rows with these keys; throws UserError.
    void remove(const QList<qint64>& ids);

    // Deletes every alarm event; throws UserError.
    void clear();

    // Throws UserError when the store file is no longer the one that was opened.
    void ensureWritable() const;

private:
    bool append(const AlarmRecord& record, qint64 downloadId);
    // The import's statements, prepared once and kept.
    QSqlQuery& statement(const char* sql);
    void countIn(const char* sql, qint64 downloadId);

    QSqlDatabase db_;
    const Database* store_ = nullptr;
    std::map<const char*, QSqlQuery> statements_;
};

} // namespace zor
