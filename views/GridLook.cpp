#include "GridLook.h"

#include "ListingModel.h"

namespace zor::gridlook {

namespace {

constexpr int kCellPixels = 16;
constexpr int kTitlePixels = 17;
constexpr int kFooterPixels = 16;

const QColor kStartColour{0, 128, 0};
const QColor kPeakColour{255, 0, 0};
const QColor kEndColour{0, 0, 255};
const QColor kTimeColour{0, 0, 0};

QFont pixelFont(const QString& family, int pixels, bool bold, QFont::StyleHint hint) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

bool isReading(int column) {
    return column == ListingModel::StartValue || column == ListingModel::PeakValue ||
           column == ListingModel::EndValue;
}

// The colour of the start, peak or end pair a column belongs to.
std::optional<QColor> pairColour(int column) {
    switch (column) {
    case ListingModel::StartTime:
    case ListingModel::StartValue:
        return kStartColour;
    case ListingModel::PeakTime:
    case ListingModel::PeakValue:
        return kPeakColour;
    case ListingModel::EndTime:
    case ListingModel::EndValue:
        return kEndColour;
    default:
        return std::nullopt;
    }
}

} // namespace

QFont cellFont(int column) {
    return pixelFont(QStringLiteral("Consolas"), kCellPixels, isReading(column), QFont::TypeWriter);
}

std::optional<QColor> cellColour(int column) {
    if (isReading(column))
        return pairColour(column);
    if (pairColour(column))
        return kTimeColour;
    return std::nullopt;
}

Qt::Alignment cellAlignment(int column) {
    return (isReading(column) ? Qt::AlignRight : Qt::AlignHCenter) | Qt::AlignVCenter;
}

QFont titleFont() {
    return pixelFont(QStringLiteral("Arial Narrow"), kTitlePixels, true, QFont::SansSerif);
}

std::optional<QColor> titleColour(int column) {
    return pairColour(column);
}

QFont footerFont() {
    return pixelFont(QStringLiteral("Courier New"), kFooterPixels, true, QFont::TypeWriter);
}

} // namespace zor::gridlook
