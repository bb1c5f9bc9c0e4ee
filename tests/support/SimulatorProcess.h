#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QThread>

namespace zor::test {

// The simulated detector as a child process; its output is read line by line.
class SimulatorProcess {
public:
    static constexpr int kStartTimeoutMs = 5000;

    ~SimulatorProcess() { stop(); }

    bool start(const QStringList& arguments) {
        process_.setProgram(QStringLiteral(ZOR_DETECTOR_SIM));
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        if (!process_.waitForStarted(kStartTimeoutMs))
            return false;
        return waitFor([this] { return !lines().isEmpty(); }, kStartTimeoutMs);
    }

    // The serial device the simulator serves.
    QString devicePath() { return lines().value(0); }

    QStringList lines() {
        output_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
        return output_.split(u'\n', Qt::SkipEmptyParts);
    }

    // Reports of answered read commands, "read: sent N frames[, link stalled]".
    QStringList answers() { return lines().filter(QStringLiteral("read: sent")); }

    bool waitForLineStartingWith(const QString& prefix, int timeoutMs) {
        return waitFor(
            [&] {
                for (const QString& line : lines())
                    if (line.startsWith(prefix))
                        return true;
                return false;
            },
            timeoutMs);
    }

    // SIGKILL: no clean-up of any kind in the simulator, as a device pulled out.
    void kill() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished(kStartTimeoutMs);
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(kStartTimeoutMs))
            process_.kill();
        process_.waitForFinished(kStartTimeoutMs);
    }

    // Runs the event loop until the condition holds or the time is up.
    template <typename Condition> static bool waitFor(Condition condition, int timeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (!condition()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(5);
        }
        return true;
    }

private:
    QProcess process_;
    QString output_;
};

// The event log a simulator with these arguments sends, one line per event.
inline QStringList simulatorLog(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(ZOR_DETECTOR_SIM), arguments + QStringList{"--print-log"});
    process.waitForFinished(SimulatorProcess::kStartTimeoutMs);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace zor::test
