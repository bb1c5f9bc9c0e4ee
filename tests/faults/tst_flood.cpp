// Floods of bytes from the detector: every valid frame is stored once, memory stays bounded
// and the window keeps answering while the flood is handled.
#include "RecordingNotifier.h"
#include "Responsiveness.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "StoreProbe.h"
#include "UntMain.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kDownloadTimeoutMs = 300000;
constexpr int kSettleMs = 300;
// The longest the window may go without handling its events.
constexpr qint64 kLongestGapAllowedMs = 2000;
// Growth of resident memory allowed for a whole flood: the log itself is at most a few MiB.
constexpr qint64 kGrowthAllowedKiB = 32 * 1024;
// Under the sanitizers each flood is this many times smaller.
constexpr int kSanitizedScale = 5;

bool sanitized() {
    return qEnvironmentVariableIsSet("ZOR_SANITIZED");
}

} // namespace

class TestFlood : public QObject {
    Q_OBJECT
private slots:
    void everyValidFrameOfAFloodStoredOnce_data();
    void everyValidFrameOfAFloodStoredOnce();
};

void TestFlood::everyValidFrameOfAFloodStoredOnce_data() {
    QTest::addColumn<int>("events");
    QTest::addColumn<QStringList>("link");
    // About 1 MiB of random bytes with 2000 valid frames among them.
    QTest::newRow("random bytes with frames")
        << 2000 << QStringList{"--garbage", "512", "--back-to-back"};
    QTest::newRow("frames back to back") << 20000 << QStringList{"--back-to-back"};
}

void TestFlood::everyValidFrameOfAFloodStoredOnce() {
    QFETCH(int, events);
    QFETCH(QStringList, link);
    if (sanitized()) {
        events /= kSanitizedScale;
        qInfo("under the sanitizers: flood scaled down to %d events", events);
    }
    const QStringList arguments =
        QStringList{"--events", QString::number(events), "--seed", "45"} + link;
    const QStringList log = test::simulatorLog(arguments);
    QCOMPARE(log.size(), events);

    test::RecordingNotifier notifier;
    test::StoreFixture fixture;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    window.show();
    test::SimulatorProcess simulator;
    QVERIFY(simulator.start(arguments));
    window.cbxComPort->setEditText(simulator.devicePath());
    QTest::qWait(kSettleMs);

    const qint64 memoryBefore = test::residentKiB();
    test::TickMonitor ticks;
    ticks.start();
    QElapsedTimer took;
    took.start();
    window.BtnGetData->click();
    const bool complete = SimulatorProcess::waitFor(
        [&] { return window.ARGrid->totalRows() >= log.size() && !simulator.answers().isEmpty(); },
        kDownloadTimeoutMs);
    const qint64 durationMs = took.elapsed();
    QTest::qWait(kSettleMs);
    ticks.stop();
    const qint64 memoryAfter = test::residentKiB();

    const QString answer = simulator.answers().value(0);
    qInfo("%s: %d frames sent (%s), %lld stored in %lld ms (%.2f ms a frame); resident memory "
          "%lld KiB before, %lld KiB after; longest wait between %d ms ticks %lld ms (%d ticks)",
          QTest::currentDataTag(), events, qPrintable(answer), window.ARGrid->totalRows(),
          durationMs, double(durationMs) / std::max(1, events), memoryBefore, memoryAfter,
          test::TickMonitor::kTickMs, ticks.longestGapMs(), ticks.ticks());
    QVERIFY2(complete, qPrintable(simulator.lines().join(u'\n')));
    QVERIFY2(!answer.contains(QStringLiteral("stalled")), qPrintable(answer));

    // Every valid frame once, in the order sent; nothing said about the garbage.
    test::StoreProbe probe(fixture.path);
    QVERIFY2(probe.isOpen(), qPrintable(probe.openError()));
    QCOMPARE(probe.storedEvents(), log);
    QCOMPARE(window.ARGrid->totalRows(), qint64(log.size()));
    QCOMPARE(notifier.errors, QStringList());
    QCOMPARE(notifier.informations, QStringList());

    QVERIFY2(ticks.longestGapMs() <= kLongestGapAllowedMs,
             qPrintable(
                 QStringLiteral("the window did not answer for %1 ms").arg(ticks.longestGapMs())));
    QVERIFY(memoryBefore > 0 && memoryAfter > 0);
    // The sanitizers hold freed memory back for a while, so growth says little there.
    if (!sanitized())
        QVERIFY2(
            memoryAfter - memoryBefore <= kGrowthAllowedKiB,
            qPrintable(
                QStringLiteral("resident memory grew by %1 KiB").arg(memoryAfter - memoryBefore)));
}

QTEST_MAIN(TestFlood)
#include "tst_flood.moc"
