// zor-cli end to end: downloads over the simulated detector, listings, exports, the history,
// ports and wrong usage, each through the real program and its exit status.
#include "AlarmStore.h"
#include "ListingModel.h"
#include "PseudoTerminal.h"
#include "SimulatorProcess.h"
#include "StoreFixture.h"
#include "TComm.h"
#include "XlsExport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>
#include <unistd.h>

using namespace zor;
using test::SimulatorProcess;

namespace {

constexpr int kRunTimeoutMs = 60000;

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run cli(const QStringList& arguments, const QString& folder = {}) {
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(QStringLiteral(ZOR_CLI), arguments);
    Run run;
    if (!process.waitForFinished(kRunTimeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A store holding a few known events.
void fillStore(test::StoreFixture& fixture) {
    AlarmStore store(fixture.open());
    QVERIFY(store.import(test::record("CO", "2024-01-26 08:15:30", 50, "2024-01-26 08:16:02", 150,
                                      "2024-01-26 08:20:45", 25)));
    QVERIFY(store.import(test::record("O2", "2024-01-25 09:00:00", 20.9, "2024-01-26 08:16:02", 18,
                                      "2024-01-25 09:10:00", 19.5, "%VOL")));
    QVERIFY(store.import(test::record("H2S", "2024-01-20 09:00:00", 5.5, "2024-01-20 09:01:00",
                                      6553.5, "2024-01-20 09:02:00", 0.1)));
}

const QString kHeader = QStringLiteral("Gas,sTime,sValue,pTime,pValue,eTime,eValue,Unt\r\n");
const QString kCoRow = QStringLiteral(
    "CO,2024-01-26 08:15:30,50,2024-01-26 08:16:02,150,2024-01-26 08:20:45,25,PPM\r\n");
const QString kO2Row = QStringLiteral(
    "O2,2024-01-25 09:00:00,20.9,2024-01-26 08:16:02,18,2024-01-25 09:10:00,19.5,%VOL\r\n");
const QString kH2sRow = QStringLiteral(
    "H2S,2024-01-20 09:00:00,5.5,2024-01-20 09:01:00,6553.5,2024-01-20 09:02:00,0.1,PPM\r\n");

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void downloadSaysWhatItDid_data();
    void downloadSaysWhatItDid();
    void downloadWithoutAnswer();
    void downloadNeedsAStoreAndAPort();
    void refusedPortSaysWhy();
    void setClockSendsTheTime();
    void listFollowsTheFilters_data();
    void listFollowsTheFilters();
    void listAsJson();
    void exportWritesWhatTheWindowWrites();
    void historyListsEveryDownload();
    void portsAndMkstore();
    void wrongUsage_data();
    void wrongUsage();
};

void TestCli::downloadSaysWhatItDid_data() {
    QTest::addColumn<QStringList>("link");
    QTest::addColumn<QString>("first");
    QTest::addColumn<int>("firstStatus");
    QTest::addColumn<QString>("second");
    QTest::newRow("clean link") << QStringList{"--events", "30", "--gap", "5"}
                                << "30 new, 0 already stored, 0 rejected, 0 failed" << 0
                                << "0 new, 30 already stored, 0 rejected, 0 failed";
    QTest::newRow("noise inside every third frame")
        << QStringList{"--events", "30", "--gap", "40", "--noise-every", "3"}
        << "20 new, 0 already stored, 10 rejected, 0 failed" << 3
        << "0 new, 20 already stored, 10 rejected, 0 failed";
}

void TestCli::downloadSaysWhatItDid() {
    QFETCH(QStringList, link);
    QFETCH(QString, first);
    QFETCH(int, firstStatus);
    QFETCH(QString, second);
    test::StoreFixture fixture;
    SimulatorProcess simulator;
    QVERIFY(simulator.start(link + QStringList{"--repeat"}));
    const QStringList arguments = {"download", "--port", simulator.devicePath(), "--store",
                                   fixture.path};
    Run run = cli(arguments);
    QVERIFY2(run.status == firstStatus, qPrintable(run.err));
    QCOMPARE(run.out, first + '\n');
    // Not a terminal: no progress line.
    QCOMPARE(run.err, QString());
    run = cli(arguments + QStringList{"--quiet"});
    QCOMPARE(run.out, second + '\n');
    QSqlQuery query(fixture.open().connection());
    QVERIFY(query.exec("SELECT group_concat(outcome || ' ' || stored, ', ') FROM DOWNLOAD"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(),
             QStringLiteral("finished %1, finished 0").arg(first.section(' ', 0, 0)));
}

void TestCli::downloadWithoutAnswer() {
    test::StoreFixture fixture;
    sim::PseudoTerminal silent;
    silent.holdSlave();
    const Run run = cli({"download", "--port", silent.slavePath(), "--store", fixture.path});
    QCOMPARE(run.status, 4);
    QCOMPARE(run.out, QString("0 new, 0 already stored, 0 rejected, 0 failed\n"));
    QVERIFY2(run.err.contains("no answer"), qPrintable(run.err));
}

void TestCli::downloadNeedsAStoreAndAPort() {
    QTemporaryDir dir;
    // No store: refused, and none is created.
    Run run = cli({"download", "--port", "COM1"}, dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("ZOR.DLL") && run.err.contains("Can't connect to database"),
             qPrintable(run.err));
    QVERIFY(!QFile::exists(dir.filePath("ZOR.DLL")));
    // A port that does not exist: named, with its cause.
    QVERIFY(cli({"mkstore", "ZOR.DLL"}, dir.path()).status == 0);
    const QString missing = dir.filePath("no-such-port");
    run = cli({"download", "--port", missing}, dir.path());
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, "zor-cli: " + missing + ": no such device\n");
    QCOMPARE(run.out, QString());
}

void TestCli::refusedPortSaysWhy() {
    SimulatorProcess simulator;
    QVERIFY(simulator.start({"--events", "1"}));
    const QString port = simulator.devicePath();
    // Held by another program: the serial component opens ports exclusively.
    {
        TComm holder;
        holder.CommName = port;
        holder.StartComm();
        const Run busy = cli({"set-clock", "--port", port});
        QCOMPARE(busy.status, 1);
        QCOMPARE(busy.err, "zor-cli: " + port + " is in use by another program\n");
    }
    // A user who may not open the device: run as nobody when the tests run as root.
    if (::geteuid() != 0)
        QSKIP("the permission case needs root to switch to an unprivileged user");
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    if (setpriv.isEmpty())
        QSKIP("setpriv is not installed");
    QFile::setPermissions(port, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QProcess process;
    process.start(setpriv, {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                            QStringLiteral(ZOR_CLI), "set-clock", "--port", port});
    QVERIFY(process.waitForFinished(kRunTimeoutMs));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), 1);
    QCOMPARE(err, "zor-cli: " + port +
                      ": permission denied. On Linux, add your user to the 'dialout' group "
                      "(sudo usermod -aG dialout $USER) and log in again\n");
}

void TestCli::setClockSendsTheTime() {
    SimulatorProcess simulator;
    QVERIFY(simulator.start({"--events", "1"}));
    const Run run = cli({"set-clock", "--port", simulator.devicePath()});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QVERIFY(simulator.waitForLineStartingWith("set-clock", kRunTimeoutMs));
    // "clock set to yyyy-MM-dd HH:mm:ss on PORT" and "set-clock yyyy-MM-dd HH:mm:ss weekday N"
    const QString sent = run.out.section(' ', 3, 4);
    QCOMPARE(simulator.lines().filter("set-clock").value(0).section(' ', 1, 2), sent);
}

void TestCli::listFollowsTheFilters_data() {
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("expected");
    QTest::newRow("everything") << QStringList{} << kHeader + kCoRow + kO2Row + kH2sRow;
    QTest::newRow("one gas") << QStringList{"--gas", "O2"} << kHeader + kO2Row;
    QTest::newRow("one day") << QStringList{"--from", "2024-01-26", "--to", "2024-01-26"}
                             << kHeader + kCoRow + kO2Row;
    QTest::newRow("up to a day") << QStringList{"--to", "2024-01-25"} << kHeader + kH2sRow;
    QTest::newRow("gas and days") << QStringList{"--gas", "CO", "--from", "2024-01-27"} << kHeader;
}

void TestCli::listFollowsTheFilters() {
    QFETCH(QStringList, filters);
    QFETCH(QString, expected);
    test::StoreFixture fixture;
    fillStore(fixture);
    const Run run = cli(QStringList{"list", "--store", fixture.path} + filters);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(run.out, expected);
}

void TestCli::listAsJson() {
    test::StoreFixture fixture;
    fillStore(fixture);
    const Run run = cli({"list", "--store", fixture.path, "--format", "json"});
    QCOMPARE(run.status, 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    const QJsonArray rows = document.array();
    QCOMPARE(rows.size(), 3);
    const QJsonObject o2 = rows[1].toObject();
    QCOMPARE(o2.keys().size(), 8);
    QCOMPARE(o2["Gas"].toString(), QString("O2"));
    QCOMPARE(o2["sTime"].toString(), QString("2024-01-25 09:00:00"));
    QCOMPARE(o2["sValue"].toDouble(), 20.9);
    QCOMPARE(o2["Unt"].toString(), QString("%VOL"));
    // Keys stand in the order of the columns.
    QVERIFY(run.out.indexOf("\"Gas\"") < run.out.indexOf("\"sTime\""));
    QVERIFY(run.out.indexOf("\"eValue\"") < run.out.indexOf("\"Unt\""));
}

void TestCli::exportWritesWhatTheWindowWrites() {
    test::StoreFixture fixture;
    fillStore(fixture);
    const QString xls = fixture.dir.filePath("out.xls");
    const QString csv = fixture.dir.filePath("out.csv");
    QCOMPARE(cli({"export", "--store", fixture.path, "--gas", "CO", "--xls", xls}).status, 0);
    // The window's export code on the same listing.
    Listing listing(fixture.open().connection());
    ListingModel model(listing, QLocale());
    ListingFilter co;
    co.gas = "CO";
    model.reload(co);
    QCOMPARE(fileBytes(xls), buildWorksheet(model, {0, 1, 2, 3, 4, 5, 6, 7}));

    QCOMPARE(cli({"export", "--store", fixture.path, "--csv", csv}).status, 0);
    QCOMPARE(QString::fromUtf8(fileBytes(csv)), kHeader + kCoRow + kO2Row + kH2sRow);
    // A failed export leaves the old file as it was.
    const Run failed = cli({"export", "--store", fixture.path, "--csv",
                            fixture.dir.filePath("no-such-folder/out.csv")});
    QCOMPARE(failed.status, 1);
    QVERIFY2(failed.err.contains("no-such-folder"), qPrintable(failed.err));
    // An empty listing writes nothing.
    QCOMPARE(cli({"export", "--store", fixture.path, "--gas", "HCN", "--xls", xls}).status, 0);
    QCOMPARE(fileBytes(xls), buildWorksheet(model, {0, 1, 2, 3, 4, 5, 6, 7}));
}

void TestCli::historyListsEveryDownload() {
    test::StoreFixture fixture;
    SimulatorProcess simulator;
    QVERIFY(simulator.start({"--events", "4", "--gap", "5", "--repeat"}));
    for (int i = 0; i < 2; ++i)
        QCOMPARE(
            cli({"download", "--port", simulator.devicePath(), "--store", fixture.path}).status, 0);
    Run run = cli({"history", "--store", fixture.path});
    QCOMPARE(run.status, 0);
    const QStringList lines = run.out.split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0],
             QString("id,started,finished,station,port,stored,duplicates,rejected,failed,outcome"));
    QVERIFY2(lines[1].startsWith("1,") && lines[1].endsWith(",4,0,0,0,finished"),
             qPrintable(lines[1]));
    QVERIFY2(lines[2].startsWith("2,") && lines[2].endsWith(",0,4,0,0,finished"),
             qPrintable(lines[2]));
    QVERIFY(lines[1].contains("," + simulator.devicePath() + ","));
    run = cli({"history", "--store", fixture.path, "--format", "json"});
    const QJsonArray rows = QJsonDocument::fromJson(run.out.toUtf8()).array();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1].toObject()["duplicates"].toInt(), 4);
    QCOMPARE(rows[1].toObject().keys().size(), 10);
}

