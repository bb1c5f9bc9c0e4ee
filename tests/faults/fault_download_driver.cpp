// The program's window as a process of its own for fault tests: opens STORE, downloads from
// PORT, and runs until it is killed or reads "quit" (or end of input) on its standard input.
// Message boxes are printed as "information: TEXT" and "error: TEXT" lines instead of shown,
// and the end of the download as "ended: OUTCOME N new".
#include "Notifier.h"
#include "UntMain.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kUsageExit = 2;
constexpr int kStoreExit = 1;
constexpr int kReadBlockBytes = 256;

void say(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class PrintingNotifier : public zor::Notifier {
public:
    void information(QWidget*, const QString& text) override {
        say(QStringLiteral("information: ") + text);
    }
    void error(QWidget*, const QString& text) override {
        say(QStringLiteral("error: ") + zor::withClosingStop(text));
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fputs("usage: fault_download_driver STORE PORT\n", stderr);
        return kUsageExit;
    }

    PrintingNotifier notifier;
    zor::TFrmMain window(notifier, arguments.at(1));
    if (!window.FormCreate())
        return kStoreExit;
    window.show();

    // "quit" or the end of standard input closes the window as the operator would.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray received;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char block[kReadBlockBytes];
        const ssize_t got = ::read(STDIN_FILENO, block, sizeof block);
        if (got > 0)
            received.append(block, qsizetype(got));
        if (got <= 0 || received.contains("quit")) {
            input.setEnabled(false);
            window.close();
            app.quit();
        }
    });

    QObject::connect(window.session(), &zor::DownloadSession::ended,
                     [](zor::DownloadOutcome outcome, const zor::DownloadCounts& counts) {
                         say(QStringLiteral("ended: %1 %2 new")
                                 .arg(zor::outcomeName(outcome))
                                 .arg(counts.stored));
                     });
    window.cbxComPort->setEditText(arguments.at(2));
    window.BtnGetData->click();
    say(QStringLiteral("downloading from ") + arguments.at(2));
    const int result = app.exec();
    say(QStringLiteral("closed with %1 rows").arg(window.ARGrid->totalRows()));
    return result;
}
