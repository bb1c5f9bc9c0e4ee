#include "DownloadSession.h"

#include "AlarmStore.h"
#include "CommandFrame.h"
#include "PortError.h"
#include "TComm.h"
#include "UserError.h"

#include <QElapsedTimer>
#include <QSysInfo>
#include <QThread>

namespace zor {

QString outcomeName(DownloadOutcome outcome) {
    switch (outcome) {
    case DownloadOutcome::Running:
        return QString::fromLatin1(kOutcomeRunning);
    case DownloadOutcome::Finished:
        return QString::fromLatin1(kOutcomeFinished);
    case DownloadOutcome::NoAnswer:
        return QString::fromLatin1(kOutcomeNoAnswer);
    case DownloadOutcome::Interrupted:
        return QString::fromLatin1(kOutcomeInterrupted);
    case DownloadOutcome::Idle:
        break;
    }
    return {};
}

DownloadSession::DownloadSession(AlarmStore& store, DownloadHistory& history, QObject* parent)
    : QObject(parent), store_(store), history_(history), comm_(new TComm(this)),
      station_(QSysInfo::machineHostName()) {
    silence_.setSingleShot(true);
    silence_.setInterval(kDownloadSilenceMs);
    noAnswer_.setSingleShot(true);
    noAnswer_.setInterval(kNoAnswerMs);
    connect(&silence_, &QTimer::timeout, this, &DownloadSession::silenceReached);
    connect(&noAnswer_, &QTimer::timeout, this, [this] {
        if (isRunning() && !anyByte_)
            end(DownloadOutcome::NoAnswer);
    });
    connect(comm_, &TComm::ReceiveData, this, &DownloadSession::receive);
    connect(comm_, &TComm::LinkLost, this, [this] {
        if (isRunning())
            end(DownloadOutcome::Interrupted);
    });
}

DownloadSession::~DownloadSession() {
    try {
        close();
    } catch (...) {
        // The history row keeps "running" and becomes "interrupted" at the next start-up.
    }
}

void DownloadSession::openPort(const QString& port) {
    interruptRunning();
    comm_->StopComm();
    comm_->CommName = port;
    try {
        assembler_.clear();
        comm_->StartComm();
    } catch (const PortOpenError& e) {
        QThread::msleep(kSettleAfterOpenMs);
        throw PortError(e.cause());
    } catch (const UserError& e) {
        QThread::msleep(kSettleAfterOpenMs);
        throw PortError(QStringLiteral("%1: %2").arg(comm_->portLabel(), e.text()));
    }
    QThread::msleep(kSettleAfterOpenMs);
}

void DownloadSession::send(const QByteArray& command) {
    comm_->WriteCommData(command.constData(), quint16(command.size()));
}

void DownloadSession::start(const QString& port) {
    openPort(port);
    try {
        store_.ensureWritable();
        historyId_ = history_.begin(station_, port, QDateTime::currentDateTime());
    } catch (const UserError& e) {
        comm_->StopComm();
        throw UserError(QStringLiteral("The download was not started: the store refused it (%1). "
                                       "Nothing was read from the detector")
                            .arg(e.text()));
    }
    port_ = port;
    counts_ = {};
    anyByte_ = false;
    silent_ = false;
    storeFailureSaid_ = false;
    outcome_ = DownloadOutcome::Running;
    send(readCommandFrame());
    noAnswer_.start();
    emit progress(counts_);
}

QDateTime DownloadSession::setClock(const QString& port) {
    openPort(port);
    const QDateTime now = QDateTime::currentDateTime();
    send(setClockCommandFrame(now));
    return now;
}

bool DownloadSession::waitForSent(int timeoutMs) {
    return comm_->waitForSent(timeoutMs);
}

void DownloadSession::close() {
    interruptRunning();
    comm_->StopComm();
}

void DownloadSession::interruptRunning() {
    if (isRunning())
        end(DownloadOutcome::Interrupted);
}

void DownloadSession::receive(const QByteArray& chunk, bool endedBySilence) {
    // Bytes outside a download (after the end, or after a set-clock command) are not a log.
    if (!isRunning())
        return;
    anyByte_ = true;
    noAnswer_.stop();
    silence_.start();
    silent_ = false;
    AssembledFrames assembled = assembler_.append(chunk, endedBySilence);
    for (QByteArray& frame : assembled.frames)
        frames_.push_back(std::move(frame));
    countRejected(assembled.refused);
    scheduleSlice();
}

void DownloadSession::scheduleSlice() {
    if (frames_.empty() || sliceScheduled_)
        return;
    sliceScheduled_ = true;
    QMetaObject::invokeMethod(this, &DownloadSession::handleSlice, Qt::QueuedConnection);
}

void DownloadSession::handleSlice() {
    sliceScheduled_ = false;
    if (handling_)
        return;
    handling_ = true;
    const DownloadCounts before = counts_;
    handleQueued(kFrameSliceMs);
    handling_ = false;
    if (!(counts_ == before))
        emit progress(counts_);
    if (!frames_.empty())
        scheduleSlice();
    else if (silent_ && isRunning())
        end(DownloadOutcome::Finished);
}

void DownloadSession::handleQueued(qint64 limitMs) {
    const DownloadCounts before = counts_;
    QElapsedTimer slice;
    slice.start();
    while (!frames_.empty() && (limitMs < 0 || slice.elapsed() < limitMs)) {
        const QByteArray frame = std::move(frames_.front());
        frames_.pop_front();
        handleFrame(frame);
    }
    const int imported = counts_.stored - before.stored + counts_.duplicates - before.duplicates;
    if (imported > 0)
        emit framesImported(imported);
}

void DownloadSession::handleFrame(const QByteArray& frame) {
    std::optional<AlarmRecord> record;
    try {
        record = Decode(frame);
    } catch (const EConvertError& e) {
        countRejected(1);
        emit invalidDate(e.text());
        return;
    }
    if (!record) {
        countRejected(1);
        return;
    }
    try {
        if (store_.import(*record, historyId_)) {
            ++counts_.stored;
            emit frameStored(*record);
        } else {
            ++counts_.duplicates;
            emit frameDuplicate(*record);
        }
    } catch (const UserError& e) {
        countFailed(e.text());
    }
}

void DownloadSession::countRejected(int frames) {
    if (frames <= 0)
        return;
    counts_.rejected += frames;
    try {
        history_.addRejected(historyId_, frames);
    } catch (const UserError&) {
        // The final counts are written again when the download ends.
    }
    emit framesRejected(frames);
}

void DownloadSession::countFailed(const QString& text) {
    ++counts_.failed;
    try {
        history_.addFailed(historyId_, 1);
    } catch (const UserError&) {
        // The store that refused the frame may refuse this too; the end writes it again.
    }
    if (!storeFailureSaid_) {
        storeFailureSaid_ = true;
        emit storeFailed(text);
    }
}

void DownloadSession::silenceReached() {
    if (!isRunning())
        return;
    silent_ = true;
    if (frames_.empty() && !handling_)
        end(DownloadOutcome::Finished);
}

void DownloadSession::end(DownloadOutcome outcome) {
    silence_.stop();
    noAnswer_.stop();
    // Whatever the assembler still holds cannot be shown intact any more.
    countRejected(assembler_.finish());
    // Frames already received belong to this download: they are stored before it ends.
    handleQueued(-1);
    outcome_ = outcome;
    try {
        history_.finish(historyId_, counts_, outcomeName(outcome), QDateTime::currentDateTime());
    } catch (const UserError& e) {
        if (!storeFailureSaid_) {
            storeFailureSaid_ = true;
            emit storeFailed(e.text());
        }
    }
    emit progress(counts_);
    emit ended(outcome, counts_);
}

} // namespace zor
