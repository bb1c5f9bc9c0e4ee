#pragma once

#include "GridHeaders.h"

#include <QTableView>

namespace zor {

// The table part of the record grid: whole rows, no editing, the grid's own keys.
class GridTable : public QTableView {
    Q_OBJECT
public:
    explicit GridTable(QWidget* parent = nullptr);

    GridTitleRow* titleRow() const { return titleRow_; }
    RowIndicator* rowIndicator() const { return rowIndicator_; }

    // After the listing changed in place: the marks go as a reset of the listing drops them,
    // and the rows are laid out at once so that the grid is painted once.
    void takeRefreshedRows();

signals:
    void deleteKeyPressed();  // Ctrl+Delete
    void markAllKeyPressed(); // Ctrl+A
    void findKeyPressed();    // Ctrl+F
    void gridDoubleClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    GridTitleRow* titleRow_;
    RowIndicator* rowIndicator_;
};

} // namespace zor
