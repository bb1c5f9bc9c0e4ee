#pragma once

#include "AlarmFrame.h"
#include "DownloadHistory.h"
#include "FrameAssembler.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <deque>

namespace zor {

class AlarmStore;
class TComm;

// A download ends when the detector has been silent this long after its last byte...
inline constexpr int kDownloadSilenceMs = 2000;
// ...or when no byte at all came this long after the read command.
inline constexpr int kNoAnswerMs = 5000;
// The port settles this long after opening before a command is sent.
inline constexpr unsigned long kSettleAfterOpenMs = 100;
// Received frames are handled in slices of this length, so that the caller's event loop
// keeps answering however fast frames arrive.
inline constexpr qint64 kFrameSliceMs = 50;

// Idle: no download has started yet.
enum class DownloadOutcome { Idle, Running, Finished, NoAnswer, Interrupted };

// The outcome as the history row names it.
QString outcomeName(DownloadOutcome outcome);

// One road for every download: reopens the port, sends the read command, takes the intact
// frames out of what the detector sends, stores each event once, keeps the history row up
// to date and decides when the download has ended. Used from one thread with an event loop.
class DownloadSession : public QObject {
    Q_OBJECT
public:
    DownloadSession(AlarmStore& store, DownloadHistory& history, QObject* parent = nullptr);
    ~DownloadSession() override;

    // The computer's name in the history rows; the host name unless set.
    void setStation(const QString& station) { station_ = station; }
    const QString& station() const { return station_; }

    // Reopens the port, writes the history row and sends the read command. A running
    // download ends as interrupted first. Throws PortError when the port cannot be opened,
    // UserError when the history row cannot be written (the port is closed again).
    void start(const QString& port);

    // Reopens the port and sends the set-clock command with the local time read once the port
    // has settled; returns the time sent. A running download ends as interrupted first.
    // Throws PortError.
    QDateTime setClock(const QString& port);

    // Ends a running download as interrupted and stops the link (the window closes).
    void close();

    // Waits until the bytes sent by the last command have left; false on time-out.
    bool waitForSent(int timeoutMs);

    bool isRunning() const { return outcome_ == DownloadOutcome::Running; }
    DownloadOutcome outcome() const { return outcome_; }
    const DownloadCounts& counts() const { return counts_; }
    const QString& port() const { return port_; }
    qint64 historyId() const { return historyId_; }
    // True while received frames wait to be handled.
    bool hasPendingFrames() const { return !frames_.empty() || sliceScheduled_; }

    TComm& link() { return *comm_; }

    // Takes one chunk as the link hands it over.
    void receive(const QByteArray& chunk, bool endedBySilence);

signals:
    void frameStored(const zor::AlarmRecord& record);
    void frameDuplicate(const zor::AlarmRecord& record);
    void framesRejected(int frames);
    // A run of frames was handled and at least one of them was stored or already stored.
    void framesImported(int frames);
    // A frame whose date does not exist in the calendar; text for the error box.
    void invalidDate(const QString& text);
    // The store refused a frame; said once per download, later failures are only counted.
    void storeFailed(const QString& text);
    void progress(const zor::DownloadCounts& counts);
    void ended(zor::DownloadOutcome outcome, const zor::DownloadCounts& counts);

private:
    void openPort(const QString& port);
    void send(const QByteArray& command);
    void scheduleSlice();
    void handleSlice();
    // Handles queued frames for up to limitMs (all of them when negative).
    void handleQueued(qint64 limitMs);
    void handleFrame(const QByteArray& frame);
    void countRejected(int frames);
    void countFailed(const QString& text);
    void silenceReached();
    void end(DownloadOutcome outcome);
    void interruptRunning();

    AlarmStore& store_;
    DownloadHistory& history_;
    TComm* comm_ = nullptr;
    FrameAssembler assembler_;
    std::deque<QByteArray> frames_;
    QTimer silence_;
    QTimer noAnswer_;
    QString station_;
    QString port_;
    qint64 historyId_ = 0;
    DownloadCounts counts_;
    DownloadOutcome outcome_ = DownloadOutcome::Idle;
    bool anyByte_ = false;
    bool silent_ = false;
    bool storeFailureSaid_ = false;
    bool sliceScheduled_ = false;
    bool handling_ = false;
};

} // namespace zor

Q_DECLARE_METATYPE(zor::DownloadOutcome)
Q_DECLARE_METATYPE(zor::DownloadCounts)
