#pragma once

#include "Listing.h"
#include "LocaleSeparators.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace zor {

// The listing as a table: rows are fetched from the store page by page as the view
// scrolls, so a store of any size opens at once.
class ListingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Gas,
        StartTime,
        StartValue,
        PeakTime,
        PeakValue,
        EndTime,
        EndValue,
        Unit,
        ColumnCount
    };
    // The cell's value without the display format: times "yyyy-MM-dd HH:mm:ss", readings
    // with a decimal point.
    static constexpr int RawTextRole = Qt::UserRole;
    // A few screens of the grid; more are fetched as it scrolls.
    static constexpr int kPageRows = 64;

    ListingModel(const Listing& listing, const QLocale& locale, QObject* parent = nullptr);

    // Reopens the listing under the filter. On failure the listing is left empty and
    // the error is thrown on.
    void reload(const ListingFilter& filter);
    const ListingFilter& filter() const { return filter_; }

    // Number of rows of the whole listing, fetched or not.
    qint64 totalRows() const { return total_; }
    const ListingRow& rowAt(int row) const { return rows_.at(row); }
    // The first rows of the listing for the peak chart (key, gas, peak time and reading).
    std::vector<ListingRow> peaks(int limit) const { return listing_.peaks(filter_, limit); }
    // Fetches the listing through to its end.
    void fetchAll();
    // Drops rows that were deleted from the store.
    void dropRows(const QList<qint64>& ids);

    const LocaleSeparators& separators() const { return separators_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

signals:
    // The number of rows of the listing changed.
    void totalChanged(qint64 total);

private:
    QString cellText(const ListingRow& row, int column) const;
    QString rawText(const ListingRow& row, int column) const;

    const Listing& listing_;
    LocaleSeparators separators_;
    ListingFilter filter_;
    std::vector<ListingRow> rows_;
    qint64 total_ = 0;
    QStringList titles_;
};

} // namespace zor
