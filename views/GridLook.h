#pragma once

#include <QColor>
#include <QFont>
#include <array>
#include <optional>

namespace zor {

// How the record grid shows its columns: sizes, fonts, colours and alignment.
namespace gridlook {

inline constexpr std::array<int, 8> kColumnWidths = {65, 190, 70, 190, 70, 190, 70, 65};
inline constexpr int kDataRowHeight = 25;
inline constexpr int kTitleRowHeight = 26;
inline constexpr int kFooterHeight = 23;
inline constexpr int kIndicatorWidth = 12;
// The 1st, 3rd, 5th, ... rows.
inline const QColor kCream{255, 251, 240};

QFont cellFont(int column);
// Nothing where the cell keeps the window text colour.
std::optional<QColor> cellColour(int column);
Qt::Alignment cellAlignment(int column);

QFont titleFont();
std::optional<QColor> titleColour(int column);

QFont footerFont();

} // namespace gridlook
} // namespace zor
