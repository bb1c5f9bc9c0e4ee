// The operator at work: every button in every state, filters changed while frames arrive,
// export and print failures. Nothing may crash, and no alarm record may be lost or doubled.
#include "PeakChart.h"
#include "RecordGrid.h"
#include "RecordingNotifier.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "TComm.h"
#include "UntMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kWaitMs = 60000;

// Waits for the download under way to end.
bool downloadEnds(const TFrmMain& window) {
    return SimulatorProcess::waitFor([&] { return !window.session()->isRunning(); }, kWaitMs);
}

QStringList storedEvents(const QString& storePath) {
    Database db(storePath);
    QSqlQuery query(db.connection());
    query.exec("SELECT Gas, Unt, sTime, pTime, eTime FROM AR ORDER BY pTime, Gas, sTime");
    QStringList events;
    while (query.next())
        events << QStringList{query.value(0).toString(), query.value(1).toString(),
                              query.value(2).toString(), query.value(3).toString(),
                              query.value(4).toString()}
                      .join(' ');
    return events;
}

// The simulator's log in the same form and order.
QStringList logEvents(const QStringList& arguments) {
    QStringList events;
    for (const QString& line : test::simulatorLog(arguments)) {
        const QStringList f = line.split(' ');
        const auto t = [](QString s) { return s.replace('T', ' '); };
        events << QStringList{f[0], f[1], t(f[2]), t(f[4]), t(f[6])}.join(' ');
    }
    std::sort(events.begin(), events.end(), [](const QString& a, const QString& b) {
        const QStringList x = a.split(' '), y = b.split(' ');
        const QString px = x[4] + ' ' + x[5], py = y[4] + ' ' + y[5];
        if (px != py)
            return px < py;
        if (x[0] != y[0])
            return x[0] < y[0];
        return (x[2] + x[3]) < (y[2] + y[3]);
    });
    return events;
}

// Closes every modal window (message box, print preview) soon after it opens.
class ModalCloser : public QObject {
public:
    ModalCloser() {
        timer_.setInterval(100);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++closed;
                modal->close();
            }
        });
        timer_.start();
    }
    int closed = 0;

private:
    QTimer timer_;
};

// The window shown on a fresh store in its own working folder, with a simulator to talk to.
struct Desk {
    Desk() : window(notifier, fixture.path) { QDir::setCurrent(fixture.dir.path()); }

    bool start(const QStringList& simulatorArguments) {
        if (!window.FormCreate() || !simulator.start(simulatorArguments))
            return false;
        window.show();
        window.cbxComPort->setEditText(simulator.devicePath());
        return true;
    }
    auto parts() { return std::tie(fixture, notifier, closer, window, simulator); }

    test::StoreFixture fixture;
    test::RecordingNotifier notifier;
    ModalCloser closer;
    TFrmMain window;
    SimulatorProcess simulator;
};

// Every command the operator has, short of emptying the store.
void operatorAction(TFrmMain& w, int choice) {
    switch (choice) {
    case 0:
        w.BtnGetData->click();
        break;
    case 1:
        w.BtnSetTime->click();
        break;
    case 2:
        w.BtnExportToExcel->click();
        break;
    case 3:
        w.BtnPrint->click();
        break;
    case 4:
        w.cbxGas->setCurrentIndex(QRandomGenerator::global()->bounded(21));
        break;
    case 5:
        w.ChkDate->click();
        break;
    case 6:
        w.cxDpkStartDate->setDate(w.cxDpkStartDate->date().addDays(-40));
        break;
    case 7:
        w.cxDpkEndDate->setDate(w.cxDpkEndDate->date().addDays(3));
        break;
    case 8:
        if (w.ARDBGrid->isVisible())
            QTest::mouseDClick(w.ARDBGrid->view()->viewport(), Qt::LeftButton);
        else
            QTest::mouseDClick(w.chtHistory, Qt::LeftButton);
        break;
    case 9:
        w.btnNext->click();
        break;
    case 10:
        w.btnPrior->click();
        break;
    case 11:
        QTest::keyClick(w.ARDBGrid->view(), Qt::Key_PageDown);
        break;
    default:
        break;
    }
}
constexpr int kActionCount = 12;
constexpr int kFirstPortFreeAction = 2;

} // namespace

class TestOperator : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyButtonInEveryState_data();
    void everyButtonInEveryState();
    void operatorBusyWhileFramesArrive();
    void exportFailureKeepsTheOldFile();
    void printWithoutPrinterSaysSo();

private:
    QString startDir_;
};

void TestOperator::initTestCase() {
    startDir_ = QDir::currentPath();
}

void TestOperator::everyButtonInEveryState_data() {
    QTest::addColumn<QString>("state");
    for (const char* state :
         {"port closed", "port failed", "download running", "empty store", "chart shown"})
        QTest::newRow(state) << QString(state);
}

