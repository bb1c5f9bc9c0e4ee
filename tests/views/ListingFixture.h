#pragma once

#include "AlarmStore.h"
#include "Listing.h"
#include "ListingModel.h"
#include "StoreFixture.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <functional>
#include <memory>

namespace zor::test {

// What happens to a listed store between two refreshes.
enum class StoreChange {
    Nothing,         // a frame of an event already stored
    NewestEvent,     // a new event above every row
    TwoNewestEvents, // two of them
    OlderEvent,      // a new event between listed rows
    TopRowDeleted,   // by another program
    MiddleRowDeleted,
    KeyGivenAgain, // the newest row deleted, its key given to a new event (no AUTOINCREMENT)
};

// A store in a temporary folder with the listing and its model over it.
class ListingFixture {
public:
    explicit ListingFixture(const QLocale& locale = QLocale::c()) : locale_(locale) { open(); }

    void import(const AlarmRecord& record) { QVERIFY(store.store().import(record)); }

    // Stores n events straight through SQL; event i (from 0) peaks i steps before
    // 2024-01-26 12:00:00, so the listing shows them in the order i = 0, 1, 2, ...
    void addMany(
        int n, const std::function<double(int)>& peak = [](int) { return 10.0; },
        const QString& gas = QStringLiteral("CO"), qint64 stepSeconds = 60) {
        QSqlDatabase db = store.open().connection();
        QVERIFY(db.transaction());
        QSqlQuery insert(db);
        QVERIFY(insert.prepare("INSERT INTO AR(Gas, sTime, sValue, pTime, pValue, eTime, eValue, "
                               "Unt) VALUES (?, ?, ?, ?, ?, ?, ?, 'PPM')"));
        const QDateTime base(QDate(2024, 1, 26), QTime(12, 0), Qt::UTC);
        for (int i = 0; i < n; ++i) {
            const QDateTime p = base.addSecs(-stepSeconds * i);
            insert.addBindValue(gas);
            insert.addBindValue(p.addSecs(-30).toString("yyyy-MM-dd HH:mm:ss"));
            insert.addBindValue(1.0);
            insert.addBindValue(p.toString("yyyy-MM-dd HH:mm:ss"));
            insert.addBindValue(peak(i));
            insert.addBindValue(p.addSecs(30).toString("yyyy-MM-dd HH:mm:ss"));
            insert.addBindValue(2.0);
            QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
        }
        QVERIFY(db.commit());
    }

    void reload(const ListingFilter& filter = {}) { model->reload(filter); }

    // Keys of the shown rows: the first page of the listing.
    QList<qint64> pageKeys() const {
        QList<qint64> keys;
        for (int r = 0; r < model->rowCount(); ++r)
            keys << model->rowAt(r).id;
        return keys;
    }

    // Turns the store into one whose table has no AUTOINCREMENT, so that the key of a deleted
    // newest row is given to the next event, opens the listing anew and adds an event above
    // the others, with the highest key.
    void giveKeysAgain() {
        model.reset();
        listing.reset();
        store.db.reset();
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "rekey");
            raw.setDatabaseName(store.path);
            QVERIFY(raw.open());
            QSqlQuery q(raw);
            for (const char* sql :
                 {"CREATE TABLE AR_plain(id INTEGER PRIMARY KEY, Gas TEXT NOT NULL, sTime TEXT NOT "
                  "NULL, sValue REAL, pTime TEXT NOT NULL, pValue REAL, eTime TEXT NOT NULL, "
                  "eValue REAL, Unt TEXT NOT NULL)",
                  "INSERT INTO AR_plain SELECT * FROM AR", "DROP TABLE AR",
                  "ALTER TABLE AR_plain RENAME TO AR"})
                QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
        }
        QSqlDatabase::removeDatabase("rekey");
        open();
        addNewest("2024-01-27 08:00:00", 55);
    }

    // Changes the store of events added by addMany, peaking 60 s apart.
    void change(StoreChange what) {
        switch (what) {
        case StoreChange::Nothing:
            QVERIFY(!store.store().import(record("CO", "2024-01-26 11:59:30", 1.0,
                                                 "2024-01-26 12:00:00", 10, "2024-01-26 12:00:30",
                                                 2.0)));
            break;
        case StoreChange::NewestEvent:
            addNewest("2024-01-27 10:00:00", 77);
            break;
        case StoreChange::TwoNewestEvents:
            addNewest("2024-01-27 10:00:00", 77);
            addNewest("2024-01-27 10:30:00", 88);
            break;
        case StoreChange::OlderEvent:
            import(record("EX", "2024-01-26 11:49:00", 1, "2024-01-26 11:49:30", 66,
                          "2024-01-26 11:50:00", 1));
            break;
        case StoreChange::TopRowDeleted:
        case StoreChange::MiddleRowDeleted: {
            const QList<qint64> shown = pageKeys();
            QVERIFY(shown.size() > 5);
            AlarmStore(store.open().connection())
                .remove({what == StoreChange::TopRowDeleted ? shown.front() : shown[5]});
            break;
        }
        case StoreChange::KeyGivenAgain: {
            const qint64 top = pageKeys().value(0);
            AlarmStore(store.open().connection()).remove({top});
            addNewest("2024-01-27 10:00:00", 77);
            QSqlQuery q(store.open().connection());
            QVERIFY(q.exec("SELECT max(id) FROM AR") && q.next());
            QCOMPARE(q.value(0).toLongLong(), top);
            break;
        }
        }
    }

    StoreFixture store;
    std::unique_ptr<Listing> listing;
    std::unique_ptr<ListingModel> model;

private:
    // An event peaking after every event of addMany.
    void addNewest(const QString& peak, double value) {
        import(record("NO2", "2024-01-27 07:00:00", 1, peak, value, "2024-01-27 11:00:00", 1));
    }

    void open() {
        listing = std::make_unique<Listing>(store.open().connection());
        model = std::make_unique<ListingModel>(*listing, locale_);
    }

    QLocale locale_;
};

} // namespace zor::test
