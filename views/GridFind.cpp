#include "GridFind.h"

namespace zor {

namespace {

bool rowMatches(const ListingModel& model, int row, const FindOptions& options,
                const QList<int>& columns) {
    if (options.column >= 0)
        return cellMatches(model, row, options.column, options);
    for (int column : columns) {
        if (cellMatches(model, row, column, options))
            return true;
    }
    return false;
}

// Makes the row available, fetching pages as needed; false past the end of the listing.
bool reach(ListingModel& model, int row) {
    while (row >= model.rowCount() && model.canFetchMore({}))
        model.fetchMore({});
    return row < model.rowCount();
}

} // namespace

bool cellMatches(const ListingModel& model, int row, int column, const FindOptions& options) {
    const int role = options.ignoreDisplayFormat ? ListingModel::RawTextRole : Qt::DisplayRole;
    const QString value = model.index(row, column).data(role).toString();
    const Qt::CaseSensitivity cs = options.ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    switch (options.match) {
    case FindOptions::Match::WholeValue:
        return value.compare(options.text, cs) == 0;
    case FindOptions::Match::FromStart:
        return value.startsWith(options.text, cs);
    case FindOptions::Match::Anywhere:
    default:
        return value.contains(options.text, cs);
    }
}

std::optional<int> findRow(ListingModel& model, const FindOptions& options, int currentRow,
                           const QList<int>& columns) {
    if (options.text.isEmpty())
        return std::nullopt;
    if (options.direction == FindOptions::Direction::Up) {
        for (int row = std::min(currentRow, model.rowCount()) - 1; row >= 0; --row) {
            if (rowMatches(model, row, options, columns))
                return row;
        }
        return std::nullopt;
    }
    for (int row = std::max(currentRow + 1, 0); reach(model, row); ++row) {
        if (rowMatches(model, row, options, columns))
            return row;
    }
    if (options.direction == FindOptions::Direction::All) {
        for (int row = 0; row <= currentRow && row < model.rowCount(); ++row) {
            if (rowMatches(model, row, options, columns))
                return row;
        }
    }
    return std::nullopt;
}

} // namespace zor