void TestOperator::everyButtonInEveryState() {
    QFETCH(QString, state);
    const QStringList arguments = {"--events", "60", "--gap", "10", "--repeat", "--seed", "5"};
    Desk desk;
    QVERIFY(desk.start(arguments));
    auto [fixture, notifier, closer, window, simulator] = desk.parts();
    if (state == "port failed") {
        window.cbxComPort->setEditText(fixture.dir.filePath("absent"));
        window.BtnGetData->click();
        window.cbxComPort->setEditText(simulator.devicePath());
    } else if (state == "download running") {
        window.BtnGetData->click();
        QVERIFY(SimulatorProcess::waitFor([&] { return window.ARGrid->totalRows() > 5; }, kWaitMs));
    } else if (state == "chart shown") {
        window.ARDBGridDblClick();
    }
    for (int choice = 0; choice < kActionCount; ++choice)
        operatorAction(window, choice);
    window.BtnClearData->click();
    for (int choice = 0; choice < kActionCount; ++choice)
        operatorAction(window, choice);

    // Whatever happened, one more download leaves every event stored exactly once.
    window.BtnGetData->click();
    const QStringList expected = logEvents(arguments);
    QVERIFY(downloadEnds(window));
    QCOMPARE(window.session()->outcome(), DownloadOutcome::Finished);
    QCOMPARE(storedEvents(fixture.path), expected);
    QVERIFY2(notifier.errors.isEmpty(), qPrintable(notifier.errors.join('\n')));
    QDir::setCurrent(startDir_);
}

void TestOperator::operatorBusyWhileFramesArrive() {
    const QStringList arguments = {"--events", "150", "--gap", "20", "--repeat", "--seed", "11"};
    Desk desk;
    QVERIFY(desk.start(arguments));
    auto [fixture, notifier, closer, window, simulator] = desk.parts();
    window.BtnGetData->click();

    // The operator keeps busy with everything that leaves the port alone while the answer
    // arrives (a command reopens the port and drops the bytes in transit, by design).
    QRandomGenerator random(42);
    QTimer busy;
    int actions = 0;
    QObject::connect(&busy, &QTimer::timeout, [&] {
        operatorAction(window, kFirstPortFreeAction +
                                   int(random.bounded(kActionCount - kFirstPortFreeAction)));
        ++actions;
    });
    busy.start(20);
    QVERIFY(downloadEnds(window));
    busy.stop();
    QCOMPARE(window.session()->outcome(), DownloadOutcome::Finished);
    const QStringList expected = logEvents(arguments);
    QCOMPARE(storedEvents(fixture.path), expected);
    qInfo() << actions << "operator actions during the download," << closer.closed
            << "windows closed";
    QVERIFY2(notifier.errors.isEmpty(), qPrintable(notifier.errors.join('\n')));
    QDir::setCurrent(startDir_);
}

void TestOperator::exportFailureKeepsTheOldFile() {
    test::StoreFixture fixture;
    AlarmStore(fixture.open().connection()).import(test::peakingAt("CO", "2024-01-26 10:00:00"));
    fixture.db.reset();
    test::RecordingNotifier notifier;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());

    // ZOR.xls exists as something that cannot be replaced by a file.
    QTemporaryDir work;
    QVERIFY(QDir(work.path()).mkdir("ZOR.xls"));
    QFile inside(work.filePath("ZOR.xls/keep"));
    QVERIFY(inside.open(QIODevice::WriteOnly));
    inside.write("old");
    inside.close();
    QDir::setCurrent(work.path());
    window.BtnExportToExcel->click();
    QCOMPARE(notifier.errors.size(), 1);
    QVERIFY2(notifier.errors[0].startsWith("Cannot create file \"ZOR.xls\". "),
             qPrintable(notifier.errors[0]));
    QVERIFY(notifier.informations.isEmpty());
    QVERIFY(inside.open(QIODevice::ReadOnly));
    QCOMPARE(inside.readAll(), QByteArray("old"));
    QCOMPARE(QDir(work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{"ZOR.xls"});

    // A file another program holds open is replaced; what that program reads stays whole.
    QTemporaryDir second;
    QDir::setCurrent(second.path());
    QFile old(second.filePath("ZOR.xls"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old workbook");
    old.close();
    QFile reader(second.filePath("ZOR.xls"));
    QVERIFY(reader.open(QIODevice::ReadOnly));
    window.BtnExportToExcel->click();
    QCOMPARE(notifier.informations, QStringList{"Data has been successfully exported to Excel."});
    QCOMPARE(reader.readAll(), QByteArray("old workbook"));
    QFile fresh(second.filePath("ZOR.xls"));
    QVERIFY(fresh.open(QIODevice::ReadOnly));
    QCOMPARE(fresh.read(4), QByteArray("\x09\x08\x08\x00", 4)); // a worksheet's BOF record
    QDir::setCurrent(startDir_);
}

void TestOperator::printWithoutPrinterSaysSo() {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("a printer is installed here");
    test::StoreFixture fixture;
    AlarmStore(fixture.open().connection()).import(test::peakingAt("CO", "2024-01-26 10:00:00"));
    fixture.db.reset();
    test::RecordingNotifier notifier;
    ModalCloser closer;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    window.BtnPrint->click();
    QCOMPARE(closer.closed, 1); // the preview was shown and closed
    QCOMPARE(notifier.informations.size(), 1);
    QVERIFY(notifier.informations[0].startsWith("No printer is installed."));
    QVERIFY(notifier.errors.isEmpty());
}

QTEST_MAIN(TestOperator)
#include "tst_operator.moc"
