#pragma once

#include "ListingRow.h"

#include <QDate>
#include <QSqlDatabase>
#include <optional>
#include <vector>

namespace zor {

// What the operator filters the listing by.
struct ListingFilter {
    QString gas;               // empty: every gas
    std::optional<QDate> from; // with to: peak days from..to, both whole days
    std::optional<QDate> to;

    bool operator==(const ListingFilter&) const = default;
};

// The stored events that pass a filter, newest peak first, then by gas.
class Listing {
public:
    explicit Listing(QSqlDatabase db) : db_(std::move(db)) {}

    // Number of rows that pass the filter; throws UserError.
    qint64 count(const ListingFilter& filter) const;

    // Up to limit rows in listing order, starting after the given row (or at the top).
    std::vector<ListingRow> page(const ListingFilter& filter, const ListingRow* after,
                                 int limit) const;

    // The first rows in listing order with only their key, gas, peak time and peak reading:
    // what the peak chart plots.
    std::vector<ListingRow> peaks(const ListingFilter& filter, int limit) const;

    // Earliest and latest stored peak time; nothing on an empty store.
    std::optional<QDateTime> earliestPeak() const;
    std::optional<QDateTime> latestPeak() const;

private:
    QSqlDatabase db_;
};

} // namespace zor
