// A download from the simulated detector over a pseudo-terminal into the window and its store.
#include "RecordingNotifier.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "StoreProbe.h"
#include "TComm.h"
#include "UntMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kDownloadTimeoutMs = 60000;

// Stored events in the simulator's log form, oldest row first.
QStringList storedEvents(const QString& storePath) {
    return test::StoreProbe(storePath).storedEvents();
}

// An error box whose own event loop runs for a while, as a real one does while open; it
// notes how many events were stored behind it.
class ModalNotifier : public test::RecordingNotifier {
public:
    void error(QWidget* parent, const QString& text) override {
        RecordingNotifier::error(parent, text);
        const qint64 before = rows ? rows() : 0;
        QEventLoop loop;
        QTimer::singleShot(150, &loop, &QEventLoop::quit);
        loop.exec();
        storedBehindBoxes += (rows ? rows() : 0) - before;
    }
    std::function<qint64()> rows;
    qint64 storedBehindBoxes = 0;
};

// The window on a fresh store, talking to a simulator.
struct Bench {
    explicit Bench(test::RecordingNotifier& notifier) : window(notifier, fixture.path) {}

    bool start(const QStringList& simulatorArguments) {
        if (!simulator.start(simulatorArguments) || !window.FormCreate())
            return false;
        window.cbxComPort->setEditText(simulator.devicePath());
        return true;
    }

    // Downloads until the session ends; true when it finished.
    bool download() {
        window.BtnGetData->click();
        return SimulatorProcess::waitFor([&] { return !window.session()->isRunning(); },
                                         kDownloadTimeoutMs) &&
               window.session()->outcome() == DownloadOutcome::Finished;
    }

    test::StoreFixture fixture;
    TFrmMain window;
    SimulatorProcess simulator;
};

} // namespace

class TestDownload : public QObject {
    Q_OBJECT
private slots:
    void everyEventStoredOnce_data();
    void everyEventStoredOnce();
    void framesArrivingDuringAnErrorBoxAreHandledBehindIt();
    void setMachineTimeSendsTheClock();
    void missingPortShowsTheMessageOncePerPress();
};

void TestDownload::everyEventStoredOnce_data() {
    QTest::addColumn<QStringList>("link");
    QTest::addColumn<int>("invalidDates");
    QTest::newRow("frames with pauses") << QStringList{"--events", "40"} << 0;
    QTest::newRow("back to back") << QStringList{"--events", "200", "--back-to-back"} << 0;
    QTest::newRow("split frames") << QStringList{"--events", "25", "--split", "7"} << 0;
    QTest::newRow("garbage between frames")
        << QStringList{"--events", "30", "--garbage", "9", "--gap", "40"} << 0;
    QTest::newRow("invalid frames among them")
        << QStringList{"--events", "48", "--invalid-every", "3", "--gap", "40"} << 4;
}

void TestDownload::everyEventStoredOnce() {
    QFETCH(QStringList, link);
    QFETCH(int, invalidDates);
    const QStringList arguments = link + QStringList{"--seed", "7", "--repeat"};
    const QStringList expected = test::simulatorLog(arguments);
    QVERIFY(!expected.isEmpty());

    test::RecordingNotifier notifier;
    Bench bench(notifier);
    QVERIFY(bench.start(arguments));
    QVERIFY2(bench.download(), qPrintable(bench.simulator.lines().join('\n')));
    QCOMPARE(storedEvents(bench.fixture.path), expected);
    QCOMPARE(bench.window.ARGrid->totalRows(), qint64(expected.size()));
    // Only the calendar-invalid dates speak up; every other malformed frame is dropped quietly.
    QCOMPARE(notifier.errors.size(), invalidDates);
    for (const QString& error : notifier.errors)
        QVERIFY2(error.endsWith("is not a valid date and time."), qPrintable(error));
    QVERIFY(notifier.informations.isEmpty());

    // The same download again adds nothing.
    bench.window.cbxGas->setCurrentText("CO");
    bench.window.ChkDate->setChecked(true);
    QVERIFY(bench.download());
    QCOMPARE(storedEvents(bench.fixture.path), expected);
    QCOMPARE(bench.window.session()->counts().duplicates, int(expected.size()));
    // The filters were reset by the frames.
    QCOMPARE(bench.window.cbxGas->currentIndex(), 0);
    QVERIFY(!bench.window.ChkDate->isChecked());
    QVERIFY(!bench.window.cxDpkStartDate->isEnabled());
    QCOMPARE(bench.window.ARGrid->totalRows(), qint64(expected.size()));
    QCOMPARE(bench.window.ARGrid->filter(), ListingFilter{});
}

