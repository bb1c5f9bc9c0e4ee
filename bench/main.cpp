// Measures what the operator waits for: the handling of each received frame at several
// store sizes, start-up on a large store, and peak memory.
#include "AlarmStore.h"
#include "Database.h"
#include "FrameAssembler.h"
#include "FrameFactory.h"
#include "Listing.h"
#include "ListingModel.h"
#include "Notifier.h"
#include "PeakChart.h"
#include "SqlSupport.h"
#include "Stats.h"
#include "StoreFiller.h"
#include "UntMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

using namespace zor;
using namespace zor::bench;

namespace {

constexpr double kNsPerMs = 1e6;

// Stages of one frame's handling, in milliseconds.
struct FrameTimes {
    std::vector<double> decode, store, refresh, total;
};

struct Row {
    int storedRows;
    QString kind;
    FrameTimes times;
};

class SilentNotifier : public Notifier {
public:
    void information(QWidget*, const QString& text) override { lastText = text; }
    void error(QWidget*, const QString& text) override { lastText = text; }
    QString lastText;
};

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / kNsPerMs;
}

// The whole path through the window: chunk in, frame stored, grid and chart shown anew.
std::vector<double> handleInWindow(const std::vector<QByteArray>& frames, TFrmMain& window) {
    std::vector<double> times;
    for (const QByteArray& chunk : frames) {
        QElapsedTimer whole;
        whole.start();
        window.CommReceiveData(chunk);
        while (window.hasPendingFrames())
            QApplication::processEvents();
        times.push_back(msSince(whole));
    }
    return times;
}

// Handles frames as the window does: assemble, decode, check and append, refresh.
FrameTimes handleFrames(const std::vector<QByteArray>& frames, AlarmStore& store,
                        ListingModel& model, PeakChart& chart) {
    FrameAssembler assembler;
    FrameTimes times;
    for (const QByteArray& chunk : frames) {
        QElapsedTimer whole;
        whole.start();
        QElapsedTimer stage;
        stage.start();
        std::vector<AlarmRecord> records;
        for (const QByteArray& frame : assembler.append(chunk))
            records.push_back(*Decode(frame));
        times.decode.push_back(msSince(stage));
        stage.restart();
        for (const AlarmRecord& r : records)
            store.import(r);
        times.store.push_back(msSince(stage));
        stage.restart();
        model.reload({});
        chart.rebuild(model);
        times.refresh.push_back(msSince(stage));
        times.total.push_back(msSince(whole));
    }
    return times;
}

// Peak resident memory; not measured where the system has no getrusage.
long peakMemoryKiB() {
#ifdef Q_OS_UNIX
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#else
    return 0;
#endif
}

QString cell(double ms) {
    return QString::number(ms, 'f', 3);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Measures per-frame handling, start-up and memory.");
    parser.addHelpOption();
    QCommandLineOption framesOption("frames", "Frames per measurement (default 500).", "N", "500");
    QCommandLineOption sizesOption("sizes", "Stored rows before each measurement.", "LIST",
                                   "0,10000,100000,1000000");
    QCommandLineOption dirOption("dir", "Folder for the stores (default: a temporary one).", "DIR");
    parser.addOptions({framesOption, sizesOption, dirOption});
    parser.process(app);

    const int frameCount = parser.value(framesOption).toInt();
    QList<int> sizes;
    for (const QString& s : parser.value(sizesOption).split(',', Qt::SkipEmptyParts))
        sizes << s.toInt();
    QTemporaryDir temporary;
    const QString folder = parser.isSet(dirOption) ? parser.value(dirOption) : temporary.path();
    QTextStream out(stdout);

    std::vector<Row> rows;
    std::vector<double> flushMs;
    std::vector<Summary> windowNew, windowDuplicate;
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
        {
            Database db(path);
            Listing listing(db.connection());
            AlarmStore store(db);
            ListingModel model(listing, QLocale());
            PeakChart chart;
            const std::vector<QByteArray> fresh = distinctFrames(frameCount, size + 1);
            rows.push_back({size, "new", handleFrames(fresh, store, model, chart)});
            rows.push_back({size, "duplicate", handleFrames(fresh, store, model, chart)});

            // The same appends without flushing: the difference is the disk's share.
            executeDirect(db.connection(), "PRAGMA synchronous = OFF");
            const FrameTimes unflushed = handleFrames(
                distinctFrames(frameCount, size + 1 + frameCount), store, model, chart);
            const double flush = summarise(rows[rows.size() - 2].times.store).median -
                                 summarise(unflushed.store).median;
            flushMs.push_back(flush);
        }
        {
            SilentNotifier notifier;
            TFrmMain window(notifier, path);
            if (!window.FormCreate())
                return 1;
            window.show();
            const std::vector<QByteArray> fresh =
                distinctFrames(frameCount, size + 1 + 2 * frameCount);
            windowNew.push_back(summarise(handleInWindow(fresh, window)));
            windowDuplicate.push_back(summarise(handleInWindow(fresh, window)));
        }
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

    out << "\nPer-frame handling, ms (median / p95 over " << frameCount << " frames)\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg("stored rows", 12)
               .arg("frames", 10)
               .arg("decode", 16)
               .arg("check+append", 16)
               .arg("refresh", 16)
               .arg("total", 16);
    for (const Row& r : rows) {
        const auto pair = [](const std::vector<double>& v) {
            const Summary s = summarise(v);
            return cell(s.median) + " / " + cell(s.p95);
        };
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(r.storedRows, 12)
                   .arg(r.kind, 10)
                   .arg(pair(r.times.decode), 16)
                   .arg(pair(r.times.store), 16)
                   .arg(pair(r.times.refresh), 16)
                   .arg(pair(r.times.total), 16);
    }
    out << "\nWhole path through the window (chunk in, row stored, grid and chart redrawn), ms"
           " median / p95:\n";
    for (size_t i = 0; i < windowNew.size(); ++i)
        out << QStringLiteral("%1 rows: new %2 / %3, duplicate %4 / %5\n")
                   .arg(sizes[int(i)], 9)
                   .arg(cell(windowNew[i].median), cell(windowNew[i].p95),
                        cell(windowDuplicate[i].median), cell(windowDuplicate[i].p95));
    out << "\nDisk flush per durable append (median, ms):";
    for (size_t i = 0; i < flushMs.size(); ++i)
        out << ' ' << sizes[int(i)] << " rows " << cell(flushMs[i]) << ';';
    out << "\nStart-up to a listed window with " << startUpRows << " rows: " << cell(startUpMs)
        << " ms\n";
    out << "Peak memory: " << peakMemoryKiB() / 1024 << " MiB\n";
    return 0;
}
