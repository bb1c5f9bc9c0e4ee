// The main window's side of the device link: commands out, the download's progress in.
#include "UntMain.h"

#include "DownloadStatus.h"
#include "Notifier.h"
#include "PortError.h"
#include "PortNames.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace zor {

QStringList TFrmMain::portNames() const {
    QStringList choices = portChoices();
    // Serial devices linked in the working folder, such as the simulated detector.
    const QFileInfoList links =
        QDir::current().entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& link : links) {
        if (link.isSymLink() && link.symLinkTarget().startsWith(QStringLiteral("/dev/")))
            choices << link.absoluteFilePath();
    }
    return choices;
}

void TFrmMain::wireSession() {
    Comm = &session_->link();
    connect(session_, &DownloadSession::progress, this, [this](const DownloadCounts& counts) {
        if (session_->isRunning())
            showStatus(status::downloading(session_->port(), counts));
    });
    connect(session_, &DownloadSession::ended, this,
            [this](DownloadOutcome outcome, const DownloadCounts& counts) {
                showStatus(status::ended(outcome, session_->port(), counts,
                                         QDateTime::currentDateTime(),
                                         LocaleSeparators::of(locale())));
            });
    connect(session_, &DownloadSession::framesImported, this,
            [this] { runHandler([this] { framesImported(); }); });
    // The boxes open from the event loop, so that frames go on being handled behind them.
    connect(
        session_, &DownloadSession::invalidDate, this,
        [this](const QString& text) { notifier_.error(this, text); }, Qt::QueuedConnection);
    connect(
        session_, &DownloadSession::storeFailed, this,
        [this](const QString& text) { notifier_.error(this, text); }, Qt::QueuedConnection);
}

bool TFrmMain::portOpened(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const PortError& e) {
        // The fixed first line, then what the operator can do about it.
        notifier_.information(this, e.text() + u'\n' + e.cause());
        return false;
    }
}

void TFrmMain::BtnGetDataClick() {
    const QString port = cbxComPort->currentText();
    portOpened([this, &port] { session_->start(port); });
}

void TFrmMain::BtnSetTimeClick() {
    const QString port = cbxComPort->currentText();
    QDateTime sent;
    // The detector confirms nothing: the status says what was sent.
    if (portOpened([this, &port, &sent] { sent = session_->setClock(port); }))
        showStatus(status::clockSet(port, sent, LocaleSeparators::of(locale())));
}

void TFrmMain::framesImported() {
    if (closing_)
        return;
    resetFilterControls();
    Refresh();
}

void TFrmMain::showStatus(const QString& text) {
    lblStatus->setText(text);
}

} // namespace zor
