// Measures what the operator waits for: each received frame through the download session and
// through the whole window at several store sizes, a download paced at the wire rate, a
// flood, start-up on a large store, and peak memory.
#include "AlarmStore.h"
#include "Database.h"
#include "DownloadHistory.h"
#include "DownloadSession.h"
#include "FrameFactory.h"
#include "Notifier.h"
#include "PacedDetector.h"
#include "PseudoTerminal.h"
#include "SqlSupport.h"
#include "Stats.h"
#include "StoreFiller.h"
#include "TickMonitor.h"
#include "UntMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <stdexcept>
#include <sys/resource.h>
#include <utility>

using namespace zor;
using namespace zor::bench;

namespace {

constexpr double kNsPerMs = 1e6;
constexpr int kPacedTimeoutMs = 600000;

class SilentNotifier : public Notifier {
public:
    void information(QWidget*, const QString& text) override { lastText = text; }
    void error(QWidget*, const QString& text) override { lastText = text; }
    QString lastText;
};

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / kNsPerMs;
}

// One frame at a time as the link hands it over, each until the session is idle again:
// assembling, decoding, the duplicate check and append, and whatever its signals drive.
// A fresh download on the port takes them.
std::vector<double> perFrame(DownloadSession& session, const QString& port,
                             const std::vector<QByteArray>& frames) {
    session.start(port);
    std::vector<double> times;
    times.reserve(frames.size());
    for (const QByteArray& frame : frames) {
        QElapsedTimer whole;
        whole.start();
        session.receive(frame, true);
        while (session.hasPendingFrames())
            QApplication::processEvents();
        QApplication::processEvents();
        times.push_back(msSince(whole));
    }
    if (!session.isRunning())
        throw std::runtime_error("the download ended while it was measured");
    return times;
}

QString cell(double ms) {
    return QString::number(ms, 'f', 3);
}

QString pair(const Summary& s) {
    return cell(s.median) + " / " + cell(s.p95);
}

struct SizeFigures {
    int rows = 0;
    Summary sessionNew, sessionDuplicate, windowNew, windowDuplicate;
    double flushMs = 0;
};

// The session alone over a real port, on a store of the given size.
void measureSession(const QString& path, int size, int frameCount, SizeFigures& figures) {
    Database db(path);
    AlarmStore store(db);
    DownloadHistory history(db.connection());
    DownloadSession session(store, history);
    sim::PseudoTerminal pty;
    pty.holdSlave();
    const std::vector<QByteArray> fresh = distinctFrames(frameCount, size + 1);
    figures.sessionNew = summarise(perFrame(session, pty.slavePath(), fresh));
    figures.sessionDuplicate = summarise(perFrame(session, pty.slavePath(), fresh));
    // The same appends without flushing: the difference is the disk's share.
    executeDirect(db.connection(), "PRAGMA synchronous = OFF");
    const Summary unflushed = summarise(
        perFrame(session, pty.slavePath(), distinctFrames(frameCount, size + 1 + frameCount)));
    figures.flushMs = figures.sessionNew.median - unflushed.median;
    session.close();
}

// The whole path through the window: frame in, row stored, grid and chart shown anew.
bool measureWindow(const QString& path, int size, int frameCount, SizeFigures& figures) {
    SilentNotifier notifier;
    TFrmMain window(notifier, path);
    if (!window.FormCreate())
        return false;
    window.show();
    QApplication::processEvents();
    sim::PseudoTerminal pty;
    pty.holdSlave();
    const std::vector<QByteArray> fresh = distinctFrames(frameCount, size + 1 + 2 * frameCount);
    figures.windowNew = summarise(perFrame(*window.session(), pty.slavePath(), fresh));
    figures.windowDuplicate = summarise(perFrame(*window.session(), pty.slavePath(), fresh));
    return true;
}

// A download into the window, from the read command to the last frame stored: paced at
// 9600 baud, against the time the frames take on the wire; or as a flood, in frames a second.
// Both with the longest time the window went without handling its events.
bool measureDownload(const QString& path, int frameCount, bool paced, QTextStream& out) {
    SilentNotifier notifier;
    TFrmMain window(notifier, path);
    if (!window.FormCreate())
        return false;
    window.show();
    PacedDetector detector(distinctFrames(frameCount, 0), paced);
    int stored = 0;
    PacedDetector::Clock::time_point lastStored;
    QObject::connect(window.session(), &DownloadSession::frameStored, [&] {
        ++stored;
        lastStored = PacedDetector::Clock::now();
    });
    TickMonitor ticks;
    ticks.start();
    window.session()->start(detector.devicePath());
    QElapsedTimer limit;
    limit.start();
    while (stored < frameCount && limit.elapsed() < kPacedTimeoutMs)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ticks.stop();
    const QString kind = paced ? QStringLiteral("Paced download") : QStringLiteral("Flood");
    if (stored < frameCount || !detector.answering()) {
        out << kind << ": only " << stored << " of " << frameCount << " frames stored\n";
        return false;
    }
    using ms = std::chrono::duration<double, std::milli>;
    const double took = ms(lastStored - detector.commandSeen()).count();
    const double wire = ms(detector.wireTime()).count();
    out << '\n'
        << kind << " of " << frameCount << " frames: read command to last frame stored "
        << cell(took) << " ms";
    if (paced)
        out << " (wire time at 9600 baud " << cell(wire) << " ms), ratio "
            << QString::number(took / wire, 'f', 4);
    else
        out << ", " << QString::number(frameCount / took * 1000.0, 'f', 0) << " frames/s";
    out << "; longest wait between " << TickMonitor::kTickMs << " ms ticks " << ticks.longestGapMs()
        << " ms\n";
    return true;
}

