#pragma once

#include "PeakSeries.h"

#include <QColor>
#include <QPointF>
#include <QRect>

class QPainter;

namespace zor {

inline const QColor kChartTopColour{255, 255, 128};
inline const QColor kChartBottomColour{255, 255, 255};
inline const QColor kBottomLabelColour{0, 128, 64};
inline const QColor kLeftLabelColour{0, 0, 128};
inline const QColor kAxisColour{128, 64, 0};
inline const QColor kGridColour{192, 192, 192};
inline const QColor kMarkColour{255, 0, 0};

// The marker colour of the point at a listing position: a fixed palette, cycled.
QColor pointColour(int x);

// Where the parts of the chart fall inside an area.
struct ChartGeometry {
    QRect plot;         // inside the axes
    AxisRange leftAxis; // values at the bottom and the top edge of the plot
    double leftStep = 0;
    int windowFirst = 0;
    int windowLast = 0;

    QPointF pointAt(double x, double y) const;
};

ChartGeometry chartGeometry(const QRect& area, const PeakSeries& series);

// Paints the whole chart into the area.
void paintPeakChart(QPainter& painter, const QRect& area, const PeakSeries& series);

} // namespace zor
