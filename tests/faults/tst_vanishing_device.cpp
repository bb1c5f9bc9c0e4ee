// The detector vanishes in the middle of a frame (its end of the link closes at once): the
// download ends as interrupted without a message box, every stored event is kept, and the
// next download works normally.
#include "RecordingNotifier.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "StoreProbe.h"
#include "TComm.h"
#include "UntMain.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kRowsBeforeVanishing = 4;
constexpr int kDownloadTimeoutMs = 60000;
// The simulator sends a frame in pieces of five bytes 5 ms apart, 30 ms after the last
// frame: 100 ms after a frame was stored, a later one is being sent.
constexpr int kIntoNextFrameMs = 100;
const QString kPortFailedText =
    QStringLiteral("Can't initialize serial port. Please check your setting.");

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

    QSignalSpy ended(window.session(), &DownloadSession::ended);
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
    // The lost port ends the download at once.
    QVERIFY(SimulatorProcess::waitFor([&] { return ended.size() == 1; }, kDownloadTimeoutMs));
    QCOMPARE(ended.at(0).at(0).value<DownloadOutcome>(), DownloadOutcome::Interrupted);
    const qint64 rowsBefore = probe.rowCount();
    QVERIFY2(rowsBefore < log.size(), "the download ended before the device vanished");
    qInfo("device vanished with %lld of %lld events stored", rowsBefore, qint64(log.size()));
    QVERIFY2(window.lblStatus->text().startsWith("Interrupted"),
             qPrintable(window.lblStatus->text()));
    QCOMPARE(ended.at(0).at(1).value<DownloadCounts>().stored, int(rowsBefore));

    // No box, nothing lost, the half frame not stored.
    QCOMPARE(notifier.informations, QStringList());
    QCOMPARE(notifier.errors, QStringList());
    QCOMPARE(probe.rowCount(), rowsBefore);
    QCOMPARE(window.ARGrid->totalRows(), rowsBefore);
    QCOMPARE(probe.integrity(), QStringLiteral("ok"));
    const QStringList stored = probe.storedEvents();
    QCOMPARE(stored, log.mid(0, stored.size()));

    // The next press finds the device gone, or reopens the port.
    window.BtnGetData->click();
    qInfo("the next press %s", window.Comm->isOpen() ? "reopened the port" : "found no device");
    if (window.Comm->isOpen())
        QCOMPARE(notifier.informations, QStringList());
    else
        QVERIFY2(notifier.informations.size() == 1 &&
                     notifier.informations[0].startsWith(kPortFailedText + u'\n'),
                 qPrintable(notifier.informations.join(u'\n')));
    QCOMPARE(notifier.errors, QStringList());
    const QStringList informationsSoFar = notifier.informations;

    // A detector plugged in again answers a download normally.
    simulator = std::make_unique<test::SimulatorProcess>();
    QVERIFY(simulator->start(common + QStringList{"--gap", "5"}));
    window.cbxComPort->setEditText(simulator->devicePath());
    window.BtnGetData->click();
    QVERIFY2(SimulatorProcess::waitFor([&] { return !window.session()->isRunning(); },
                                       kDownloadTimeoutMs),
             qPrintable(simulator->lines().join(u'\n')));
    QCOMPARE(window.session()->outcome(), DownloadOutcome::Finished);
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
