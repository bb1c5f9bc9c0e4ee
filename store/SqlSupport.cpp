#include "SqlSupport.h"

#include "UserError.h"

#include <QSqlError>

namespace zor {

namespace {
const QString kStoredTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kStoredDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kStoredClockFormat = QStringLiteral("HH:mm:ss");
}

QString errorText(const QSqlError& error) {
    const QString database = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (database.isEmpty())
        return driver;
    if (driver.isEmpty())
        return database;
    return driver + QStringLiteral(": ") + database;
}

QSqlQuery prepareStatement(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw UserError(errorText(query.lastError()));
    return query;
}

void execute(QSqlQuery& query) {
    if (!query.exec())
        throw UserError(errorText(query.lastError()));
}

void executeDirect(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw UserError(errorText(query.lastError()));
}

QString toStoredTime(const QDateTime& time) { return time.toString(kStoredTimeFormat); }

std::optional<QDateTime> fromStoredTime(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    // Stored times carry no zone: read them back as the same wall-clock value.
    const QStringList parts = value.toString().split(u' ');
    if (parts.size() != 2)
        return std::nullopt;
    const QDate date = QDate::fromString(parts[0], kStoredDateFormat);
    const QTime time = QTime::fromString(parts[1], kStoredClockFormat);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

std::optional<double> toReading(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const double reading = value.toDouble(&ok);
    return ok ? std::optional<double>(reading) : std::nullopt;
}

} // namespace zor