void TestCli::portsAndMkstore() {
    const Run ports = cli({"ports"});
    QCOMPARE(ports.status, 0);
    for (const QString& line : ports.out.split('\n', Qt::SkipEmptyParts))
        QVERIFY2(line.split('\t').size() >= 3, qPrintable(line));

    QTemporaryDir dir;
    const QString store = dir.filePath("fresh.DLL");
    QCOMPARE(cli({"mkstore", store}).status, 0);
    QCOMPARE(cli({"list", "--store", store}).out, kHeader);
    const QByteArray before = fileBytes(store);
    const Run again = cli({"mkstore", store});
    QCOMPARE(again.status, 1);
    QVERIFY2(again.err.contains("already exists"), qPrintable(again.err));
    QCOMPARE(fileBytes(store), before);
}

void TestCli::wrongUsage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::newRow("no command") << QStringList{} << 2;
    QTest::newRow("unknown command") << QStringList{"fetch"} << 2;
    QTest::newRow("download without port") << QStringList{"download"} << 2;
    QTest::newRow("unknown option") << QStringList{"list", "--colour"} << 2;
    QTest::newRow("bad day") << QStringList{"list", "--from", "26/01/2024"} << 2;
    QTest::newRow("bad format") << QStringList{"history", "--format", "xml"} << 2;
    QTest::newRow("export without file") << QStringList{"export"} << 2;
    QTest::newRow("export to both") << QStringList{"export", "--xls", "a", "--csv", "b"} << 2;
    QTest::newRow("mkstore without store") << QStringList{"mkstore"} << 2;
    QTest::newRow("stray argument") << QStringList{"ports", "extra"} << 2;
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("help of a command") << QStringList{"download", "--help"} << 0;
}

void TestCli::wrongUsage() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    const Run run = cli(arguments);
    QCOMPARE(run.status, status);
    if (status == 2) {
        QVERIFY2(run.err.startsWith("zor-cli: "), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    } else {
        QVERIFY2(run.out.contains("download"), qPrintable(run.out));
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
