#pragma once

#include <QAtomicInteger>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <cmath>

namespace zor::test {

// The test's own read-only look into a store that the program may be writing at the same
// time: the write-ahead log lets a reader see every committed row while another writes.
class StoreProbe {
public:
    static constexpr int kBusyTimeoutMs = 2000;

    explicit StoreProbe(const QString& path) : name_(nextName()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db.setDatabaseName(path);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        opened_ = db.open();
        if (!opened_)
            openError_ = db.lastError().text();
    }
    ~StoreProbe() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    StoreProbe(const StoreProbe&) = delete;
    StoreProbe& operator=(const StoreProbe&) = delete;

    bool isOpen() const { return opened_; }
    const QString& openError() const { return openError_; }

    // Rows of AR, or -1 when the store cannot be read.
    qint64 rowCount() {
        QSqlQuery query(db());
        if (!query.exec(QStringLiteral("SELECT count(*) FROM AR")) || !query.next())
            return -1;
        return query.value(0).toLongLong();
    }

    // The first value of a statement's first row; empty when there is none or it fails.
    QVariant scalar(const QString& sql) {
        QSqlQuery query(db());
        if (!query.exec(sql) || !query.next())
            return {};
        return query.value(0);
    }

    // "ok" for a sound file, otherwise SQLite's findings (or the error that stopped it).
    QString integrity() {
        QSqlQuery query(db());
        if (!query.exec(QStringLiteral("PRAGMA integrity_check")))
            return query.lastError().text();
        QStringList findings;
        while (query.next())
            findings << query.value(0).toString();
        return findings.join(u'\n');
    }

    // Empty when the kept number of events agrees with the rows, else what disagrees.
    QString countDisagreement() {
        QSqlQuery query(db());
        if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE name = 'AR_COUNT'")) ||
            !query.next())
            return {};
        query.finish();
        if (!query.exec(QStringLiteral("SELECT (SELECT n FROM AR_COUNT WHERE id = 1), "
                                       "(SELECT count(*) FROM AR)")) ||
            !query.next())
            return query.lastError().text();
        if (query.value(0).toLongLong() == query.value(1).toLongLong())
            return {};
        return QStringLiteral("kept count %1, rows %2")
            .arg(query.value(0).toString(), query.value(1).toString());
    }

    // Stored events in the simulator's log form, in the order they were appended. A reading
    // that is not what a raw detector value scales to is shown as it is, so it cannot match.
    QStringList storedEvents() {
        QSqlQuery query(db());
        query.setForwardOnly(true);
        QStringList events;
        if (!query.exec(QStringLiteral("SELECT Gas, Unt, sTime, sValue, pTime, pValue, eTime, "
                                       "eValue FROM AR ORDER BY id"))) {
            events << QStringLiteral("<unreadable: %1>").arg(query.lastError().text());
            return events;
        }
        while (query.next()) {
            const bool whole = query.value(0).toString() == QStringLiteral("CO");
            const auto raw = [&](int column) {
                if (query.value(column).isNull())
                    return QStringLiteral("<null>");
                const double scaled = query.value(column).toDouble() * (whole ? 1 : kTenths);
                const double rounded = std::round(scaled);
                if (std::abs(scaled - rounded) > kRawTolerance)
                    return QString::number(scaled, 'g', kShownDigits);
                return QString::number(qint64(rounded));
            };
            const auto time = [&](int column) {
                return query.value(column).toString().replace(u' ', u'T');
            };
            events << QStringList{query.value(0).toString(),
                                  query.value(1).toString(),
                                  time(2),
                                  raw(3),
                                  time(4),
                                  raw(5),
                                  time(6),
                                  raw(7)}
                          .join(u' ');
        }
        return events;
    }

private:
    static constexpr double kTenths = 10;
    static constexpr double kRawTolerance = 1e-6;
    static constexpr int kShownDigits = 17;

    static QString nextName() {
        static QAtomicInteger<int> counter;
        return QStringLiteral("fault-probe-%1").arg(counter.fetchAndAddRelaxed(1));
    }
    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

    QString name_;
    bool opened_ = false;
    QString openError_;
};

// The same events in a fixed order, to compare downloads whose order may differ.
inline QStringList sortedEvents(QStringList events) {
    events.sort();
    return events;
}

// The events that occur more than once.
inline QStringList duplicateEvents(QStringList events) {
    events.sort();
    QStringList repeated;
    for (qsizetype i = 1; i < events.size(); ++i)
        if (events[i] == events[i - 1] && (repeated.isEmpty() || repeated.last() != events[i]))
            repeated << events[i];
    return repeated;
}

} // namespace zor::test
