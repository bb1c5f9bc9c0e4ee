#pragma once

#include "GridFind.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace zor {

// The grid's find dialog: text with a history, the column, how to match, the direction,
// case and display format; "Find Next" asks the grid to select the next matching row.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    // The columns offered besides "All columns": their titles and logical indexes.
    void setColumns(const QStringList& titles, const QList<int>& columns);

    FindOptions options() const;
    QStringList history() const;
    // Tells the operator whether the last search found a row.
    void showResult(bool found);

    QComboBox* textBox() const { return text_; }
    QComboBox* columnBox() const { return column_; }
    QComboBox* matchBox() const { return match_; }
    QCheckBox* ignoreCaseBox() const { return ignoreCase_; }
    QCheckBox* ignoreFormatBox() const { return ignoreFormat_; }
    QPushButton* findNextButton() const { return findNext_; }
    void setDirection(FindOptions::Direction direction);

signals:
    void findNextRequested(const zor::FindOptions& options);

private:
    void findNextClicked();

    QComboBox* text_;
    QComboBox* column_;
    QComboBox* match_;
    QRadioButton* up_;
    QRadioButton* down_;
    QRadioButton* all_;
    QCheckBox* ignoreCase_;
    QCheckBox* ignoreFormat_;
    QLabel* result_;
    QPushButton* findNext_;
    QPushButton* close_;
};

} // namespace zor
