#pragma once

#include "Listing.h"
#include "ListingModel.h"
#include "StoreFixture.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <functional>
#include <memory>

namespace zor::test {

// A store in a temporary folder with the listing and its model over it.
class ListingFixture {
public:
    explicit ListingFixture(const QLocale& locale = QLocale::c()) {
        listing = std::make_unique<Listing>(store.open().connection());
        model = std::make_unique<ListingModel>(*listing, locale);
    }

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

    StoreFixture store;
    std::unique_ptr<Listing> listing;
    std::unique_ptr<ListingModel> model;
};

} // namespace zor::test
