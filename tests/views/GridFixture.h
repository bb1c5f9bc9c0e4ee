#pragma once

#include "AlarmStore.h"
#include "ListingFixture.h"
#include "RecordGrid.h"

#include <QSqlQuery>
#include <QTest>

namespace zor::test {

// Five events, newest peak first: CO, H2S, O2, O2, EX.
inline void fill(ListingFixture& f) {
    f.import(record("CO", "2024-01-26 08:15:30", 50, "2024-01-26 08:16:02", 150,
                    "2024-01-26 08:20:00", 5));
    f.import(record("H2S", "2024-01-25 09:00:00", 5.5, "2024-01-25 09:01:00", 20.9,
                    "2024-01-25 09:02:00", 2.5));
    f.import(record("O2", "2024-01-24 10:00:00", 19.5, "2024-01-24 10:00:05", 18,
                    "2024-01-24 10:00:09", 19.9, "%VOL"));
    f.import(record("O2", "2024-01-23 10:00:00", 19.5, "2024-01-23 10:00:05", 17.5,
                    "2024-01-23 10:00:09", 19.9, "%VOL"));
    f.import(record("EX", "2024-01-22 10:00:00", 10, "2024-01-22 10:00:05", 25,
                    "2024-01-22 10:00:09", 10, "%LEL"));
}

inline QStringList rowTexts(const ListingModel& model, int row) {
    QStringList texts;
    for (int c = 0; c < ListingModel::ColumnCount; ++c)
        texts << model.index(row, c).data().toString();
    return texts;
}

inline QList<qint64> listedIds(const ListingModel& model) {
    QList<qint64> ids;
    for (int r = 0; r < model.rowCount(); ++r)
        ids << model.rowAt(r).id;
    return ids;
}

// A grid over the fixture's listing in a shown window, deleting as the main window does.
struct GridWindow {
    explicit GridWindow(ListingFixture& f) : fixture(f) {
        window.resize(994, 621);
        grid = new RecordGrid(&window);
        grid->setGeometry(22, 120, 950, 421);
        grid->setModel(f.model.get());
        QObject::connect(grid, &RecordGrid::deleteRequested, [this](const QList<qint64>& ids) {
            AlarmStore(fixture.store.open().connection()).remove(ids);
            fixture.model->dropRows(ids);
        });
        window.show();
    }

    void clickRow(int row) {
        QTableView* view = grid->view();
        const QRect cell = view->visualRect(view->model()->index(row, ListingModel::Gas));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }

    ListingFixture& fixture;
    QWidget window;
    RecordGrid* grid = nullptr;
};

inline qint64 storedRows(ListingFixture& f) {
    QSqlQuery query(f.store.open().connection());
    query.exec("SELECT count(*) FROM AR");
    return query.next() ? query.value(0).toLongLong() : -1;
}

} // namespace zor::test
