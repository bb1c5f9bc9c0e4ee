#pragma once

#include "ListingModel.h"
#include "ReportLayout.h"

#include <QPageLayout>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace zor {

// The printed listing: the rows of the listing as the report was made, laid out in bands
// and painted onto a printer, a PDF or any other paged device.
class AlarmReport {
public:
    using Language = ReportLanguage;

    // Reads the whole listing now; later changes to it do not reach the report.
    explicit AlarmReport(ListingModel& model, Language language = Language::English,
                         const QDate& today = QDate::currentDate());

    // A4 portrait with margins of 8 mm left and right, 5 mm top and bottom.
    static QPageLayout defaultPageLayout();

    Language language() const { return language_; }
    const std::vector<ListingRow>& rows() const { return rows_; }

    // The pages as laid out on paper of the given layout.
    std::vector<ReportPage> pages(const QPageLayout& layout = defaultPageLayout()) const;
    int pageCount(const QPageLayout& layout = defaultPageLayout()) const;

    // Sets the device to the report's page layout and paints every page.
    void render(QPagedPaintDevice& device) const;
    // Paints every page on the printer's current paper, as the preview's page setup left it.
    void print(QPrinter& printer) const;

private:
    void paintPages(QPagedPaintDevice& device) const;

    std::vector<ListingRow> rows_;
    Language language_;
    QDate today_;
    LocaleSeparators separators_;
};

// Paints one laid-out page; the painter's origin is the top-left corner inside the margins.
void paintReportPage(QPainter& painter, const ReportPage& page, double dotsPerMm);

} // namespace zor
