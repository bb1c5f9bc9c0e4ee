#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <optional>

namespace zor {

// Prepares a statement on the connection; throws UserError with the database's text.
QSqlQuery prepareStatement(const QSqlDatabase& db, const QString& sql);

// Runs a prepared statement; throws UserError with the database's text.
void execute(QSqlQuery& query);

// Runs a statement without values; throws UserError with the database's text.
void executeDirect(const QSqlDatabase& db, const QString& sql);

// One write transaction: committed by commit(), rolled back when left without it.
class WriteTransaction {
public:
    explicit WriteTransaction(const QSqlDatabase& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void commit();

private:
    QSqlDatabase db_;
    bool committed_ = false;
};

// The text a failed statement gives the operator.
QString errorText(const QSqlError& error);

// Stored date-times are text "yyyy-MM-dd HH:mm:ss" in local wall-clock time.
QString toStoredTime(const QDateTime& time);
std::optional<QDateTime> fromStoredTime(const QVariant& value);

// A reading column may be empty.
std::optional<double> toReading(const QVariant& value);

} // namespace zor
