#pragma once

#include "LocaleSeparators.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace zor {

// The caption of the row count under the start-time column, in the grid and the export.
inline constexpr auto kRecordCountCaption = "Record Count:";

// "yy/MM/dd HH:mm:ss" with the locale's date and time separators.
QString gridTimeText(const QDateTime& time, const LocaleSeparators& sep);

// "yy/MM/dd" with the locale's date separator.
QString shortDateText(const QDateTime& time, const LocaleSeparators& sep);

// "HH:mm:ss" with the locale's time separator.
QString clockText(const QDateTime& time, const LocaleSeparators& sep);

// A reading in general number form with the locale's decimal separator: 150, 20.9, 5.
QString readingText(const std::optional<double>& value, const LocaleSeparators& sep);

} // namespace zor
