#include "ListingModel.h"

#include "DisplayFormat.h"
#include "GridLook.h"
#include "SqlSupport.h"

#include <QSet>
#include <algorithm>
#include <unordered_map>

namespace zor {

namespace {
const QStringList kTitles = {"Gas",   "Start Alarm Time", "Value", "Peak Alarm Time",
                             "Value", "End Alarm Time",   "Value", "Unit"};

// Readings with a decimal point whatever the locale.
QString rawReading(const std::optional<double>& value) {
    return readingText(value, LocaleSeparators{});
}
} // namespace

ListingModel::ListingModel(const Listing& listing, const QLocale& locale, QObject* parent)
    : QAbstractTableModel(parent), listing_(listing), separators_(LocaleSeparators::of(locale)),
      titles_(kTitles) {}

void ListingModel::reload(const ListingFilter& filter) {
    std::vector<ListingRow> page;
    qint64 total = 0;
    try {
        const std::vector<qint64> keys = listing_.keys(filter, kPageRows);
        page = rowsOf(keys);
        // A page that is not full holds the whole listing.
        total = keys.size() < size_t(kPageRows) ? qint64(keys.size()) : listing_.count(filter);
    } catch (...) {
        beginResetModel();
        filter_ = filter;
        rows_.clear();
        total_ = 0;
        endResetModel();
        emit totalChanged(total_);
        throw;
    }

    const std::optional<int> added =
        filter == filter_ && listing_.keysNeverReused() ? newAtTop(page) : std::nullopt;
    if (!added) {
        beginResetModel();
        filter_ = filter;
        rows_ = std::move(page);
        total_ = total;
        endResetModel();
        emit totalChanged(total_);
        return;
    }
    // Rows pushed past the page go, rows new to the top come in above those shown.
    const int kept = int(page.size()) - *added;
    if (int(rows_.size()) > kept) {
        beginRemoveRows({}, kept, int(rows_.size()) - 1);
        rows_.resize(size_t(kept));
        endRemoveRows();
    }
    if (*added > 0) {
        beginInsertRows({}, 0, *added - 1);
        rows_.insert(rows_.begin(), std::make_move_iterator(page.begin()),
                     std::make_move_iterator(page.begin() + *added));
        endInsertRows();
    }
    total_ = total;
    emit totalChanged(total_);
    emit refreshedInPlace();
}

std::optional<int> ListingModel::newAtTop(const std::vector<ListingRow>& page) const {
    if (rows_.empty() || page.empty())
        return std::nullopt;
    const auto first = std::find_if(
        page.begin(), page.end(), [this](const ListingRow& r) { return r.id == rows_.front().id; });
    const size_t added = size_t(first - page.begin());
    if (first == page.end() || page.size() - added > rows_.size())
        return std::nullopt;
    for (size_t i = added; i < page.size(); ++i) {
        if (page[i].id != rows_[i - added].id)
            return std::nullopt;
    }
    return int(added);
}

std::vector<ListingRow> ListingModel::rowsOf(const std::vector<qint64>& keys) const {
    // The rows of a new first page were on the old one unless they are new to the listing.
    const size_t known = listing_.keysNeverReused() ? std::min(rows_.size(), size_t(kPageRows)) : 0;
    std::unordered_map<qint64, size_t> readAt;
    for (size_t i = 0; i < known; ++i)
        readAt.emplace(rows_[i].id, i);
    std::vector<qint64> unread;
    for (qint64 key : keys) {
        if (!readAt.contains(key))
            unread.push_back(key);
    }
    std::vector<ListingRow> fresh = listing_.rows(unread);
    std::vector<ListingRow> page;
    page.reserve(keys.size());
    auto next = fresh.begin();
    for (qint64 key : keys) {
        if (const auto at = readAt.find(key); at != readAt.end())
            page.push_back(rows_[at->second]);
        else if (next != fresh.end() && next->id == key)
            page.push_back(std::move(*next++));
    }
    return page;
}

void ListingModel::fetchAll() {
    while (canFetchMore({}))
        fetchMore({});
}

void ListingModel::dropRows(const QList<qint64>& ids) {
    const QSet<qint64> dropped(ids.begin(), ids.end());
    const auto isDropped = [&dropped](const ListingRow& r) { return dropped.contains(r.id); };
    // Runs of neighbouring rows go at once, from the bottom up so indexes stay valid.
    int last = int(rows_.size()) - 1;
    while (last >= 0) {
        if (!isDropped(rows_[last])) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && isDropped(rows_[first - 1]))
            --first;
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        total_ -= last - first + 1;
        endRemoveRows();
        last = first - 1;
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

QString ListingModel::rawText(const ListingRow& row, int column) const {
    switch (column) {
    case StartTime:
        return toStoredTime(row.sTime);
    case StartValue:
        return rawReading(row.sValue);
    case PeakTime:
        return toStoredTime(row.pTime);
    case PeakValue:
        return rawReading(row.pValue);
    case EndTime:
        return toStoredTime(row.eTime);
    case EndValue:
        return rawReading(row.eValue);
    default:
        return cellText(row, column);
    }
}

QVariant ListingModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return cellText(rows_[index.row()], column);
    case RawTextRole:
        return rawText(rows_[index.row()], column);
    case Qt::FontRole:
        return gridlook::cellFont(column);
    case Qt::ForegroundRole:
        if (const auto colour = gridlook::cellColour(column))
            return *colour;
        return {};
    case Qt::TextAlignmentRole:
        return int(gridlook::cellAlignment(column));
    case Qt::BackgroundRole:
        // Rows are counted from 1: the odd ones are cream.
        if (index.row() % 2 == 0)
            return gridlook::kCream;
        return {};
    default:
        return {};
    }
}

QVariant ListingModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return titles_[section];
    case Qt::FontRole:
        return gridlook::titleFont();
    case Qt::ForegroundRole:
        if (const auto colour = gridlook::titleColour(section))
            return *colour;
        return {};
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return QAbstractTableModel::headerData(section, orientation, role);
    }
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
    std::vector<ListingRow> more =
        listing_.page(filter_, rows_.empty() ? nullptr : &rows_.back(), kPageRows);
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
