#pragma once

#include "ChartPainter.h"
#include "PeakSeries.h"

#include <QWidget>

namespace zor {

// The chart of peak readings: a window of 13 listing positions slid with prior and next.
class PeakChart : public QWidget {
    Q_OBJECT
public:
    explicit PeakChart(QWidget* parent = nullptr);

    // Replaces the points by the first rows of the listing and shows positions 1 to 13.
    void rebuild(ListingModel& model);
    // "<<": one position back; false when the window already starts at 1.
    bool prior();
    // ">>": one position on; false when the window already ends at the listing's last row.
    bool next(qint64 listingRows);

    int ChartWindowFirst() const { return series_.ChartWindowFirst(); }
    int ChartWindowLast() const { return series_.ChartWindowLast(); }
    const std::vector<ChartPoint>& points() const { return series_.points(); }
    const PeakSeries& series() const { return series_; }

    // The values the left axis spans when the chart is painted into the area.
    AxisRange leftAxisRange(const QRect& area) const;
    AxisRange leftAxisRange() const { return leftAxisRange(rect()); }

    void paint(QPainter& painter, const QRect& area) const;

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    PeakSeries series_;
};

} // namespace zor
