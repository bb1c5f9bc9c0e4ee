#pragma once

#include <QLabel>

namespace zor {

// A label whose text has a shadow 2 pixels right and 2 down in the button-shadow colour.
class ShadowLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace zor
