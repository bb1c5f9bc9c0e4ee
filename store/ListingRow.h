#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace zor {

// One stored alarm event as the listing shows it; id is the store's row key.
struct ListingRow {
    qint64 id = 0;
    QString gas;
    QDateTime sTime;
    std::optional<double> sValue;
    QDateTime pTime;
    std::optional<double> pValue;
    QDateTime eTime;
    std::optional<double> eValue;
    QString unit;
};

} // namespace zor
