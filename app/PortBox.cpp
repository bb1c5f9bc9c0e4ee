#include "PortBox.h"

#include "PortNames.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSignalBlocker>

namespace zor {

namespace {
constexpr int kListMargin = 24;
constexpr auto kDescriptionSeparator = "  \u2013  ";
} // namespace

PortBox::PortBox(Source source, QWidget* parent) : QComboBox(parent), source_(std::move(source)) {
    // Choosing an entry puts the port's name in the box, not the text shown for it.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (isEditable())
            setEditText(itemData(index).toString());
    });
}

void PortBox::refill() {
    const QSignalBlocker block(this);
    const QString text = currentText();
    clear();
    const QMap<QString, QString> descriptions = portDescriptions();
    for (const QString& name : source_()) {
        const QString description = descriptions.value(name);
        // Only a box the operator types into can show more than the name.
        const QString shown = description.isEmpty() || !isEditable()
                                  ? name
                                  : name + QString::fromUtf8(kDescriptionSeparator) + description;
        addItem(shown, name);
    }
    // At first the first entry is chosen; later what the box held stays.
    const int index = text.isEmpty() ? 0 : findData(text);
    if (index >= 0 && index < count())
        setCurrentIndex(index);
    if (isEditable() && !text.isEmpty())
        setEditText(text);
    // The list opens wide enough for long device paths; the box keeps its size.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + kListMargin);
}

void PortBox::showPopup() {
    refill();
    QComboBox::showPopup();
}

} // namespace zor
