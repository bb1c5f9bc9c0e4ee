#pragma once

#include "ListingModel.h"

#include <QString>
#include <optional>
#include <vector>

namespace zor {

// One plotted event: its position in the listing, its rounded peak, and its key, gas and peak
// time, which make its label.
struct ChartPoint {
    int x = 0;
    double y = 0;
    qint64 id = 0;
    QString gas;
    QDateTime peak;
};

// A closed range of values on an axis.
struct AxisRange {
    double min = 0;
    double max = 0;
    bool operator==(const AxisRange&) const = default;
};

// Rounds to the nearest whole number, a half going to the even neighbour.
double roundHalfEven(double value);

// Gas name, date and time of the peak on three lines separated by carriage returns.
QString peakLabel(const QString& gas, const QDateTime& peak, const LocaleSeparators& sep);

// The points of the peak chart and the window of positions it shows.
class PeakSeries {
public:
    static constexpr int kMaxPoints = 1000;
    static constexpr int kWindowStart = 1;
    static constexpr int kWindowSpan = 12;

    // Replaces the points by the first rows of the listing and resets the window. Only events
    // the chart has not plotted before are read from the store.
    void rebuild(ListingModel& model);

    // Slides the window one position back; false when it already starts at 1.
    bool prior();
    // Slides the window one position on; false when it already ends at the listing's last row.
    bool next(qint64 listingRows);

    int ChartWindowFirst() const { return windowFirst_; }
    int ChartWindowLast() const { return windowLast_; }

    const std::vector<ChartPoint>& points() const { return points_; }
    // The label under a point, with the separators of the listing's locale.
    QString label(const ChartPoint& point) const {
        return peakLabel(point.gas, point.peak, separators_);
    }

    // Lowest and highest y over every point, shown or not; nothing without points.
    std::optional<AxisRange> valueRange() const;

private:
    std::vector<ChartPoint> points_;
    LocaleSeparators separators_;
    int windowFirst_ = kWindowStart;
    int windowLast_ = kWindowStart + kWindowSpan;
};

} // namespace zor