// Peak resident memory of the process.
long peakMemoryKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Measures per-frame handling through the download session and the window, a paced "
        "download, start-up and memory.");
    parser.addHelpOption();
    QCommandLineOption framesOption("frames", "Frames per measurement (default 500).", "N", "500");
    QCommandLineOption sizesOption("sizes", "Stored rows before each measurement.", "LIST",
                                   "0,10000,100000,1000000");
    QCommandLineOption pacedOption("paced", "Frames of the paced download (0: none).", "N", "1000");
    QCommandLineOption floodOption("flood", "Frames of the flood sent at once (0: none).", "N",
                                   "20000");
    QCommandLineOption dirOption("dir", "Folder for the stores (default: a temporary one).", "DIR");
    parser.addOptions({framesOption, sizesOption, pacedOption, floodOption, dirOption});
    parser.process(app);

    const int frameCount = parser.value(framesOption).toInt();
    QList<int> sizes;
    for (const QString& s : parser.value(sizesOption).split(',', Qt::SkipEmptyParts))
        sizes << s.toInt();
    QTemporaryDir temporary;
    const QString folder = parser.isSet(dirOption) ? parser.value(dirOption) : temporary.path();
    QTextStream out(stdout);

    std::vector<SizeFigures> figures;
    double startUpMs = -1;
    int startUpRows = 0;
    for (int size : sizes) {
        const QString path = QStringLiteral("%1/bench-%2.DLL").arg(folder).arg(size);
        QFile::remove(path);
        QElapsedTimer fill;
        fill.start();
        createFilledStore(path, size);
        out << "filled " << size << " rows in " << cell(msSince(fill)) << " ms\n";
        out.flush();
        SizeFigures f;
        f.rows = size;
        measureSession(path, size, frameCount, f);
        if (!measureWindow(path, size, frameCount, f)) {
            out << "the window could not open " << path << '\n';
            return 1;
        }
        figures.push_back(f);
        if (size >= startUpRows) {
            // Start-up to a listed, shown window.
            SilentNotifier notifier;
            QElapsedTimer start;
            start.start();
            TFrmMain window(notifier, path);
            if (!window.FormCreate()) {
                out << "start-up failed: " << notifier.lastText << '\n';
                return 1;
            }
            window.show();
            QApplication::processEvents();
            startUpMs = msSince(start);
            startUpRows = size;
        }
    }

    out << "\nPer frame, ms median / p95 over " << frameCount << " frames\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg("stored rows", 12)
               .arg("session new", 18)
               .arg("session duplicate", 18)
               .arg("window new", 18)
               .arg("window duplicate", 18);
    for (const SizeFigures& f : figures)
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(f.rows, 12)
                   .arg(pair(f.sessionNew), 18)
                   .arg(pair(f.sessionDuplicate), 18)
                   .arg(pair(f.windowNew), 18)
                   .arg(pair(f.windowDuplicate), 18);
    out << "\nDisk flush per durable append (median, ms):";
    for (const SizeFigures& f : figures)
        out << ' ' << f.rows << " rows " << cell(f.flushMs) << ';';
    out << "\nStart-up to a listed window with " << startUpRows << " rows: " << cell(startUpMs)
        << " ms\n";
    out.flush();

    const int paced = parser.value(pacedOption).toInt();
    const int flood = parser.value(floodOption).toInt();
    for (const auto& [count, isPaced] : {std::pair{paced, true}, std::pair{flood, false}}) {
        if (count <= 0)
            continue;
        const QString path = folder + (isPaced ? "/bench-paced.DLL" : "/bench-flood.DLL");
        QFile::remove(path);
        createFilledStore(path, 0);
        if (!measureDownload(path, count, isPaced, out))
            return 1;
        out.flush();
    }
    out << "Peak memory: " << peakMemoryKiB() / 1024 << " MiB\n";
    return 0;
}
