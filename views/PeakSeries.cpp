#include "PeakSeries.h"

#include "DisplayFormat.h"

#include <algorithm>
#include <cmath>

namespace zor {

namespace {
constexpr double kHalf = 0.5;
constexpr QChar kLineBreak = u'\r';
} // namespace

double roundHalfEven(double value) {
    if (!std::isfinite(value))
        return value;
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < kHalf)
        return below;
    if (fraction > kHalf)
        return below + 1;
    return std::fmod(below, 2) == 0 ? below : below + 1;
}

QString peakLabel(const ListingRow& row, const LocaleSeparators& sep) {
    return row.gas + kLineBreak + shortDateText(row.pTime, sep) + kLineBreak +
           clockText(row.pTime, sep);
}

void PeakSeries::rebuild(ListingModel& model) {
    points_.clear();
    // One narrow read of the rows the chart plots, however far the grid has fetched.
    const std::vector<ListingRow> rows =
        model.totalRows() > 0 ? model.peaks(kMaxPoints) : std::vector<ListingRow>{};
    points_.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        // An empty peak reading plots as zero.
        points_.push_back({int(i) + 1, roundHalfEven(rows[i].pValue.value_or(0)),
                           peakLabel(rows[i], model.separators())});
    }
    windowFirst_ = kWindowStart;
    windowLast_ = kWindowStart + kWindowSpan;
}

bool PeakSeries::prior() {
    if (windowFirst_ < kWindowStart + 1)
        return false;
    --windowFirst_;
    --windowLast_;
    return true;
}

bool PeakSeries::next(qint64 listingRows) {
    if (windowLast_ >= listingRows)
        return false;
    ++windowFirst_;
    ++windowLast_;
    return true;
}

std::optional<AxisRange> PeakSeries::valueRange() const {
    if (points_.empty())
        return std::nullopt;
    const auto [low, high] =
        std::minmax_element(points_.begin(), points_.end(),
                            [](const ChartPoint& a, const ChartPoint& b) { return a.y < b.y; });
    return AxisRange{low->y, high->y};
}

} // namespace zor
