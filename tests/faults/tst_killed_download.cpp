// The program killed outright in the middle of a download: what it had stored stays sound
// and complete, and the next run downloads the rest, every event exactly once.
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "StoreProbe.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kDriverStartMs = 10000;
constexpr int kFirstRowsTimeoutMs = 30000;
constexpr int kFullDownloadTimeoutMs = 120000;

// The window as its own process (fault_download_driver) on a store and a port.
class DriverProcess {
public:
    ~DriverProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kDriverStartMs);
        }
    }

    bool start(const QString& storePath, const QString& port) {
        process_.setProgram(QStringLiteral(ZOR_FAULT_DRIVER));
        process_.setArguments({storePath, port});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        return process_.waitForStarted(kDriverStartMs) &&
               SimulatorProcess::waitFor(
                   [this] { return !lines().filter(QStringLiteral("downloading")).isEmpty(); },
                   kDriverStartMs);
    }

    QStringList lines() {
        output_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
        return output_.split(u'\n', Qt::SkipEmptyParts);
    }

    // Waits for the download to end; its "ended: ..." line, or nothing on time-out.
    QString waitForEnd(int timeoutMs) {
        SimulatorProcess::waitFor(
            [this] { return !lines().filter(QStringLiteral("ended: ")).isEmpty(); }, timeoutMs);
        return lines().filter(QStringLiteral("ended: ")).value(0);
    }

    // The message boxes the program would have shown.
    QStringList messages() {
        return lines().filter(QRegularExpression(QStringLiteral("^(information|error): ")));
    }

    bool isRunning() const { return process_.state() != QProcess::NotRunning; }

    void kill() {
        process_.kill();
        process_.waitForFinished(kDriverStartMs);
    }

    // Closes the window as the operator would; true when the process ended normally.
    bool quit() {
        process_.write("quit\n");
        process_.closeWriteChannel();
        return process_.waitForFinished(kDriverStartMs) &&
               process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }

private:
    QProcess process_;
    QString output_;
};

} // namespace

class TestKilledDownload : public QObject {
    Q_OBJECT
private slots:
    void killedMidDownloadLosesNothingStored_data();
    void killedMidDownloadLosesNothingStored();
};

void TestKilledDownload::killedMidDownloadLosesNothingStored_data() {
    QTest::addColumn<QStringList>("link");
    QTest::addColumn<int>("rowsBeforeKill");
    // Frames with small gaps, killed near the start and well into the log; frames back to
    // back, so that many wait in the program's queue when it dies.
    QTest::newRow("small gaps, early") << QStringList{"--gap", "5"} << 3;
    QTest::newRow("small gaps, midway") << QStringList{"--gap", "5"} << 150;
    QTest::newRow("back to back") << QStringList{"--back-to-back"} << 60;
}

void TestKilledDownload::killedMidDownloadLosesNothingStored() {
    QFETCH(QStringList, link);
    QFETCH(int, rowsBeforeKill);
    const QStringList arguments = QStringList{"--events", "400", "--seed", "21", "--repeat"} + link;
    const QStringList log = test::simulatorLog(arguments);
    QCOMPARE(log.size(), 400);

    test::StoreFixture fixture;
    test::SimulatorProcess simulator;
    QVERIFY(simulator.start(arguments));
    test::StoreProbe probe(fixture.path);
    QVERIFY2(probe.isOpen(), qPrintable(probe.openError()));

    // The first run dies with frames still arriving.
    {
        DriverProcess driver;
        QVERIFY(driver.start(fixture.path, simulator.devicePath()));
        QVERIFY2(SimulatorProcess::waitFor([&] { return probe.rowCount() >= rowsBeforeKill; },
                                           kFirstRowsTimeoutMs),
                 qPrintable(driver.lines().join(u'\n')));
        driver.kill();
        QVERIFY(!driver.isRunning());
        QVERIFY2(driver.messages().isEmpty(), qPrintable(driver.messages().join(u'\n')));
    }
    const qint64 rowsAtKill = probe.rowCount();
    qInfo("killed with %lld of %lld events stored", rowsAtKill, qint64(log.size()));
    QVERIFY2(rowsAtKill < log.size(), "the download ended before the kill");

    QCOMPARE(probe.integrity(), QStringLiteral("ok"));
    QCOMPARE(probe.countDisagreement(), QString());
    // Frames are stored in the order they came, so what is stored is the log's beginning.
    const QStringList stored = probe.storedEvents();
    QCOMPARE(stored, log.mid(0, stored.size()));
    // The history row still says running, and counts exactly what was stored.
    QCOMPARE(probe.scalar("SELECT outcome || ' ' || stored FROM DOWNLOAD").toString(),
             QStringLiteral("running %1").arg(rowsAtKill));

    // The next run downloads everything again and keeps each event once.
    {
        DriverProcess driver;
        const qsizetype answersBefore = simulator.answers().size();
        QVERIFY(driver.start(fixture.path, simulator.devicePath()));
        const QString end = driver.waitForEnd(kFullDownloadTimeoutMs);
        QVERIFY2(end == QStringLiteral("ended: finished %1 new").arg(log.size() - rowsAtKill),
                 qPrintable(simulator.lines().join(u'\n') + u'\n' + driver.lines().join(u'\n')));
        QVERIFY(simulator.answers().size() > answersBefore);
        QVERIFY2(driver.messages().isEmpty(), qPrintable(driver.messages().join(u'\n')));
        QVERIFY(driver.quit());
    }
    // The killed download is marked interrupted at the next start-up.
    QCOMPARE(
        probe.scalar("SELECT group_concat(outcome || ' ' || stored, ', ') FROM DOWNLOAD")
            .toString(),
        QStringLiteral("interrupted %1, finished %2").arg(rowsAtKill).arg(log.size() - rowsAtKill));
    QCOMPARE(probe.integrity(), QStringLiteral("ok"));
    QCOMPARE(probe.countDisagreement(), QString());
    const QStringList after = probe.storedEvents();
    QCOMPARE(test::duplicateEvents(after), QStringList());
    QCOMPARE(test::sortedEvents(after), test::sortedEvents(log));
}

QTEST_GUILESS_MAIN(TestKilledDownload)
#include "tst_killed_download.moc"
