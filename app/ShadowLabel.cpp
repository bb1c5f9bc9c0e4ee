#include "ShadowLabel.h"

#include <QPainter>

namespace zor {

namespace {
constexpr int kShadowOffset = 2;
}

void ShadowLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    const QRect area = contentsRect();
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawText(area.translated(kShadowOffset, kShadowOffset), int(alignment()), text());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, int(alignment()), text());
}

} // namespace zor
