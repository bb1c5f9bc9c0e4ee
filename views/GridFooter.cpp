#include "GridFooter.h"

#include "DisplayFormat.h"
#include "GridLook.h"
#include "ListingModel.h"

#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>

namespace zor {

namespace {
constexpr int kTextInset = 2;
}

GridFooter::GridFooter(QTableView* table, QWidget* parent)
    : QWidget(parent), table_(table), caption_(QString::fromLatin1(kRecordCountCaption)) {
    setFixedHeight(gridlook::kFooterHeight);
    setAutoFillBackground(false);
    QHeaderView* header = table_->horizontalHeader();
    const auto follow = [this] { update(); };
    connect(header, &QHeaderView::sectionResized, this, follow);
    connect(header, &QHeaderView::sectionCountChanged, this, follow);
    connect(header, &QHeaderView::geometriesChanged, this, follow);
    connect(table_->horizontalScrollBar(), &QScrollBar::valueChanged, this, follow);
}

void GridFooter::setCount(qint64 count) {
    if (count_ == count)
        return;
    count_ = count;
    update();
}

void GridFooter::setCaption(const QString& caption) {
    caption_ = caption;
    update();
}

QString GridFooter::countText() const {
    return QString::number(count_);
}

QSize GridFooter::sizeHint() const {
    return {QWidget::sizeHint().width(), gridlook::kFooterHeight};
}

QRect GridFooter::cellRect(int column) const {
    const QHeaderView* header = table_->horizontalHeader();
    if (!header->model() || header->isSectionHidden(column))
        return {};
    // Header positions count from the header's viewport; bring them over to the footer.
    const QWidget* top = window();
    const int offset = header->viewport()->mapTo(top, QPoint()).x() - mapTo(top, QPoint()).x();
    const int left = offset + header->sectionViewportPosition(column);
    return {left, 0, header->sectionSize(column), height()};
}

void GridFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, 0, width() - 1, 0);

    // Only the area under the columns shows footer text.
    const QWidget* viewport = table_->horizontalHeader()->viewport();
    const QWidget* top = window();
    const int clipLeft = viewport->mapTo(top, QPoint()).x() - mapTo(top, QPoint()).x();
    painter.setClipRect(QRect(clipLeft, 0, viewport->width(), height()));

    painter.setFont(gridlook::footerFont());
    painter.setPen(Qt::black);
    const QRect caption = cellRect(ListingModel::StartTime);
    if (!caption.isEmpty())
        painter.drawText(caption.adjusted(kTextInset, 0, -kTextInset, 0), Qt::AlignCenter,
                         caption_);
    const QRect count = cellRect(ListingModel::StartValue);
    if (!count.isEmpty())
        painter.drawText(count.adjusted(kTextInset, 0, -kTextInset, 0),
                         Qt::AlignRight | Qt::AlignVCenter, countText());
}

} // namespace zor
