#pragma once

#include "ListingModel.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace zor {

inline constexpr auto kExportFileName = "ZOR.xls";
// A worksheet of this file format holds at most this many rows.
inline constexpr int kMaxSheetRows = 65536;
// Listing rows that fit beside the title row and the footer row.
inline constexpr int kMaxExportRows = kMaxSheetRows - 2;

// The worksheet of the whole listing: a title row, one row per listing row in listing order,
// and the footer row, with the given columns (logical indexes, in grid order). Titles are
// indexed by logical column; when empty, the model's header titles are used. The footer holds
// "Record Count:" under the start-time column and the count under the start-value column,
// each only when that column is exported. Throws UserError when the listing is too long.
QByteArray buildWorksheet(ListingModel& model, const QList<int>& visibleColumns,
                          const QStringList& titles = {});

// Writes the worksheet to the file, replacing it only once the new file is complete. Returns
// false and leaves the file untouched when the listing is empty. Throws UserError when the
// file cannot be created or the listing is too long; the old file stays as it was.
bool exportListing(ListingModel& model, const QList<int>& visibleColumns,
                   const QString& path = QString::fromLatin1(kExportFileName),
                   const QStringList& titles = {});

} // namespace zor
