// A simulated gas detector on a pseudo-terminal: answers the read command with the alarm
// frames of its log and takes the set-clock command, over a link whose faults can be chosen.
#include "Detector.h"
#include "DetectorFrames.h"
#include "EventLog.h"
#include "PseudoTerminal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <stdexcept>
#include <unistd.h>

using namespace zor::sim;

namespace {

constexpr int kUsageExit = 2;
constexpr int kFailureExit = 1;
constexpr int kMaxEvents = 50000;
constexpr int kMaxPauseMs = 60000;
constexpr int kMaxGarbageBytes = 4096;

int gStopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(gStopPipe[1], &byte, 1);
}

void say(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void complain(const QString& line) {
    std::fputs(("zor-detector-sim: " + line + '\n').toLocal8Bit().constData(), stderr);
}

// Turns SIGINT, SIGTERM and SIGHUP into a readable byte on the stop pipe.
bool installStopSignals() {
    if (::pipe(gStopPipe) != 0)
        return false;
    for (int fd : gStopPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return true;
}

// Points a symbolic link at the slave device; an old link in the way is replaced.
bool makeLink(const QString& linkPath, const QString& target) {
    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        QFile::remove(linkPath);
    } else if (existing.exists()) {
        complain(QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath));
        return false;
    }
    if (!QFile::link(target, linkPath)) {
        complain(QStringLiteral("cannot create the link %1").arg(linkPath));
        return false;
    }
    return true;
}

// Removes the link only while it still points at our device.
void removeLink(const QString& linkPath, const QString& target) {
    const QFileInfo link(linkPath);
    if (link.isSymLink() && link.symLinkTarget() == target)
        QFile::remove(linkPath);
}

bool readCount(const QCommandLineParser& parser, const QString& name, int low, int high,
               int& value) {
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    value = parser.value(name).toInt(&ok);
    if (ok && value >= low && value <= high)
        return true;
    complain(QStringLiteral("--%1 wants a number from %2 to %3").arg(name).arg(low).arg(high));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zor-detector-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Simulated gas detector on a pseudo-terminal. The first line printed is "
            "the serial device to open; then one line per command handled. A read command "
            "is answered with one frame per event; a set-clock command sets the "
            "simulator's clock, which is only reported.\n\n") +
        QString::fromLatin1(kLogFormatHelp));
    parser.addHelpOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("log"), QStringLiteral("Alarm log to send, in the format above."),
         QStringLiteral("FILE")},
        {QStringLiteral("events"), QStringLiteral("Generate N events instead of reading a log."),
         QStringLiteral("N")},
        {QStringLiteral("seed"),
         QStringLiteral("Seed for generated events and garbage bytes (default 1)."),
         QStringLiteral("S")},
        {QStringLiteral("print-log"), QStringLiteral("Print the event log and exit.")},
        {QStringLiteral("link"),
         QStringLiteral("Make a symbolic link to the device at PATH (removed at exit)."),
         QStringLiteral("PATH")},
        {QStringLiteral("gap"), QStringLiteral("Pause between frames (default 30)."),
         QStringLiteral("MS")},
        {QStringLiteral("back-to-back"), QStringLiteral("No pause between frames.")},
        {QStringLiteral("split"),
         QStringLiteral("Send each frame in pieces of N bytes, 5 ms apart."), QStringLiteral("N")},
        {QStringLiteral("garbage"),
         QStringLiteral("Send N random bytes before each frame, a pause apart from it (with "
                        "--back-to-back, right before it)."),
         QStringLiteral("N")},
        {QStringLiteral("noise-every"),
         QStringLiteral("Insert one noise byte into every K-th frame, so that its first 32 "
                        "bytes still pass every frame check."),
         QStringLiteral("K")},
        {QStringLiteral("invalid-every"),
         QStringLiteral("After every K valid frames send an invalid one (bad marker, month 13, "
                        "gas code 21, 30 February in turn)."),
         QStringLiteral("K")},
        {QStringLiteral("repeat"),
         QStringLiteral("Answer every read command, not only the first.")},
        {QStringLiteral("exit-after-reads"),
         QStringLiteral("End once N read commands are answered and taken."), QStringLiteral("N")},
    };
    parser.addOptions(options);
    parser.process(app);

    LinkOptions link;
    int eventCount = -1;
    int seed = 1;
    if (!readCount(parser, QStringLiteral("gap"), 0, kMaxPauseMs, link.gapMs) ||
        !readCount(parser, QStringLiteral("split"), 1, kAlarmFrameBytes, link.splitBytes) ||
        !readCount(parser, QStringLiteral("garbage"), 0, kMaxGarbageBytes, link.garbageBytes) ||
        !readCount(parser, QStringLiteral("invalid-every"), 1, kMaxEvents, link.invalidEvery) ||
        !readCount(parser, QStringLiteral("noise-every"), 1, kMaxEvents, link.noiseEvery) ||
        !readCount(parser, QStringLiteral("exit-after-reads"), 1, kMaxEvents,
                   link.exitAfterReads) ||
        !readCount(parser, QStringLiteral("events"), 0, kMaxEvents, eventCount) ||
        !readCount(parser, QStringLiteral("seed"), 0, std::numeric_limits<int>::max(), seed))
        return kUsageExit;
    link.backToBack = parser.isSet(QStringLiteral("back-to-back"));
    link.repeat = parser.isSet(QStringLiteral("repeat"));
    link.seed = quint64(seed);

    std::vector<SimEvent> events;
    const QString logPath = parser.value(QStringLiteral("log"));
    if (!logPath.isEmpty() && eventCount >= 0) {
        complain(QStringLiteral("use either --log or --events"));
        return kUsageExit;
    }
    if (!logPath.isEmpty()) {
        QFile file(logPath);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            complain(QStringLiteral("cannot read %1").arg(logPath));
            return kUsageExit;
        }
        try {
            events = parseLog(QString::fromUtf8(file.readAll()));
        } catch (const std::runtime_error& e) {
            complain(QStringLiteral("%1: %2").arg(logPath, QString::fromStdString(e.what())));
            return kUsageExit;
        }
    } else if (eventCount >= 0) {
        events = generateEvents(eventCount, quint64(seed));
    }

    if (parser.isSet(QStringLiteral("print-log"))) {
        for (const SimEvent& event : events)
            say(formatLogLine(event));
        return 0;
    }

    try {
        PseudoTerminal pty;
        pty.holdSlave();
        const QString linkPath = parser.value(QStringLiteral("link"));
        if (!linkPath.isEmpty() && !makeLink(linkPath, pty.slavePath()))
            return kFailureExit;
        if (!installStopSignals()) {
            complain(QStringLiteral("cannot set up signal handling"));
            return kFailureExit;
        }
        say(pty.slavePath());
        Detector detector(pty, std::move(events), link, gStopPipe[0], say);
        detector.run();
        if (!linkPath.isEmpty())
            removeLink(linkPath, pty.slavePath());
    } catch (const std::runtime_error& e) {
        complain(QString::fromStdString(e.what()));
        return kFailureExit;
    }
    return 0;
}
