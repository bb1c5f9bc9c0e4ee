#pragma once

#include <QFont>
#include <QHash>
#include <QMargins>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <memory>

namespace zor {

// Paints the grid's cells as the style paints them, with each text laid out once and kept: a
// refreshed grid mostly shows texts it has shown before, moved by a row. Cells the kept
// layout cannot show as the style would (elided, wrapped, with an icon, a check box or the
// focus frame) are painted by the style itself.
class GridCells : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    struct Key {
        QString text;
        QFont font;
        int width = 0;
        int alignment = 0;
        bool operator==(const Key&) const = default;
        friend size_t qHash(const Key& key, size_t seed) {
            return qHashMulti(seed, key.text, key.font, key.width, key.alignment);
        }
    };
    // The layout the style would make of the text in a line of the width; nothing when the
    // style would elide or break it.
    const QTextLayout* layoutOf(const QString& text, const QFont& font, int width,
                                Qt::Alignment alignment) const;
    // Where the style puts the text of a cell, relative to the cell.
    QMargins textMargins(const QStyleOptionViewItem& option, const QStyle* style) const;

    mutable QHash<Key, std::shared_ptr<QTextLayout>> layouts_;
    mutable QHash<quint64, QMargins> margins_; // by cell width and height

    mutable const QStyle* marginsStyle_ = nullptr;
};

} // namespace zor
