#include "GridCells.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTextOption>

namespace zor {

namespace {

// Layouts kept at most; a grid page shows far fewer distinct texts.
constexpr qsizetype kMaxKeptLayouts = 1024;
constexpr int kSizeShift = 32;

bool breaksLines(const QString& text) {
    return text.contains(u'\n') || text.contains(QChar::LineSeparator);
}

// Cells the kept layout shows exactly as the style does: one line of text, nothing else.
bool plainCell(const QStyleOptionViewItem& option) {
    constexpr auto extras = QStyleOptionViewItem::HasCheckIndicator |
                            QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::WrapText;
    return !(option.features & extras) &&
           !(option.state & (QStyle::State_HasFocus | QStyle::State_Editing)) &&
           option.direction == Qt::LeftToRight && !breaksLines(option.text);
}

} // namespace

QMargins GridCells::textMargins(const QStyleOptionViewItem& option, const QStyle* style) const {
    if (style != marginsStyle_) {
        margins_.clear();
        marginsStyle_ = style;
    }
    const quint64 size =
        (quint64(quint32(option.rect.width())) << kSizeShift) | quint32(option.rect.height());
    auto kept = margins_.find(size);
    if (kept == margins_.end()) {
        const QRect text =
            style->subElementRect(QStyle::SE_ItemViewItemText, &option, option.widget);
        const QRect& cell = option.rect;
        kept = margins_.insert(size, QMargins(text.left() - cell.left(), text.top() - cell.top(),
                                              cell.right() - text.right(),
                                              cell.bottom() - text.bottom()));
    }
    return *kept;
}

const QTextLayout* GridCells::layoutOf(const QString& text, const QFont& font, int width,
                                       Qt::Alignment alignment) const {
    Key key{text, font, width, int(alignment)};
    if (const auto kept = layouts_.constFind(key); kept != layouts_.cend())
        return kept->get();
    if (layouts_.size() >= kMaxKeptLayouts)
        layouts_.clear();
    // Laid out as the style lays out the text of a cell: one line as wide as the text room.
    auto layout = std::make_shared<QTextLayout>(text, font);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(Qt::LeftToRight);
    textOption.setAlignment(QStyle::visualAlignment(Qt::LeftToRight, alignment));
    layout->setTextOption(textOption);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, 0));
    }
    const bool oneLine = line.isValid() && !layout->createLine().isValid();
    layout->endLayout();
    // The style elides a text wider than its room.
    if (!oneLine || line.naturalTextWidth() > width)
        layout.reset();
    return layouts_.insert(std::move(key), std::move(layout))->get();
}

void GridCells::paint(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    if (!plainCell(opt)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QRect textRect = opt.rect.marginsRemoved(textMargins(opt, style));
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
    const QRect room = textRect.adjusted(margin, 0, -margin, 0);
    const QTextLayout* layout = nullptr;
    if (!opt.text.isEmpty()) {
        layout = layoutOf(opt.text, opt.font, room.width(), opt.displayAlignment);
        if (!layout) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
    }

    painter->save();
    painter->setClipRect(opt.rect, painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, opt.widget);
    if (layout) {
        QPalette::ColorGroup group =
            opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected
                                                     ? QPalette::HighlightedText
                                                     : QPalette::Text));
        // The line sits in the room as the style aligns it: across by the line's own
        // alignment, down by the cell's.
        const QRect lines = QStyle::alignedRect(Qt::LayoutDirectionAuto, opt.displayAlignment,
                                                layout->boundingRect().size().toSize(), room);
        layout->draw(painter, QPointF(room.x(), lines.top()));
    }
    painter->restore();
}

} // namespace zor
