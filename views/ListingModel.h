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

    // Reopens the listing under the filter: its first page, as after a reset. When the filter
    // is the same and the new page is the old one below rows new to the top, the rows are
    // changed in place instead of reset, so views repaint only what changed; refreshedInPlace()
    // then tells them. On failure the listing is left empty and the error is thrown on.
    void reload(const ListingFilter& filter);
    const ListingFilter& filter() const { return filter_; }

    // Number of rows of the whole listing, fetched or not.
    qint64 totalRows() const { return total_; }
    const ListingRow& rowAt(int row) const { return rows_.at(row); }
    // Keys of the first rows of the listing, and the stored rows of given keys: what the peak
    // chart reads.
    std::vector<qint64> keys(int limit) const { return listing_.keys(filter_, limit); }
    std::vector<ListingRow> rows(const std::vector<qint64>& keys) const {
        return listing_.rows(keys);
    }
    bool keysNeverReused() const { return listing_.keysNeverReused(); }
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
    // A reload changed the rows in place: views drop their marks as a reset would make them.
    void refreshedInPlace();

private:
    // The rows of the keys; rows already read are taken over instead of read again.
    std::vector<ListingRow> rowsOf(const std::vector<qint64>& keys) const;
    // How many rows of the page are new above the rows shown, when the rest of the page is
    // the rows shown; nothing otherwise.
    std::optional<int> newAtTop(const std::vector<ListingRow>& page) const;
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
