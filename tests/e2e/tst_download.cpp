// A download from the simulated detector over a pseudo-terminal into the window and its store.
#include "RecordingNotifier.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "TComm.h"
#include "UntMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEventLoop>
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
    Database db(storePath);
    QSqlQuery query(db.connection());
    query.exec("SELECT Gas, Unt, sTime, sValue, pTime, pValue, eTime, eValue FROM AR ORDER BY id");
    QStringList events;
    while (query.next()) {
        const bool whole = query.value(0).toString() == "CO";
        const auto raw = [&](int column) {
            const double value = query.value(column).toDouble();
            return QString::number(qRound(whole ? value : value * 10));
        };
        const auto time = [&](int column) {
            return query.value(column).toString().replace(' ', 'T');
        };
        events << QStringList{query.value(0).toString(),
                              query.value(1).toString(),
                              time(2),
                              raw(3),
                              time(4),
                              raw(5),
                              time(6),
                              raw(7)}
                      .join(' ');
    }
    return events;
}

// An error box whose own event loop runs for a while, as a real one does while open.
class ModalNotifier : public test::RecordingNotifier {
public:
    void error(QWidget* parent, const QString& text) override {
        RecordingNotifier::error(parent, text);
        QEventLoop loop;
        QTimer::singleShot(150, &loop, &QEventLoop::quit);
        loop.exec();
    }
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

    bool download(qint64 expectedRows) {
        window.BtnGetData->click();
        return SimulatorProcess::waitFor(
            [&] { return window.ARGrid->totalRows() >= expectedRows && simulatorAnswered(); },
            kDownloadTimeoutMs);
    }

    bool simulatorAnswered() { return simulator.answers().size() > reads; }

    test::StoreFixture fixture;
    TFrmMain window;
    SimulatorProcess simulator;
    int reads = 0;
};

} // namespace

class TestDownload : public QObject {
    Q_OBJECT
private slots:
    void everyEventStoredOnce_data();
    void everyEventStoredOnce();
    void framesArrivingDuringAnErrorBoxKeepTheirOrder();
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
        << QStringList{"--events", "60", "--garbage", "9", "--back-to-back"} << 0;
    QTest::newRow("invalid frames among them")
        << QStringList{"--events", "48", "--invalid-every", "3", "--gap", "25"} << 4;
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
    QVERIFY2(bench.download(expected.size()), qPrintable(bench.simulator.lines().join('\n')));
    // Let any late frame arrive before judging.
    QTest::qWait(300);
    QCOMPARE(storedEvents(bench.fixture.path), expected);
    QCOMPARE(bench.window.ARGrid->totalRows(), qint64(expected.size()));
    // Only the calendar-invalid dates speak up; every other malformed frame is dropped quietly.
    QCOMPARE(notifier.errors.size(), invalidDates);
    for (const QString& error : notifier.errors)
        QVERIFY2(error.endsWith("is not a valid date and time."), qPrintable(error));
    QVERIFY(notifier.informations.isEmpty());

    // The same download again adds nothing.
    bench.reads = 1;
    bench.window.cbxGas->setCurrentText("CO");
    bench.window.ChkDate->setChecked(true);
    QVERIFY(bench.download(expected.size()));
    QTest::qWait(300);
    QCOMPARE(storedEvents(bench.fixture.path), expected);
    // The filters were reset by the frames.
    QCOMPARE(bench.window.cbxGas->currentIndex(), 0);
    QVERIFY(!bench.window.ChkDate->isChecked());
    QVERIFY(!bench.window.cxDpkStartDate->isEnabled());
    QCOMPARE(bench.window.ARGrid->totalRows(), qint64(expected.size()));
    QCOMPARE(bench.window.ARGrid->filter(), ListingFilter{});
}

void TestDownload::framesArrivingDuringAnErrorBoxKeepTheirOrder() {
    const QStringList arguments = {"--events", "30", "--invalid-every", "1", "--back-to-back",
                                   "--seed",   "3"};
    const QStringList expected = test::simulatorLog(arguments);
    ModalNotifier notifier;
    Bench bench(notifier);
    QVERIFY(bench.start(arguments));
    QVERIFY(bench.download(expected.size()));
    QTest::qWait(500);
    // Every valid frame once, in the order the detector sent them.
    QCOMPARE(storedEvents(bench.fixture.path), expected);
    QCOMPARE(notifier.errors.size(), 30 / 4 + (30 % 4 >= 4 ? 1 : 0));
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
    // The clock command stores nothing.
    QCOMPARE(bench.window.ARGrid->totalRows(), 0);
}

void TestDownload::missingPortShowsTheMessageOncePerPress() {
    test::RecordingNotifier notifier;
    test::StoreFixture fixture;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    window.cbxComPort->setEditText(fixture.dir.filePath("no-such-port"));
    window.BtnGetData->click();
    window.BtnSetTime->click();
    QCOMPARE(notifier.informations,
             QStringList(2, "Can't initialize serial port. Please check your setting."));
    QVERIFY(!window.Comm->isOpen());
    QVERIFY(notifier.errors.isEmpty());
}

QTEST_MAIN(TestDownload)
#include "tst_download.moc"
