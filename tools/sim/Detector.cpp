#include "Detector.h"

#include "DetectorFrames.h"
#include "PseudoTerminal.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace zor::sim {

namespace {

// Pieces of a frame come a little apart, as from a slow adapter, but within the receiver's
// 20 ms of silence: a pause inside a frame would break it.
constexpr int kSplitPauseMs = 5;
// Longer than the receiver's 20 ms of silence, so noise and frame are reads of their own.
constexpr int kNoisePauseMs = 40;
// How long a full link may refuse bytes before the answer is given up.
constexpr int kStallTimeoutMs = 3000;
// How long to wait for the receiver to take the last answer before ending.
constexpr int kTakeTimeoutMs = 5000;
constexpr int kTakePollMs = 20;
constexpr int kLastBytesMs = 100;
// Pause before polling again when the master reports an error instead of data.
constexpr int kRetryMs = 100;

// Polls the master for the given events and the stop descriptor; returns the master's
// events, or -1 when asked to stop.
int pollWithStop(int masterFd, short events, int stopFd, int timeoutMs) {
    pollfd fds[2] = {{masterFd, events, 0}, {stopFd, POLLIN, 0}};
    int ready = 0;
    do {
        ready = ::poll(fds, 2, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (fds[1].revents != 0)
        return -1;
    return ready > 0 ? fds[0].revents : 0;
}

} // namespace

Detector::Detector(PseudoTerminal& pty, std::vector<SimEvent> log, const LinkOptions& options,
                   int stopFd, Report report)
    : pty_(pty), log_(std::move(log)), options_(options), stopFd_(stopFd),
      report_(std::move(report)), random_(options.seed) {}

QDateTime Detector::clock() const {
    return QDateTime::currentDateTime().addSecs(clockOffsetSecs_);
}

void Detector::run() {
    while (!stopping_) {
        const int events = pollWithStop(pty_.masterFd(), POLLIN, stopFd_, -1);
        if (events < 0)
            return;
        if (events & POLLIN) {
            for (const DetectorCommand& command : scanner_.feed(pty_.readAvailable(0))) {
                handle(command);
                if (stopping_)
                    return;
            }
        } else if (events & (POLLHUP | POLLERR)) {
            // No one holds the other side right now: try again shortly.
            pause(kRetryMs);
        }
    }
}

void Detector::handle(const DetectorCommand& command) {
    if (command.kind == DetectorCommand::Kind::SetClock) {
        const QDateTime wallClock(command.clock.date(), command.clock.time(), Qt::LocalTime);
        clockOffsetSecs_ = QDateTime::currentDateTime().secsTo(wallClock);
        report_(QStringLiteral("set-clock %1 weekday %2")
                    .arg(command.clock.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                    .arg(command.weekday));
        return;
    }
    if (readsAnswered_ > 0 && !options_.repeat) {
        report_(QStringLiteral("read: ignored, answered already (see --repeat)"));
        return;
    }
    answerRead();
    ++readsAnswered_;
    if (options_.exitAfterReads > 0 && readsAnswered_ >= options_.exitAfterReads) {
        waitUntilTaken();
        stopping_ = true;
    }
}

void Detector::answerRead() {
    int sent = 0;
    int invalid = 0;
    for (const SimEvent& event : log_) {
        if (sent > 0 && !options_.backToBack && !pause(options_.gapMs))
            return;
        QByteArray frame = encodeAlarmFrame(event);
        if (options_.noiseEvery > 0 && (sent + 1) % options_.noiseEvery == 0)
            frame = withNoiseByte(frame);
        if (!sendFrame(frame))
            break;
        ++sent;
        if (options_.invalidEvery > 0 && sent % options_.invalidEvery == 0) {
            const auto kind = InvalidKind(invalidSent_++ % kInvalidKindCount);
            if ((!options_.backToBack && !pause(options_.gapMs)) ||
                !sendFrame(invalidAlarmFrame(event, kind)))
                break;
            ++invalid;
        }
    }
    if (stopping_)
        return;
    QString line = QStringLiteral("read: sent %1 frames").arg(sent);
    if (invalid > 0)
        line += QStringLiteral(", %1 invalid").arg(invalid);
    if (sent < int(log_.size()))
        line += QStringLiteral(", link stalled");
    report_(line);
}

bool Detector::sendGarbage() {
    if (options_.garbageBytes == 0)
        return true;
    QByteArray garbage;
    for (int i = 0; i < options_.garbageBytes; ++i)
        garbage.append(random_.byte());
    // Back to back, the noise runs straight into the frame; otherwise silence parts them.
    if (options_.backToBack)
        return send(garbage);
    return send(garbage) && pause(std::max(options_.gapMs, kNoisePauseMs));
}

bool Detector::sendFrame(const QByteArray& frame) {
    if (!sendGarbage())
        return false;
    if (!options_.splitBytes)
        return send(frame);
    for (qsizetype at = 0; at < frame.size(); at += options_.splitBytes) {
        if (at > 0 && !pause(kSplitPauseMs))
            return false;
        if (!send(frame.mid(at, options_.splitBytes)))
            return false;
    }
    return true;
}

bool Detector::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(pty_.masterFd(), bytes.constData() + done, size_t(bytes.size() - done));
        if (written > 0) {
            done += written;
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        const int events = pollWithStop(pty_.masterFd(), POLLOUT, stopFd_, kStallTimeoutMs);
        if (events < 0) {
            stopping_ = true;
            return false;
        }
        if (!(events & POLLOUT))
            return false;
    }
    return true;
}

bool Detector::pause(int ms) {
    if (ms <= 0)
        return !stopping_;
    if (pollWithStop(-1, 0, stopFd_, ms) < 0)
        stopping_ = true;
    return !stopping_;
}

void Detector::waitUntilTaken() {
    QElapsedTimer waited;
    waited.start();
    while (pty_.unreadBySlave() > 0 && waited.elapsed() < kTakeTimeoutMs) {
        if (!pause(kTakePollMs))
            return;
    }
    // The last bytes may still be on their way from the master to the slave's queue.
    pause(kLastBytesMs);
}

} // namespace zor::sim
