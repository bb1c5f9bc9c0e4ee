#pragma once

#include "ListingModel.h"

#include <QList>
#include <QString>
#include <optional>

namespace zor {

// What the grid's find dialog looks for.
struct FindOptions {
    enum class Match { Anywhere, WholeValue, FromStart };
    enum class Direction { Up, Down, All };

    QString text;
    int column = -1; // a logical column, or -1 for every searched column
    Match match = Match::Anywhere;
    Direction direction = Direction::Down;
    bool ignoreCase = false;
    // Compare with the values as stored (times "yyyy-MM-dd HH:mm:ss", readings with a
    // point) rather than as the grid shows them.
    bool ignoreDisplayFormat = true;
};

// True when the cell's value matches the text.
bool cellMatches(const ListingModel& model, int row, int column, const FindOptions& options);

// The first matching row after the current one in the chosen direction; All goes down and
// then round from the top. Searching down fetches further rows as it goes. Columns are the
// logical columns searched when the options name none.
std::optional<int> findRow(ListingModel& model, const FindOptions& options, int currentRow,
                           const QList<int>& columns);

} // namespace zor
