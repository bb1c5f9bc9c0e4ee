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

QString peakLabel(const QString& gas, const QDateTime& peak, const LocaleSeparators& sep) {
    return gas + kLineBreak + shortDateText(peak, sep) + kLineBreak + clockText(peak, sep);
}

void PeakSeries::rebuild(ListingModel& model) {
    separators_ = model.separators();
    // One narrow read of the keys the chart plots, however far the grid has fetched.
    const std::vector<qint64> keys =
        model.totalRows() > 0 ? model.keys(kMaxPoints) : std::vector<qint64>{};
    std::vector<ChartPoint> before = std::move(points_);
    points_.clear();
    const bool reuse = model.keysNeverReused();
    // The points plotted before, by key.
    std::vector<std::pair<qint64, size_t>> plotted;
    if (reuse) {
        plotted.reserve(before.size());
        for (size_t i = 0; i < before.size(); ++i)
            plotted.emplace_back(before[i].id, i);
        std::sort(plotted.begin(), plotted.end());
    }
    const auto plottedAt = [&plotted](qint64 key) -> std::optional<size_t> {
        const auto at =
            std::lower_bound(plotted.begin(), plotted.end(), std::pair<qint64, size_t>(key, 0));
        if (at == plotted.end() || at->first != key)
            return std::nullopt;
        return at->second;
    };
    // Events new to the chart are mostly on the page the grid has just read.
    const auto onPage = [&](size_t i) {
        return reuse && i < size_t(model.rowCount()) && model.rowAt(int(i)).id == keys[i];
    };
    std::vector<qint64> unread;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!plottedAt(keys[i]) && !onPage(i))
            unread.push_back(keys[i]);
    }
    const std::vector<ListingRow> read = model.rows(unread);
    const auto pointOf = [](const ListingRow& row) {
        // An empty peak reading plots as zero.
        return ChartPoint{0, roundHalfEven(row.pValue.value_or(0)), row.id, row.gas, row.pTime};
    };

    points_.reserve(keys.size());
    auto next = read.begin();
    for (size_t i = 0; i < keys.size(); ++i) {
        ChartPoint point;
        if (const auto at = plottedAt(keys[i]))
            point = std::move(before[*at]);
        else if (onPage(i))
            point = pointOf(model.rowAt(int(i)));
        else if (next != read.end() && next->id == keys[i])
            point = pointOf(*next++);
        else
            continue; // deleted since its key was read
        point.x = int(points_.size()) + 1;
        points_.push_back(std::move(point));
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
