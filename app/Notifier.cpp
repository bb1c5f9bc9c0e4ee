#include "Notifier.h"

#include <QMessageBox>

namespace zor {

QString withClosingStop(const QString& text) {
    if (!text.isEmpty() && text.back() > u'.')
        return text + u'.';
    return text;
}

void MessageBoxNotifier::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QString::fromLatin1(kAppTitle), text);
}

void MessageBoxNotifier::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QString::fromLatin1(kAppTitle), withClosingStop(text));
}

} // namespace zor
