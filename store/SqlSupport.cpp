#include "SqlSupport.h"

#include "UserError.h"

#include <QSqlError>

namespace zor {

namespace {
const QString kStoredTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

QString errorText(const QSqlError& error) {
    const QString database = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    // The database's own words say what went wrong; the driver's only which call failed.
    return database.isEmpty() ? driver : database;
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

WriteTransaction::WriteTransaction(const QSqlDatabase& db) : db_(db) {
    executeDirect(db_, "BEGIN IMMEDIATE");
}

WriteTransaction::~WriteTransaction() {
    if (!committed_)
        QSqlQuery(db_).exec("ROLLBACK");
}

void WriteTransaction::commit() {
    executeDirect(db_, "COMMIT");
    committed_ = true;
}

QString toStoredTime(const QDateTime& time) {
    return time.toString(kStoredTimeFormat);
}

std::optional<QDateTime> fromStoredTime(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    // "yyyy-MM-dd HH:mm:ss", read digit by digit: the listing reads thousands of these.
    const QString text = value.toString();
    constexpr int kLength = 19;
    if (text.size() != kLength)
        return std::nullopt;
    const auto number = [&](int at, int digits, bool& ok) {
        int n = 0;
        for (int i = at; i < at + digits; ++i) {
            const char16_t c = text[i].unicode();
            ok = ok && c >= u'0' && c <= u'9';
            n = n * 10 + (c - u'0');
        }
        return n;
    };
    bool ok = text[4] == u'-' && text[7] == u'-' && text[10] == u' ' && text[13] == u':' &&
              text[16] == u':';
    const QDate date(number(0, 4, ok), number(5, 2, ok), number(8, 2, ok));
    const QTime time(number(11, 2, ok), number(14, 2, ok), number(17, 2, ok));
    if (!ok || !date.isValid() || !time.isValid())
        return std::nullopt;
    // Stored times carry no zone: read them back as the same wall-clock value.
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
