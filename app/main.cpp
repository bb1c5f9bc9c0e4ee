#include "Notifier.h"
#include "UntMain.h"
#include "UserError.h"

#include <QApplication>

namespace {

// Catches what an event handler lets escape and shows it in the default error box.
class ZorApplication : public QApplication {
public:
    ZorApplication(int& argc, char** argv, zor::Notifier& notifier)
        : QApplication(argc, argv), notifier_(notifier) {}

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const zor::UserError& e) {
            notifier_.error(activeWindow(), e.text());
        } catch (const std::exception& e) {
            notifier_.error(activeWindow(), QString::fromLocal8Bit(e.what()));
        }
        return false;
    }

private:
    zor::Notifier& notifier_;
};

} // namespace

int main(int argc, char** argv) {
    zor::MessageBoxNotifier notifier;
    ZorApplication app(argc, argv, notifier);
    QApplication::setApplicationName(QString::fromLatin1(zor::kAppTitle));

    zor::TFrmMain window(notifier);
    if (!window.FormCreate())
        return 1;
    window.show();
    return app.exec();
}