void TestDownload::framesArrivingDuringAnErrorBoxAreHandledBehindIt() {
    const QStringList arguments = {"--events", "30", "--invalid-every", "1",
                                   "--gap",    "40", "--seed",          "3"};
    const QStringList expected = test::simulatorLog(arguments);
    ModalNotifier notifier;
    Bench bench(notifier);
    notifier.rows = [&] { return bench.window.ARGrid->totalRows(); };
    QVERIFY(bench.start(arguments));
    QVERIFY(bench.download());
    QCoreApplication::processEvents();
    // Every valid frame once, in the order the detector sent them; one box per frame with a
    // date not in the calendar (every fourth invalid one), and frames stored while they showed.
    QCOMPARE(storedEvents(bench.fixture.path), expected);
    QCOMPARE(notifier.errors.size(), 30 / 4);
    QVERIFY2(notifier.storedBehindBoxes > 0, "no frame was handled while a box was open");
    QCOMPARE(bench.window.session()->counts().rejected, 30);
}

void TestDownload::setMachineTimeSendsTheClock() {
    test::RecordingNotifier notifier;
    Bench bench(notifier);
    QVERIFY(bench.start({"--events", "1"}));
    const QDateTime before = QDateTime::currentDateTime();
    bench.window.BtnSetTime->click();
    QVERIFY(bench.simulator.waitForLineStartingWith("set-clock", 10000));
    const QString line = bench.simulator.lines().filter("set-clock").value(0);
    // "set-clock yyyy-MM-dd HH:mm:ss weekday N"
    const QDateTime sent = QDateTime::fromString(line.section(' ', 1, 2), "yyyy-MM-dd HH:mm:ss");
    QVERIFY2(sent.isValid(), qPrintable(line));
    QVERIFY2(qAbs(before.secsTo(sent)) <= 2, qPrintable(line));
    QCOMPARE(line.section(' ', 4, 4).toInt(), sent.date().dayOfWeek() % 7);
    QVERIFY(notifier.informations.isEmpty() && notifier.errors.isEmpty());
    // The clock command stores nothing and is no download; the status says what was sent.
    QCOMPARE(bench.window.ARGrid->totalRows(), 0);
    QVERIFY(!bench.window.session()->isRunning());
    QVERIFY2(bench.window.lblStatus->text().startsWith("Clock set to " +
                                                       sent.toString("yyyy-MM-dd HH:mm:ss")),
             qPrintable(bench.window.lblStatus->text()));
}

void TestDownload::missingPortShowsTheMessageOncePerPress() {
    test::RecordingNotifier notifier;
    test::StoreFixture fixture;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    const QString missing = fixture.dir.filePath("no-such-port");
    window.cbxComPort->setEditText(missing);
    window.BtnGetData->click();
    window.BtnSetTime->click();
    // The fixed first line, then the cause.
    QCOMPARE(notifier.informations,
             QStringList(2, "Can't initialize serial port. Please check your setting.\n" + missing +
                                ": no such device"));
    QVERIFY(!window.Comm->isOpen());
    QVERIFY(notifier.errors.isEmpty());
}

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
