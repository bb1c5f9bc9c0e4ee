#pragma once

#include "ListingRow.h"
#include "LocaleSeparators.h"

#include <QDate>
#include <QRectF>
#include <QString>
#include <vector>

namespace zor {

enum class ReportLanguage { English, Chinese };

// A font of the report as a pixel height at 96 dots per inch.
struct ReportFont {
    QString family;
    int pixels = 0;
    bool bold = false;
};

// One text box of a laid-out page, placed in millimetres from the page's margins.
struct ReportItem {
    enum class Lines { None, SolidBelow, DottedAboveAndBelow };

    QRectF rect;
    QString text;
    ReportFont font;
    Qt::Alignment alignment;
    Lines lines = Lines::None;
};

struct ReportPage {
    std::vector<ReportItem> items;
};

// The report's band layout: the title on the first page, the column titles at the top of
// every page, one band per row, the record number after the last row and the page number
// at the foot of every page. The body is the page inside its margins, in millimetres.
std::vector<ReportPage> layoutReport(const std::vector<ListingRow>& rows, ReportLanguage language,
                                     const QDate& today, const LocaleSeparators& separators,
                                     const QSizeF& body);

} // namespace zor
