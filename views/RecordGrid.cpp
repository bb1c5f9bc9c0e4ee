#include "RecordGrid.h"

#include "FindDialog.h"
#include "GridLook.h"

#include <QAbstractButton>
#include <QMenu>
#include <QVBoxLayout>
#include <algorithm>

namespace zor {

RecordGrid::RecordGrid(QWidget* parent)
    : QFrame(parent), table_(new GridTable(this)), footer_(new GridFooter(table_, this)),
      cornerMenu_(new QMenu(this)) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(frameWidth(), frameWidth(), frameWidth(), frameWidth());
    layout->setSpacing(0);
    layout->addWidget(table_, 1);
    layout->addWidget(footer_);
    setFocusProxy(table_);
    setFocusPolicy(Qt::StrongFocus);

    // The corner button opens the column menu instead of selecting everything.
    corner_ = table_->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    if (corner_) {
        disconnect(corner_, nullptr, table_, nullptr);
        connect(corner_, &QAbstractButton::clicked, this, &RecordGrid::showCornerMenu);
    }
    connect(table_, &GridTable::deleteKeyPressed, this, &RecordGrid::deleteMarked);
    connect(table_, &GridTable::markAllKeyPressed, this, &RecordGrid::markAll);
    connect(table_, &GridTable::findKeyPressed, this, &RecordGrid::openFindDialog);
    connect(table_, &GridTable::gridDoubleClicked, this, &RecordGrid::doubleClicked);
}

RecordGrid::~RecordGrid() = default;

void RecordGrid::setModel(ListingModel* model) {
    for (const auto& c : modelConnections_)
        disconnect(c);
    modelConnections_.clear();
    model_ = model;
    table_->setModel(model);
    footer_->setCount(model ? model->totalRows() : 0);
    if (!model)
        return;
    if (titles_.size() == ListingModel::ColumnCount)
        setColumnTitles(titles_);
    modelConnections_ << connect(model, &ListingModel::totalChanged, footer_,
                                 &GridFooter::setCount);
    modelConnections_ << connect(model, &ListingModel::refreshedInPlace, table_,
                                 &GridTable::takeRefreshedRows);
    // A reset header forgets the column sizes and hidden columns.
    modelConnections_ << connect(model, &QAbstractItemModel::modelReset, this,
                                 &RecordGrid::applyColumnLayout);
    applyColumnLayout();
}

void RecordGrid::applyColumnLayout() {
    for (int c = 0; c < ListingModel::ColumnCount; ++c) {
        table_->setColumnWidth(c, gridlook::kColumnWidths[size_t(c)]);
        table_->setColumnHidden(c, hidden_[size_t(c)]);
    }
    footer_->update();
}

QList<int> RecordGrid::visibleColumns() const {
    QList<int> columns;
    const QHeaderView* header = table_->horizontalHeader();
    for (int visual = 0; visual < ListingModel::ColumnCount; ++visual) {
        const int logical = model_ ? header->logicalIndex(visual) : visual;
        if (!hidden_[size_t(logical)])
            columns << logical;
    }
    return columns;
}

bool RecordGrid::isColumnShown(int column) const {
    return column >= 0 && column < ListingModel::ColumnCount && !hidden_[size_t(column)];
}

bool RecordGrid::setColumnShown(int column, bool shown) {
    if (column < 0 || column >= ListingModel::ColumnCount)
        return false;
    if (!shown && isColumnShown(column) && visibleColumns().size() == 1)
        return false;
    hidden_[size_t(column)] = !shown;
    if (model_)
        table_->setColumnHidden(column, !shown);
    footer_->update();
    return true;
}

void RecordGrid::setColumnTitles(const QStringList& titles) {
    titles_ = titles;
    if (!model_)
        return;
    for (int c = 0; c < ListingModel::ColumnCount && c < titles.size(); ++c)
        model_->setHeaderData(c, Qt::Horizontal, titles[c]);
}

QStringList RecordGrid::columnTitles() const {
    if (!model_)
        return titles_;
    QStringList titles;
    for (int c = 0; c < ListingModel::ColumnCount; ++c)
        titles << model_->headerData(c, Qt::Horizontal).toString();
    return titles;
}

void RecordGrid::setFooterCaption(const QString& caption) {
    footer_->setCaption(caption);
}

void RecordGrid::markAll() {
    if (!model_)
        return;
    model_->fetchAll();
    table_->selectAll();
}

void RecordGrid::deleteMarked() {
    if (!model_)
        return;
    QList<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty() && table_->currentIndex().isValid())
        rows << table_->currentIndex().row();
    std::sort(rows.begin(), rows.end());
    QList<qint64> ids;
    ids.reserve(rows.size());
    for (int row : rows)
        ids << model_->rowAt(row).id;
    if (!ids.isEmpty())
        emit deleteRequested(ids);
}

bool RecordGrid::findNext(const FindOptions& options) {
    if (!model_)
        return false;
    const auto row = findRow(*model_, options, table_->currentIndex().row(), visibleColumns());
    if (row) {
        // The found row becomes the current one, as a click on it would make it.
        const int column = options.column >= 0 ? options.column : visibleColumns().value(0, 0);
        const QModelIndex index = model_->index(*row, column);
        table_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
        table_->scrollTo(index);
    }
    if (findDialog_)
        findDialog_->showResult(row.has_value());
    return row.has_value();
}

FindDialog* RecordGrid::findDialog() {
    if (!findDialog_) {
        findDialog_ = new FindDialog(this);
        connect(findDialog_, &FindDialog::findNextRequested, this,
                [this](const FindOptions& options) { findNext(options); });
    }
    QStringList titles;
    const QStringList all = columnTitles();
    const QList<int> columns = visibleColumns();
    for (int c : columns)
        titles << all.value(c);
    findDialog_->setColumns(titles, columns);
    return findDialog_;
}

void RecordGrid::openFindDialog() {
    FindDialog* dialog = findDialog();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void RecordGrid::fillCornerMenu() {
    cornerMenu_->clear();
    QMenu* columns = cornerMenu_->addMenu(tr("Columns"));
    const QStringList titles = columnTitles();
    const bool lastShown = visibleColumns().size() == 1;
    for (int c = 0; c < ListingModel::ColumnCount; ++c) {
        QAction* action = columns->addAction(titles.value(c));
        action->setCheckable(true);
        action->setChecked(isColumnShown(c));
        // The one column still shown stays.
        action->setEnabled(!(lastShown && isColumnShown(c)));
        connect(action, &QAction::toggled, this, [this, c](bool on) { setColumnShown(c, on); });
    }
    cornerMenu_->addSeparator();
    for (const QString& text : {tr("Cut"), tr("Copy"), tr("Paste"), tr("Delete"), tr("Select All")})
        cornerMenu_->addAction(text)->setEnabled(false);
}

QMenu* RecordGrid::cornerMenu() {
    fillCornerMenu();
    return cornerMenu_;
}

void RecordGrid::showCornerMenu() {
    fillCornerMenu();
    const QWidget* anchor = corner_ ? static_cast<QWidget*>(corner_) : table_;
    cornerMenu_->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

} // namespace zor
