#pragma once

#include <QWidget>

class QTableView;

namespace zor {

// The footer row under the grid: "Record Count:" under the start-time column and the
// listing's row count under the start-value column, cells lined up with the columns.
class GridFooter : public QWidget {
    Q_OBJECT
public:
    explicit GridFooter(QTableView* table, QWidget* parent = nullptr);

    void setCount(qint64 count);
    qint64 count() const { return count_; }
    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }
    // The count as the footer shows it: no thousands separator.
    QString countText() const;

    // Where the footer cell of a column lies in the footer; empty while the column is hidden.
    QRect cellRect(int column) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTableView* table_;
    qint64 count_ = 0;
    QString caption_;
};

} // namespace zor
