// The main window's side of the device link: commands out, alarm frames in.
#include "UntMain.h"

#include "CommandFrame.h"
#include "Notifier.h"
#include "PortNames.h"
#include "TComm.h"
#include "UserError.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace zor {

namespace {
constexpr unsigned long kSettleAfterOpenMs = 100;
constexpr qint64 kFrameSliceMs = 50;
constexpr int kListMargin = 24;
constexpr auto kPortFailedText = "Can't initialize serial port. Please check your setting.";
} // namespace

void TFrmMain::fillPortChoices() {
    QStringList choices = portChoices();
    // Serial devices linked in the working folder, such as the simulated detector.
    const QFileInfoList links =
        QDir::current().entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& link : links) {
        if (link.isSymLink() && link.symLinkTarget().startsWith(QStringLiteral("/dev/")))
            choices << link.absoluteFilePath();
    }
    cbxComPort->addItems(choices);
    // The list opens wide enough for long device paths; the box keeps its size.
    cbxComPort->view()->setMinimumWidth(cbxComPort->view()->sizeHintForColumn(0) + kListMargin);
}

bool TFrmMain::OpenComPort(const QString& ComNum) {
    Comm->CommName = ComNum;
    bool opened = true;
    try {
        Comm->StopComm();
        assembler_.clear();
        Comm->StartComm();
    } catch (const UserError&) {
        notifier_.information(this, QString::fromLatin1(kPortFailedText));
        opened = false;
    }
    QThread::msleep(kSettleAfterOpenMs);
    return opened;
}

void TFrmMain::BtnGetDataClick() {
    if (!OpenComPort(cbxComPort->currentText()))
        return;
    const QByteArray frame = readCommandFrame();
    Comm->WriteCommData(frame.constData(), quint16(frame.size()));
}

void TFrmMain::BtnSetTimeClick() {
    if (!OpenComPort(cbxComPort->currentText()))
        return;
    const QByteArray frame = setClockCommandFrame(QDateTime::currentDateTime());
    Comm->WriteCommData(frame.constData(), quint16(frame.size()));
}

void TFrmMain::CommReceiveData(const QByteArray& chunk) {
    if (closing_)
        return;
    for (QByteArray& frame : assembler_.append(chunk))
        pendingFrames_.push_back(std::move(frame));
    if (!pendingFrames_.empty() && !framesScheduled_) {
        framesScheduled_ = true;
        QMetaObject::invokeMethod(this, &TFrmMain::handlePendingFrames, Qt::QueuedConnection);
    }
}

void TFrmMain::handlePendingFrames() {
    framesScheduled_ = false;
    // A message box shown for one frame runs the event loop: frames that arrive meanwhile
    // wait behind those already queued, and the run that opened the box goes on with them.
    if (handlingFrames_ || closing_)
        return;
    handlingFrames_ = true;
    // Hand the window back to the operator now and then, however fast frames arrive.
    QElapsedTimer slice;
    slice.start();
    while (!pendingFrames_.empty() && !closing_ && slice.elapsed() < kFrameSliceMs) {
        const QByteArray frame = std::move(pendingFrames_.front());
        pendingFrames_.pop_front();
        runHandler([this, &frame] {
            try {
                importFrame(frame);
            } catch (...) {
                // The operator reads the message over the listing as the frames before left it.
                runHandler([this] { refreshIfFramesStored(); });
                throw;
            }
        });
    }
    // The window shows nothing between two frames of one run, so one refresh serves them all.
    runHandler([this] { refreshIfFramesStored(); });
    handlingFrames_ = false;
    if (!pendingFrames_.empty() && !closing_ && !framesScheduled_) {
        framesScheduled_ = true;
        QMetaObject::invokeMethod(this, &TFrmMain::handlePendingFrames, Qt::QueuedConnection);
    }
}

void TFrmMain::importFrame(const QByteArray& frame) {
    const std::optional<AlarmRecord> record = Decode(frame, locale());
    if (!record)
        return;
    alarmStore_->import(*record);
    resetFilterControls();
    refreshPending_ = true;
}

void TFrmMain::refreshIfFramesStored() {
    if (!refreshPending_)
        return;
    refreshPending_ = false;
    Refresh();
}

} // namespace zor
