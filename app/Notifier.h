#pragma once

#include <QString>

class QWidget;

namespace zor {

inline constexpr auto kAppTitle = "ZOR";

// Adds the closing full stop when the text ends in a character that sorts above ".".
QString withClosingStop(const QString& text);

// Where the program's message boxes go.
class Notifier {
public:
    virtual ~Notifier() = default;
    // An information box titled "ZOR" with an OK button.
    virtual void information(QWidget* parent, const QString& text) = 0;
    // The default error box: titled "ZOR", error icon, OK, with the closing full stop.
    virtual void error(QWidget* parent, const QString& text) = 0;
};

// Shows real message boxes; their event loop keeps handling queued events.
class MessageBoxNotifier : public Notifier {
public:
    void information(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
};

} // namespace zor
