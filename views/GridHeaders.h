#pragma once

#include <QHeaderView>

namespace zor {

// The title row of the grid: fixed columns; only the "Unit" title acts as a button, each
// click showing or turning over a sort arrow in it. The rows never move.
class GridTitleRow : public QHeaderView {
    Q_OBJECT
public:
    enum class Arrow { None, Up, Down };

    explicit GridTitleRow(QWidget* parent = nullptr);

    Arrow unitArrow() const { return unitArrow_; }
    // What a click on the "Unit" title does.
    void clickUnit();

    QSize sizeHint() const override;

signals:
    void unitClicked(GridTitleRow::Arrow arrow);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool onUnit(const QPoint& pos) const;

    Arrow unitArrow_ = Arrow::None;
    bool unitPressed_ = false;
};

// The narrow row indicator left of the rows: a mark on the current row, no numbers.
class RowIndicator : public QHeaderView {
    Q_OBJECT
public:
    explicit RowIndicator(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

} // namespace zor
