#include "GridTable.h"

#include "GridCells.h"
#include "GridLook.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace zor {

GridTable::GridTable(QWidget* parent)
    : QTableView(parent), titleRow_(new GridTitleRow(this)), rowIndicator_(new RowIndicator(this)) {
    setHorizontalHeader(titleRow_);
    setVerticalHeader(rowIndicator_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setSortingEnabled(false);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    setShowGrid(true);
    setItemDelegate(new GridCells(this));
}

void GridTable::takeRefreshedRows() {
    if (selectionModel() && (selectionModel()->hasSelection() || currentIndex().isValid())) {
        reset();
        rowIndicator_->viewport()->update();
    }
    executeDelayedItemsLayout();
}

void GridTable::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() == Qt::ControlModifier;
    if (control && event->key() == Qt::Key_Delete) {
        event->accept();
        emit deleteKeyPressed();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        event->accept();
        emit markAllKeyPressed();
        return;
    }
    if (control && event->key() == Qt::Key_F) {
        event->accept();
        emit findKeyPressed();
        return;
    }
    QTableView::keyPressEvent(event);
}

void GridTable::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit gridDoubleClicked();
}

void GridTable::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // The row indicator marks the current row.
    rowIndicator_->viewport()->update();
}

} // namespace zor
