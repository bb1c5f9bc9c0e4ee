#pragma once

#include <QComboBox>
#include <functional>

namespace zor {

// The port box: its list is built afresh each time it opens, so that an adapter plugged in
// later appears. Entries show what the system says of a port; the text put in the box stays
// the port's name.
class PortBox : public QComboBox {
    Q_OBJECT
public:
    // Gives the names to offer, in order.
    using Source = std::function<QStringList()>;

    PortBox(Source source, QWidget* parent = nullptr);

    // Builds the list anew, keeping the text in the box.
    void refill();

    void showPopup() override;

private:
    Source source_;
};

} // namespace zor
