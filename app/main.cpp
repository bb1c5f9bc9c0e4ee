#include "Notifier.h"
#include "UntMain.h"
#include "UserError.h"

#include "Database.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

// The per-user store in the user's data folder, created empty on first use.
QString userStore(zor::Notifier& notifier) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString path = QDir(folder).filePath(QString::fromLatin1(zor::kStoreFileName));
    if (QFileInfo::exists(path))
        return path;
    try {
        if (!QDir().mkpath(folder))
            throw zor::UserError(QStringLiteral("Cannot create the folder \"%1\".").arg(folder));
        zor::Database::createEmpty(path);
    } catch (const zor::UserError& e) {
        notifier.error(nullptr, e.text());
    }
    return path;
}

} // namespace

int main(int argc, char** argv) {
    zor::MessageBoxNotifier notifier;
    ZorApplication app(argc, argv, notifier);
    QApplication::setApplicationName(QString::fromLatin1(zor::kAppTitle));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Downloads and keeps the alarm logs of portable gas detectors. Without options the "
        "store is ZOR.DLL in the current directory."));
    parser.addHelpOption();
    const QCommandLineOption store(QStringLiteral("store"), QStringLiteral("Use the store STORE."),
                                   QStringLiteral("STORE"));
    const QCommandLineOption perUser(
        QStringLiteral("user-store"),
        QStringLiteral("Use ZOR.DLL in the user's data folder, created empty on first use."));
    parser.addOptions({store, perUser});
    parser.process(app);

    QString storePath = QString::fromLatin1(zor::kStoreFileName);
    if (parser.isSet(store))
        storePath = parser.value(store);
    else if (parser.isSet(perUser))
        storePath = userStore(notifier);

    zor::TFrmMain window(notifier, storePath);
    if (!window.FormCreate())
        return 1;
    window.show();
    return app.exec();
}
