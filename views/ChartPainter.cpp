#include "ChartPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <array>
#include <cmath>

namespace zor {

namespace {

constexpr int kPercent = 100;
constexpr int kMarginLeftPercent = 2;
constexpr int kMarginTopPercent = 5;
constexpr int kMarginRightPercent = 4;
constexpr int kMarginBottomPercent = 10;

constexpr int kLabelPixels = 12;
constexpr int kMarkPixels = 12;
constexpr int kBottomLabelLines = 3;
constexpr int kTickLength = 2;
constexpr int kLabelGap = 2;
constexpr int kMarkerRadius = 4;
constexpr int kArrowLength = 8;
constexpr double kArrowHeadLength = 4;
constexpr double kArrowHeadHalfWidth = 3;
constexpr double kLeftAxisStep = 10;
// Steps grow 10, 20, 50, 100, 200, 500, ... until the labels no longer overlap.
constexpr std::array<double, 3> kStepGrowth = {2, 2.5, 2};

const std::array<QColor, 12> kPointPalette = {
    QColor(0, 0, 255),   QColor(0, 160, 0),     QColor(255, 0, 255), QColor(0, 128, 128),
    QColor(0, 0, 128),   QColor(128, 0, 0),     QColor(128, 128, 0), QColor(128, 0, 128),
    QColor(255, 128, 0), QColor(128, 128, 128), QColor(0, 192, 192), QColor(0, 0, 0)};

QFont pixelFont(const QString& family, int pixels, QFont::StyleHint hint) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(pixels);
    return font;
}

QFont bottomLabelFont() {
    return pixelFont(QStringLiteral("Courier New"), kLabelPixels, QFont::TypeWriter);
}

QFont leftLabelFont() {
    QFont font = bottomLabelFont();
    font.setItalic(true);
    return font;
}

QFont markFont() {
    return pixelFont(QStringLiteral("Arial"), kMarkPixels, QFont::SansSerif);
}

// Room kept above the highest point for its marker and mark, below the lowest for its marker.
int roomAbove() {
    return kMarkerRadius + kArrowLength + QFontMetrics(markFont()).height();
}
int roomBelow() {
    return kMarkerRadius + 1;
}

QString valueText(double value) {
    return QString::number(qint64(std::llround(value)));
}

std::vector<double> leftLabelValues(const ChartGeometry& g) {
    std::vector<double> values;
    if (g.leftStep <= 0)
        return values;
    for (double k = std::ceil(g.leftAxis.min / g.leftStep); k * g.leftStep <= g.leftAxis.max; ++k)
        values.push_back(k * g.leftStep);
    return values;
}

bool shown(const ChartPoint& p, const ChartGeometry& g) {
    return p.x >= g.windowFirst && p.x <= g.windowLast;
}

QPen dottedPen(const QColor& colour) {
    QPen pen(colour, 1, Qt::CustomDashLine);
    pen.setDashPattern({1, 1});
    return pen;
}

void paintGrid(QPainter& painter, const ChartGeometry& g, const PeakSeries& series) {
    painter.setPen(dottedPen(kGridColour));
    for (const ChartPoint& p : series.points()) {
        if (!shown(p, g))
            continue;
        const int x = int(std::lround(g.pointAt(p.x, 0).x()));
        painter.drawLine(x, g.plot.top(), x, g.plot.bottom() - 1);
    }
    for (double value : leftLabelValues(g)) {
        const int y = int(std::lround(g.pointAt(g.windowFirst, value).y()));
        painter.drawLine(g.plot.left() + 1, y, g.plot.right(), y);
    }
}

void paintAxes(QPainter& painter, const ChartGeometry& g, const PeakSeries& series) {
    painter.setPen(QPen(kAxisColour, 1));
    painter.drawLine(g.plot.left(), g.plot.top(), g.plot.left(), g.plot.bottom());
    painter.drawLine(g.plot.left(), g.plot.bottom(), g.plot.right(), g.plot.bottom());

    // Bottom axis: the point labels, one line of the label under another.
    const QFontMetrics bottomFm(bottomLabelFont());
    painter.setFont(bottomLabelFont());
    for (const ChartPoint& p : series.points()) {
        if (!shown(p, g))
            continue;
        const int x = int(std::lround(g.pointAt(p.x, 0).x()));
        painter.setPen(QPen(kAxisColour, 1));
        painter.drawLine(x, g.plot.bottom() + 1, x, g.plot.bottom() + kTickLength);
        painter.setPen(kBottomLabelColour);
        int top = g.plot.bottom() + kTickLength + kLabelGap;
        for (const QString& line : series.label(p).split(QLatin1Char('\r'))) {
            const int width = bottomFm.horizontalAdvance(line);
            painter.drawText(QRect(x - width / 2 - 1, top, width + 2, bottomFm.height()),
                             Qt::AlignCenter, line);
            top += bottomFm.height();
        }
    }

    // Left axis: values on its step.
    const QFontMetrics leftFm(leftLabelFont());
    painter.setFont(leftLabelFont());
    for (double value : leftLabelValues(g)) {
        const int y = int(std::lround(g.pointAt(g.windowFirst, value).y()));
        painter.setPen(QPen(kAxisColour, 1));
        painter.drawLine(g.plot.left() - kTickLength, y, g.plot.left() - 1, y);
        painter.setPen(kLeftLabelColour);
        const QString text = valueText(value);
        const int width = leftFm.horizontalAdvance(text) + 1;
        const int right = g.plot.left() - kTickLength - kLabelGap;
        painter.drawText(QRect(right - width, y - leftFm.height() / 2, width, leftFm.height()),
                         Qt::AlignRight | Qt::AlignVCenter, text);
    }
}

void paintMark(QPainter& painter, const QPointF& centre, double value) {
    // The arrow runs from the mark down to the top of the marker.
    const double tipY = centre.y() - kMarkerRadius - 1;
    const double tailY = tipY - kArrowLength;
    const int x = int(std::lround(centre.x()));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kMarkColour, 1));
    painter.drawLine(QPointF(x, tailY), QPointF(x, tipY));
    painter.setBrush(kMarkColour);
    painter.drawPolygon(
        QPolygonF({QPointF(x, tipY), QPointF(x - kArrowHeadHalfWidth, tipY - kArrowHeadLength),
                   QPointF(x + kArrowHeadHalfWidth, tipY - kArrowHeadLength)}));

    const QFontMetrics fm(markFont());
    const QString text = valueText(value);
    const int width = fm.horizontalAdvance(text);
    painter.setFont(markFont());
    painter.drawText(QRect(x - width / 2 - 1, int(tailY) - fm.height(), width + 2, fm.height()),
                     Qt::AlignCenter, text);
}

