#pragma once

#include "ListingRow.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zor {

// What the operator filters the listing by.
struct ListingFilter {
    QString gas;               // empty: every gas
    std::optional<QDate> from; // with to: peak days from..to, both whole days
    std::optional<QDate> to;

    bool operator==(const ListingFilter&) const = default;
};

// The stored events that pass a filter, newest peak first, then by gas. Statements are
// prepared once and kept for the life of the listing.
class Listing {
public:
    explicit Listing(QSqlDatabase db);

    // Number of rows that pass the filter; throws UserError.
    qint64 count(const ListingFilter& filter) const;

    // Up to limit rows in listing order, starting after the given row (or at the top).
    std::vector<ListingRow> page(const ListingFilter& filter, const ListingRow* after,
                                 int limit) const;

    // Keys of the first rows in listing order, read from the listing index alone.
    std::vector<qint64> keys(const ListingFilter& filter, int limit) const;

    // The stored rows with the given keys, in the order of the keys; a key no longer stored is
    // left out.
    std::vector<ListingRow> rows(const std::vector<qint64>& keys) const;

    // True when a key names the same event for as long as it is stored and is never given to
    // another one, so that a row read once can stand for a later read of its key.
    bool keysNeverReused() const { return keysNeverReused_; }

    // Earliest and latest stored peak time; nothing on an empty store.
    std::optional<QDateTime> earliestPeak() const;
    std::optional<QDateTime> latestPeak() const;

private:
    // The statement for the text, prepared on first use.
    QSqlQuery& statement(const QString& sql) const;
    void readBatch(const qint64* keys, size_t count,
                   std::unordered_map<qint64, ListingRow>& found) const;

    QSqlDatabase db_;
    bool keysNeverReused_ = false;
    mutable std::unordered_map<QString, QSqlQuery> statements_;
};

} // namespace zor
