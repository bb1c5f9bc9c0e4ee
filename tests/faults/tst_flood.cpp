// Floods of bytes from the detector: every intact frame is stored once, nothing else is, and
// the download ends by itself. How fast and how responsive is measured by zor-bench.
#include "RecordingNotifier.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "StoreProbe.h"
#include "UntMain.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kDownloadTimeoutMs = 300000;
// Under the sanitizers each flood is this many times smaller.
constexpr int kSanitizedScale = 5;

bool sanitized() {
    return qEnvironmentVariableIsSet("ZOR_SANITIZED");
}

} // namespace

class TestFlood : public QObject {
    Q_OBJECT
private slots:
    void floodStoresIntactFramesOnly_data();
    void floodStoresIntactFramesOnly();
};

void TestFlood::floodStoresIntactFramesOnly_data() {
    QTest::addColumn<int>("events");
    QTest::addColumn<QStringList>("link");
    QTest::addColumn<bool>("allIntact");
    // 150 KiB of random bytes, each burst of noise apart from the frames around it.
    QTest::newRow("random bytes apart from the frames")
        << 300 << QStringList{"--garbage", "512", "--gap", "40"} << true;
    // About 1 MiB of random bytes running straight into the frames: none can be shown intact.
    QTest::newRow("random bytes running into the frames")
        << 2000 << QStringList{"--garbage", "512", "--back-to-back"} << false;
    QTest::newRow("frames back to back") << 20000 << QStringList{"--back-to-back"} << true;
}

void TestFlood::floodStoresIntactFramesOnly() {
    QFETCH(int, events);
    QFETCH(QStringList, link);
    QFETCH(bool, allIntact);
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

    window.BtnGetData->click();
    QVERIFY(window.session()->isRunning());
    const bool ended = SimulatorProcess::waitFor([&] { return !window.session()->isRunning(); },
                                                 kDownloadTimeoutMs);
    const QString answer = simulator.answers().value(0);
    const DownloadCounts counts = window.session()->counts();
    qInfo("%s: %d frames sent (%s); %d stored, %d rejected", QTest::currentDataTag(), events,
          qPrintable(answer), counts.stored, counts.rejected);
    QVERIFY2(ended, qPrintable(simulator.lines().join(u'\n')));
    QCOMPARE(window.session()->outcome(), DownloadOutcome::Finished);
    QVERIFY2(!answer.contains(QStringLiteral("stalled")), qPrintable(answer));

    test::StoreProbe probe(fixture.path);
    QVERIFY2(probe.isOpen(), qPrintable(probe.openError()));
    const QStringList stored = probe.storedEvents();
    QCOMPARE(window.ARGrid->totalRows(), qint64(stored.size()));
    QCOMPARE(counts.stored, int(stored.size()));
    if (allIntact) {
        // Every frame once, in the order sent.
        QCOMPARE(stored, log);
        QCOMPARE(counts.rejected, 0);
    } else {
        // Only events of the log, each once and in the order sent; the rest refused.
        QCOMPARE(test::duplicateEvents(stored), QStringList());
        qsizetype next = 0;
        for (const QString& event : stored) {
            next = log.indexOf(event, next);
            QVERIFY2(next >= 0, qPrintable("not sent intact: " + event));
        }
        QVERIFY(counts.rejected > 0);
    }
    QCOMPARE(notifier.errors, QStringList());
    QCOMPARE(notifier.informations, QStringList());
}

QTEST_MAIN(TestFlood)
#include "tst_flood.moc"
