#pragma once

#include "AlarmFrame.h"
#include "AlarmStore.h"
#include "Database.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace zor::test {

// A wall-clock date-time as the detector reports it.
inline QDateTime at(const QString& text) {
    const QDateTime local = QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss");
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

inline AlarmRecord record(const QString& gas, const QString& start, double sValue,
                          const QString& peak, double pValue, const QString& end, double eValue,
                          const QString& unit = "PPM") {
    AlarmRecord r;
    r.gas = gas;
    r.sTime = at(start);
    r.sValue = sValue;
    r.pTime = at(peak);
    r.pValue = pValue;
    r.eTime = at(end);
    r.eValue = eValue;
    r.unit = unit;
    r.wholeValues = gas == "CO";
    return r;
}

// An alarm event peaking at the given time; start and end around it.
inline AlarmRecord peakingAt(const QString& gas, const QString& peak, double pValue = 10) {
    const QDateTime p = at(peak);
    AlarmRecord r = record(gas, peak, 1, peak, pValue, peak, 1);
    r.sTime = p.addSecs(-60);
    r.eTime = p.addSecs(60);
    return r;
}

// An empty store in a temporary folder.
class StoreFixture {
public:
    StoreFixture() {
        QVERIFY(dir.isValid());
        path = dir.filePath(QString::fromLatin1(kStoreFileName));
        Database::createEmpty(path);
    }
    Database& open() {
        if (!db)
            db = std::make_unique<Database>(path);
        return *db;
    }
    AlarmStore store() { return AlarmStore(open().connection()); }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Database> db;
};

} // namespace zor::test
