#pragma once

#include "GridFind.h"
#include "GridFooter.h"
#include "GridTable.h"
#include "ListingModel.h"

#include <QFrame>
#include <QPointer>

class QAbstractButton;
class QMenu;

namespace zor {

class FindDialog;

// The record grid: the listing one event per row, the counting footer under it, the
// grid's keys, the find dialog and the column menu of the corner button.
class RecordGrid : public QFrame {
    Q_OBJECT
public:
    explicit RecordGrid(QWidget* parent = nullptr);
    ~RecordGrid() override;

    // Shows the listing; nullptr detaches the grid from it.
    void setModel(ListingModel* model);
    ListingModel* model() const { return model_; }
    GridTable* view() const { return table_; }
    GridFooter* footer() const { return footer_; }

    // Logical indexes of the shown columns, in grid order.
    QList<int> visibleColumns() const;
    bool isColumnShown(int column) const;
    // Shows or hides a column; the last shown column cannot be hidden (returns false).
    bool setColumnShown(int column, bool shown);

    // Titles of the eight columns, put into the listing's header.
    void setColumnTitles(const QStringList& titles);
    QStringList columnTitles() const;
    // The footer text under the start-time column ("Record Count:").
    void setFooterCaption(const QString& caption);

    // Ctrl+A: marks every row of the listing, fetching it to its end.
    void markAll();
    // Ctrl+Delete: asks for the marked rows, or the current row, to be deleted.
    void deleteMarked();
    // Selects the next row that matches; false when there is none.
    bool findNext(const FindOptions& options);
    // Ctrl+F: shows the find dialog.
    void openFindDialog();
    FindDialog* findDialog();

    // The corner button above the row indicator and the menu it opens, filled afresh.
    QAbstractButton* cornerButton() const { return corner_; }
    QMenu* cornerMenu();

signals:
    // The store rows the operator deleted; the owner deletes them and drops them from the model.
    void deleteRequested(const QList<qint64>& ids);
    void doubleClicked();

private:
    void applyColumnLayout();
    void showCornerMenu();
    void fillCornerMenu();

    GridTable* table_;
    GridFooter* footer_;
    ListingModel* model_ = nullptr;
    QAbstractButton* corner_ = nullptr;
    QMenu* cornerMenu_;
    QPointer<FindDialog> findDialog_;
    std::array<bool, ListingModel::ColumnCount> hidden_{};
    QStringList titles_;
    QList<QMetaObject::Connection> modelConnections_;
};

} // namespace zor
