#include "AlarmReport.h"

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>

namespace zor {

namespace {

constexpr double kMarginLeftRight = 8;
constexpr double kMarginTopBottom = 5;
constexpr double kMmPerInch = 25.4;
constexpr double kLayoutDpi = 96;
constexpr double kPointsPerInch = 72;
constexpr double kSolidLinePixels = 1;
constexpr double kDottedLinePixels = 0.5;
// Text keeps this gap to the left and right edges of its box.
constexpr double kTextGapPixels = 2;

// Pixel heights of the layout are those of a 96 dpi screen.
QFont fontOf(const ReportFont& wanted) {
    QFont font(wanted.family);
    font.setStyleHint(wanted.family.startsWith(QLatin1String("Times")) ? QFont::Serif
                                                                       : QFont::SansSerif);
    font.setPointSizeF(wanted.pixels * kPointsPerInch / kLayoutDpi);
    font.setBold(wanted.bold);
    return font;
}

QRectF toDevice(const QRectF& mm, double dotsPerMm) {
    return {mm.x() * dotsPerMm, mm.y() * dotsPerMm, mm.width() * dotsPerMm,
            mm.height() * dotsPerMm};
}

} // namespace

AlarmReport::AlarmReport(ListingModel& model, Language language, const QDate& today)
    : language_(language), today_(today), separators_(model.separators()) {
    model.fetchAll();
    rows_.reserve(size_t(model.rowCount()));
    for (int i = 0; i < model.rowCount(); ++i)
        rows_.push_back(model.rowAt(i));
}

QPageLayout AlarmReport::defaultPageLayout() {
    return QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(kMarginLeftRight, kMarginTopBottom, kMarginLeftRight, kMarginTopBottom),
        QPageLayout::Millimeter);
}

std::vector<ReportPage> AlarmReport::pages(const QPageLayout& layout) const {
    return layoutReport(rows_, language_, today_, separators_,
                        layout.paintRect(QPageLayout::Millimeter).size());
}

int AlarmReport::pageCount(const QPageLayout& layout) const {
    return int(pages(layout).size());
}

void AlarmReport::render(QPagedPaintDevice& device) const {
    device.setPageLayout(defaultPageLayout());
    paintPages(device);
}

void AlarmReport::print(QPrinter& printer) const {
    paintPages(printer);
}

void AlarmReport::paintPages(QPagedPaintDevice& device) const {
    const std::vector<ReportPage> laidOut = pages(device.pageLayout());
    QPainter painter(&device);
    const double dotsPerMm = device.logicalDpiX() / kMmPerInch;
    for (size_t i = 0; i < laidOut.size(); ++i) {
        if (i > 0)
            device.newPage();
        paintReportPage(painter, laidOut[i], dotsPerMm);
    }
}

void paintReportPage(QPainter& painter, const ReportPage& page, double dotsPerMm) {
    const double dotsPerPixel = dotsPerMm * kMmPerInch / kLayoutDpi;
    QPen solid(Qt::black, kSolidLinePixels * dotsPerPixel);
    QPen dotted(Qt::black, kDottedLinePixels * dotsPerPixel, Qt::DotLine);
    for (const ReportItem& item : page.items) {
        const QRectF box = toDevice(item.rect, dotsPerMm);
        painter.setFont(fontOf(item.font));
        painter.setPen(Qt::black);
        const double gap = kTextGapPixels * dotsPerPixel;
        painter.drawText(box.adjusted(gap, 0, -gap, 0), int(item.alignment) | Qt::TextSingleLine,
                         item.text);
        switch (item.lines) {
        case ReportItem::Lines::SolidBelow:
            painter.setPen(solid);
            painter.drawLine(box.bottomLeft(), box.bottomRight());
            break;
        case ReportItem::Lines::DottedAboveAndBelow:
            painter.setPen(dotted);
            painter.drawLine(box.topLeft(), box.topRight());
            painter.drawLine(box.bottomLeft(), box.bottomRight());
            break;
        case ReportItem::Lines::None:
            break;
        }
    }
}

} // namespace zor
