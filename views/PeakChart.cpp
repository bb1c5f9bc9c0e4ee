#include "PeakChart.h"

#include <QMouseEvent>
#include <QPainter>

namespace zor {

PeakChart::PeakChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void PeakChart::rebuild(ListingModel& model) {
    series_.rebuild(model);
    update();
}

bool PeakChart::prior() {
    const bool moved = series_.prior();
    if (moved)
        update();
    return moved;
}

bool PeakChart::next(qint64 listingRows) {
    const bool moved = series_.next(listingRows);
    if (moved)
        update();
    return moved;
}

AxisRange PeakChart::leftAxisRange(const QRect& area) const {
    return chartGeometry(area, series_).leftAxis;
}

void PeakChart::paint(QPainter& painter, const QRect& area) const {
    paintPeakChart(painter, area, series_);
}

void PeakChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, rect());
}

void PeakChart::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit doubleClicked();
}

} // namespace zor
