#include "GridHeaders.h"

#include "GridLook.h"
#include "ListingModel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QStyleOptionHeader>

namespace zor {

namespace {
constexpr int kArrowHalfWidth = 4;
constexpr int kArrowHeight = 4;
constexpr int kArrowRightInset = 3;
constexpr int kMarkHalfHeight = 4;
constexpr int kMarkWidth = 4;
} // namespace

GridTitleRow::GridTitleRow(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(false);
    setSectionsMovable(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Fixed);
    setDefaultAlignment(Qt::AlignCenter);
}

QSize GridTitleRow::sizeHint() const {
    return {QHeaderView::sizeHint().width(), gridlook::kTitleRowHeight};
}

void GridTitleRow::clickUnit() {
    unitArrow_ = unitArrow_ == Arrow::Up ? Arrow::Down : Arrow::Up;
    viewport()->update();
    emit unitClicked(unitArrow_);
}

bool GridTitleRow::onUnit(const QPoint& pos) const {
    return logicalIndexAt(pos) == ListingModel::Unit;
}

void GridTitleRow::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const {
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    if (logicalIndex == ListingModel::Unit && unitPressed_)
        option->state |= QStyle::State_Sunken;
}

void GridTitleRow::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    if (logicalIndex != ListingModel::Unit || unitArrow_ == Arrow::None)
        return;
    const int cx = rect.right() - kArrowRightInset - kArrowHalfWidth;
    const int cy = rect.center().y();
    const int tip = unitArrow_ == Arrow::Up ? cy - kArrowHeight / 2 : cy + kArrowHeight / 2;
    const int base = unitArrow_ == Arrow::Up ? tip + kArrowHeight : tip - kArrowHeight;
    painter->save();
    // The header's own painting leaves the clip shut.
    painter->setClipRect(rect);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::ButtonText));
    painter->drawPolygon(QPolygon(
        {QPoint(cx, tip), QPoint(cx - kArrowHalfWidth, base), QPoint(cx + kArrowHalfWidth, base)}));
    painter->restore();
}

void GridTitleRow::mousePressEvent(QMouseEvent* event) {
    unitPressed_ = event->button() == Qt::LeftButton && onUnit(event->position().toPoint());
    viewport()->update();
    event->accept();
}

void GridTitleRow::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void GridTitleRow::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        unitPressed_ && event->button() == Qt::LeftButton && onUnit(event->position().toPoint());
    unitPressed_ = false;
    viewport()->update();
    event->accept();
    if (click)
        clickUnit();
}

void GridTitleRow::mouseDoubleClickEvent(QMouseEvent* event) {
    // A quick second click on the button counts as another click.
    mousePressEvent(event);
}

RowIndicator::RowIndicator(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Fixed);
    setDefaultSectionSize(gridlook::kDataRowHeight);
    setMinimumSectionSize(gridlook::kDataRowHeight);
}

QSize RowIndicator::sizeHint() const {
    // The indicator shows no texts, so its hint needs no measuring of them; the table reads
    // only its width.
    return {gridlook::kIndicatorWidth, gridlook::kDataRowHeight};
}

void RowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    option.text.clear();
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    if (!selectionModel() || selectionModel()->currentIndex().row() != logicalIndex)
        return;
    // The current row carries a small triangle pointing at it.
    const int left = rect.center().x() - kMarkWidth / 2;
    const int cy = rect.center().y();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::ButtonText));
    painter->drawPolygon(
        QPolygon({QPoint(left, cy - kMarkHalfHeight), QPoint(left + kMarkWidth, cy),
                  QPoint(left, cy + kMarkHalfHeight)}));
    painter->restore();
}

} // namespace zor
