#include "ListingModel.h"

#include "DisplayFormat.h"

#include <algorithm>

namespace zor {

namespace {
const QStringList kTitles = {"Gas",    "Start Alarm Time", "Value", "Peak Alarm Time",
                             "Value",  "End Alarm Time",   "Value", "Unit"};
}

ListingModel::ListingModel(const Listing& listing, const QLocale& locale, QObject* parent)
    : QAbstractTableModel(parent), listing_(listing), separators_(LocaleSeparators::of(locale)),
      titles_(kTitles) {}

void ListingModel::reload(const ListingFilter& filter) {
    beginResetModel();
    filter_ = filter;
    rows_.clear();
    total_ = 0;
    try {
        total_ = listing_.count(filter_);
        rows_ = listing_.page(filter_, nullptr, kPageRows);
    } catch (...) {
        rows_.clear();
        total_ = 0;
        endResetModel();
        emit totalChanged(total_);
        throw;
    }
    endResetModel();
    emit totalChanged(total_);
}

void ListingModel::fetchAll() {
    while (canFetchMore({}))
        fetchMore({});
}

void ListingModel::dropRows(const QList<qint64>& ids) {
    for (qint64 id : ids) {
        const auto it = std::find_if(rows_.begin(), rows_.end(),
                                     [id](const ListingRow& r) { return r.id == id; });
        if (it == rows_.end())
            continue;
        const int row = int(it - rows_.begin());
        beginRemoveRows({}, row, row);
        rows_.erase(it);
        --total_;
        endRemoveRows();
    }
    emit totalChanged(total_);
}

int ListingModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int ListingModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString ListingModel::cellText(const ListingRow& row, int column) const {
    switch (column) {
    case Gas:
        return row.gas;
    case StartTime:
        return gridTimeText(row.sTime, separators_);
    case StartValue:
        return readingText(row.sValue, separators_);
    case PeakTime:
        return gridTimeText(row.pTime, separators_);
    case PeakValue:
        return readingText(row.pValue, separators_);
    case EndTime:
        return gridTimeText(row.eTime, separators_);
    case EndValue:
        return readingText(row.eValue, separators_);
    case Unit:
        return row.unit;
    default:
        return {};
    }
}

QVariant ListingModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return cellText(rows_[index.row()], index.column());
    return {};
}

QVariant ListingModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return titles_[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ListingModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                 int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount ||
        (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    titles_[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags ListingModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool ListingModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && qint64(rows_.size()) < total_;
}

void ListingModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    std::vector<ListingRow> more = listing_.page(filter_, rows_.empty() ? nullptr : &rows_.back(), kPageRows);
    if (more.empty()) {
        // The store changed under the listing: what was counted is no longer there.
        total_ = qint64(rows_.size());
        emit totalChanged(total_);
        return;
    }
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(more.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(more.begin()),
                 std::make_move_iterator(more.end()));
    endInsertRows();
}

} // namespace zor
