#pragma once

#include "ListingModel.h"

#include <QTableView>

namespace zor {

// The grid of the listing.
class RecordGrid : public QTableView {
    Q_OBJECT
public:
    explicit RecordGrid(QWidget* parent = nullptr);
};

} // namespace zor
