// The store fails under a running program: locked by another process, or replaced.
#include "RecordingNotifier.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "UntMain.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kEvents = 4;
constexpr int kAnswerTimeoutMs = 30000;

qint64 storedRows(const QString& path) {
    const QString name = "probe";
    qint64 rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec("SELECT count(*) FROM AR") && query.next())
                rows = query.value(0).toLongLong();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

// Another program holding the store's write lock for as long as it runs.
class LockHolder {
public:
    bool lock(const QString& path) {
        process_.start("sqlite3", {path});
        if (!process_.waitForStarted())
            return false;
        process_.write("BEGIN IMMEDIATE;\nSELECT 'locked';\n");
        return SimulatorProcess::waitFor(
            [&] { return process_.readAllStandardOutput().contains("locked"); }, 5000);
    }
    void release() {
        process_.write("ROLLBACK;\n.quit\n");
        process_.closeWriteChannel();
        process_.waitForFinished(5000);
    }

private:
    QProcess process_;
};

} // namespace

class TestStoreFaults : public QObject {
    Q_OBJECT
private slots:
    void lockedStoreFailsClearlyAndRecovers();
    void replacedStoreIsNotWrittenAndRecovers();
};

void TestStoreFaults::lockedStoreFailsClearlyAndRecovers() {
    if (QStandardPaths::findExecutable("sqlite3").isEmpty())
        QSKIP("the sqlite3 program is not installed");
    test::StoreFixture fixture;
    AlarmStore(fixture.open().connection()).import(test::peakingAt("CO", "2023-05-05 05:05:05"));
    fixture.db.reset();

    test::RecordingNotifier notifier;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    SimulatorProcess simulator;
    QVERIFY(simulator.start({"--events", QString::number(kEvents), "--repeat"}));
    window.cbxComPort->setEditText(simulator.devicePath());

    LockHolder holder;
    QVERIFY(holder.lock(fixture.path));
    // The store refuses the download's history row: one box, nothing read.
    window.BtnGetData->click();
    qInfo() << "shown:" << notifier.errors;
    QCOMPARE(notifier.errors.size(), 1);
    QVERIFY2(notifier.errors[0].startsWith("The download was not started") &&
                 notifier.errors[0].contains("locked"),
             qPrintable(notifier.errors[0]));
    QVERIFY(!window.session()->isRunning());
    QCOMPARE(storedRows(fixture.path), 1);
    QCOMPARE(window.ARGrid->totalRows(), 1);

    holder.release();
    notifier.errors.clear();
    window.BtnGetData->click();
    QVERIFY(window.session()->isRunning());
    QVERIFY(SimulatorProcess::waitFor([&] { return !window.session()->isRunning(); },
                                      kAnswerTimeoutMs));
    QCOMPARE(window.session()->outcome(), DownloadOutcome::Finished);
    QCOMPARE(storedRows(fixture.path), 1 + kEvents);
    QCOMPARE(window.ARGrid->totalRows(), 1 + kEvents);
    QVERIFY(notifier.errors.isEmpty());
}

void TestStoreFaults::replacedStoreIsNotWrittenAndRecovers() {
    test::StoreFixture fixture;
    test::RecordingNotifier notifier;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    SimulatorProcess simulator;
    QVERIFY(simulator.start({"--events", QString::number(kEvents), "--repeat"}));
    window.cbxComPort->setEditText(simulator.devicePath());

    // Another program moves the store away and puts garbage in its place.
    const QString aside = fixture.path + ".aside";
    QVERIFY(QFile::rename(fixture.path, aside));
    {
        QFile garbage(fixture.path);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4096, 'x'));
    }
    window.BtnGetData->click();
    QCOMPARE(notifier.errors.size(), 1);
    QVERIFY2(notifier.errors[0].contains("was removed or replaced"),
             qPrintable(notifier.errors[0]));
    QVERIFY(!window.session()->isRunning());
    QFile garbage(fixture.path);
    QVERIFY(garbage.open(QIODevice::ReadOnly));
    QCOMPARE(garbage.readAll(), QByteArray(4096, 'x'));
    garbage.close();
    QCOMPARE(storedRows(aside), 0);

    // Put back, the store takes the next download.
    QVERIFY(QFile::remove(fixture.path));
    QVERIFY(QFile::rename(aside, fixture.path));
    notifier.errors.clear();
    window.BtnGetData->click();
    QVERIFY(SimulatorProcess::waitFor([&] { return !window.session()->isRunning(); },
                                      kAnswerTimeoutMs));
    QCOMPARE(storedRows(fixture.path), kEvents);
    QVERIFY(notifier.errors.isEmpty());
}

QTEST_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"
