// The detector vanishes in the middle of a frame (its end of the link closes at once): the
// window says nothing, keeps every stored event, and the next download works normally.
#include "RecordingNotifier.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "StoreProbe.h"
#include "TComm.h"
#include "UntMain.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <sys/resource.h>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kRowsBeforeVanishing = 4;
constexpr int kDownloadTimeoutMs = 60000;
// The simulator sends a frame in pieces of five bytes 40 ms apart, 30 ms after the last
// frame: 100 ms after a frame was stored, the next one is about half-sent.
constexpr int kIntoNextFrameMs = 100;
constexpr int kAfterVanishingMs = 1000;
// A reader left spinning on the dead device would burn about the whole wait.
constexpr double kIdleCpuShare = 0.5;
constexpr int kSettleMs = 300;
const QString kPortFailedText =
    QStringLiteral("Can't initialize serial port. Please check your setting.");

// Processor time this process has used, user and system, in seconds.
double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

class TestVanishingDevice : public QObject {
    Q_OBJECT
private slots:
    void deviceVanishingMidFrameLosesNothing();
};

void TestVanishingDevice::deviceVanishingMidFrameLosesNothing() {
    const QStringList common = {"--events", "60", "--seed", "33"};
    const QStringList log = test::simulatorLog(common);
    QCOMPARE(log.size(), 60);

    test::RecordingNotifier notifier;
    test::StoreFixture fixture;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    test::StoreProbe probe(fixture.path);
    QVERIFY2(probe.isOpen(), qPrintable(probe.openError()));

    auto simulator = std::make_unique<test::SimulatorProcess>();
    QVERIFY(simulator->start(common + QStringList{"--split", "5"}));
    window.cbxComPort->setEditText(simulator->devicePath());
    window.BtnGetData->click();
    QVERIFY(SimulatorProcess::waitFor(
        [&] { return window.ARGrid->totalRows() >= kRowsBeforeVanishing; }, kDownloadTimeoutMs));

    // Kill it half-way through the frame that follows a stored one.
    const qint64 seen = window.ARGrid->totalRows();
    QVERIFY(SimulatorProcess::waitFor([&] { return window.ARGrid->totalRows() > seen; },
                                      kDownloadTimeoutMs));
    QTest::qWait(kIntoNextFrameMs);
    simulator->kill();
    const qint64 rowsBefore = probe.rowCount();
    QVERIFY2(rowsBefore < log.size(), "the download ended before the device vanished");

    const double cpuBefore = cpuSeconds();
    QTest::qWait(kAfterVanishingMs);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    qInfo("device vanished with %lld of %lld events stored; %.2f s of processor time in the "
          "%d ms after",
          rowsBefore, qint64(log.size()), cpuUsed, kAfterVanishingMs);

    // Nothing said, nothing lost, the half frame not stored.
    QCOMPARE(notifier.informations, QStringList());
    QCOMPARE(notifier.errors, QStringList());
    QCOMPARE(probe.rowCount(), rowsBefore);
    QCOMPARE(window.ARGrid->totalRows(), rowsBefore);
    QCOMPARE(probe.integrity(), QStringLiteral("ok"));
    const QStringList stored = probe.storedEvents();
    QCOMPARE(stored, log.mid(0, stored.size()));
    QVERIFY2(cpuUsed < kIdleCpuShare * kAfterVanishingMs / 1000.0,
             "the program keeps working on the vanished device");

    // The next press finds the device gone, or reopens the port.
    window.BtnGetData->click();
    qInfo("the next press %s", window.Comm->isOpen() ? "reopened the port" : "found no device");
    if (window.Comm->isOpen())
        QCOMPARE(notifier.informations, QStringList());
    else
        QCOMPARE(notifier.informations, QStringList{kPortFailedText});
    QCOMPARE(notifier.errors, QStringList());
    const QStringList informationsSoFar = notifier.informations;

    // A detector plugged in again answers a download normally.
    simulator = std::make_unique<test::SimulatorProcess>();
    QVERIFY(simulator->start(common + QStringList{"--gap", "5"}));
    window.cbxComPort->setEditText(simulator->devicePath());
    window.BtnGetData->click();
    QVERIFY2(SimulatorProcess::waitFor(
                 [&] {
                     return window.ARGrid->totalRows() >= log.size() &&
                            !simulator->answers().isEmpty();
                 },
                 kDownloadTimeoutMs),
             qPrintable(simulator->lines().join(u'\n')));
    QTest::qWait(kSettleMs);
    QCOMPARE(notifier.informations, informationsSoFar);
    QCOMPARE(notifier.errors, QStringList());
    QCOMPARE(window.ARGrid->totalRows(), qint64(log.size()));
    const QStringList after = probe.storedEvents();
    QCOMPARE(test::duplicateEvents(after), QStringList());
    QCOMPARE(test::sortedEvents(after), test::sortedEvents(log));
    QCOMPARE(probe.integrity(), QStringLiteral("ok"));
}

QTEST_MAIN(TestVanishingDevice)
#include "tst_vanishing_device.moc"
