#pragma once

#include "Notifier.h"

#include <QStringList>

namespace zor::test {

// Keeps the texts of the boxes the program would have shown.
class RecordingNotifier : public Notifier {
public:
    void information(QWidget*, const QString& text) override { informations << text; }
    void error(QWidget*, const QString& text) override { errors << withClosingStop(text); }

    QStringList informations;
    QStringList errors;
};

} // namespace zor::test