void paintPoints(QPainter& painter, const ChartGeometry& g, const PeakSeries& series) {
    for (const ChartPoint& p : series.points()) {
        if (!shown(p, g))
            continue;
        const QPointF centre = g.pointAt(p.x, p.y);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(pointColour(p.x));
        painter.drawEllipse(centre, kMarkerRadius, kMarkerRadius);
        paintMark(painter, centre, p.y);
    }
}

} // namespace

QColor pointColour(int x) {
    const int n = int(kPointPalette.size());
    return kPointPalette[size_t(((x - 1) % n + n) % n)];
}

QPointF ChartGeometry::pointAt(double x, double y) const {
    const double span = windowLast - windowFirst;
    const double px = plot.left() + (x - windowFirst) * (plot.right() - plot.left()) / span;
    const double height = plot.bottom() - plot.top();
    const double range = leftAxis.max - leftAxis.min;
    const double py =
        range > 0 ? plot.bottom() - (y - leftAxis.min) * height / range : plot.bottom();
    return {px, py};
}

ChartGeometry chartGeometry(const QRect& area, const PeakSeries& series) {
    ChartGeometry g;
    g.windowFirst = series.ChartWindowFirst();
    g.windowLast = series.ChartWindowLast();
    const QRect outer = area.adjusted(area.width() * kMarginLeftPercent / kPercent,
                                      area.height() * kMarginTopPercent / kPercent,
                                      -(area.width() * kMarginRightPercent / kPercent),
                                      -(area.height() * kMarginBottomPercent / kPercent));
    const QFontMetrics bottomFm(bottomLabelFont());
    const QFontMetrics leftFm(leftLabelFont());
    const int plotTop = outer.top();
    const int plotBottom =
        outer.bottom() - kTickLength - kLabelGap - kBottomLabelLines * bottomFm.height();
    const int plotHeight = plotBottom - plotTop;

    if (const auto range = series.valueRange()) {
        double low = range->min;
        double high = range->max;
        if (high - low < 1) {
            low -= 1;
            high += 1;
        }
        // The axis reaches beyond the extreme points by the room their markers take.
        const int usable = std::max(1, plotHeight - roomAbove() - roomBelow());
        const double perValue = usable / (high - low);
        g.leftAxis = {low - roomBelow() / perValue, high + roomAbove() / perValue};
        g.leftStep = kLeftAxisStep;
        for (size_t i = 0; g.leftStep * perValue < leftFm.height() + kLabelGap; ++i)
            g.leftStep *= kStepGrowth[i % kStepGrowth.size()];
    }

    int labelWidth = 0;
    for (double value : leftLabelValues(g))
        labelWidth = std::max(labelWidth, leftFm.horizontalAdvance(valueText(value)));
    const int plotLeft = outer.left() + labelWidth + kTickLength + kLabelGap;
    g.plot = QRect(QPoint(plotLeft, plotTop), QPoint(outer.right(), plotBottom));
    return g;
}

void paintPeakChart(QPainter& painter, const QRect& area, const PeakSeries& series) {
    painter.save();
    painter.setClipRect(area);
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0, kChartTopColour);
    gradient.setColorAt(1, kChartBottomColour);
    painter.fillRect(area, gradient);

    const ChartGeometry g = chartGeometry(area, series);
    paintGrid(painter, g, series);
    paintAxes(painter, g, series);
    paintPoints(painter, g, series);
    painter.restore();
}

} // namespace zor
