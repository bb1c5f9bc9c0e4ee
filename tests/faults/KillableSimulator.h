#pragma once

#include "SimulatorProcess.h"

#include <QProcess>
#include <QStringList>

namespace zor::test {

// The simulated detector as a child process that can also be killed outright, so that its
// end of the pseudo-terminal vanishes as an unplugged device would.
class KillableSimulator {
public:
    ~KillableSimulator() { stop(); }

    bool start(const QStringList& arguments) {
        process_.setProgram(QStringLiteral(ZOR_DETECTOR_SIM));
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        if (!process_.waitForStarted(SimulatorProcess::kStartTimeoutMs))
            return false;
        return SimulatorProcess::waitFor([this] { return !lines().isEmpty(); },
                                         SimulatorProcess::kStartTimeoutMs);
    }

    QString devicePath() { return lines().value(0); }

    QStringList lines() {
        output_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
        return output_.split(u'\n', Qt::SkipEmptyParts);
    }

    // Reports of answered read commands, "read: sent N frames[, link stalled]".
    QStringList answers() { return lines().filter(QStringLiteral("read: sent")); }

    // SIGKILL: no clean-up of any kind in the simulator.
    void kill() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished(SimulatorProcess::kStartTimeoutMs);
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(SimulatorProcess::kStartTimeoutMs))
            process_.kill();
        process_.waitForFinished(SimulatorProcess::kStartTimeoutMs);
    }

private:
    QProcess process_;
    QString output_;
};

} // namespace zor::test
