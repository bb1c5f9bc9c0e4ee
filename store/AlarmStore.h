#pragma once

#include "AlarmFrame.h"

#include <QList>
#include <QSqlDatabase>

namespace zor {

// Writes alarm events into the store: each event once, durable on return.
class AlarmStore {
public:
    explicit AlarmStore(QSqlDatabase db) : db_(std::move(db)) {}

    // Appends the event unless one with the same three times, gas and unit is stored.
    // Returns true when a row was appended; throws UserError.
    bool import(const AlarmRecord& record);

    // Deletes the rows with these keys; throws UserError.
    void remove(const QList<qint64>& ids);

    // Deletes every alarm event; throws UserError.
    void clear();

private:
    QSqlDatabase db_;
};

} // namespace zor
