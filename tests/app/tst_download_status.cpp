// The status line's texts for every state of a download and for the clock command.
#include "DownloadStatus.h"

#include <QTest>

using namespace zor;

Q_DECLARE_METATYPE(zor::LocaleSeparators)

namespace {
const QDateTime kAt(QDate(2026, 12, 11), QTime(14, 5, 33));
const LocaleSeparators kColon{u'/', u':', u'.'};
const LocaleSeparators kDot{u'.', u'.', u','};
} // namespace

class TestDownloadStatus : public QObject {
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
    void refusedCountsStandOutWithAdvice_data();
    void refusedCountsStandOutWithAdvice();
};

void TestDownloadStatus::texts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("running") << status::downloading("COM3", {143, 23, 0, 0})
                             << "Downloading from COM3: 143 new, 23 already stored, 0 rejected";
    QTest::newRow("finished") << status::ended(DownloadOutcome::Finished, "COM3", {180, 20, 0, 0},
                                               kAt, kColon)
                              << "Finished 14:05:33: 180 new, 20 already stored, 0 rejected";
    QTest::newRow("finished, locale time separator")
        << status::ended(DownloadOutcome::Finished, "COM3", {1, 0, 0, 0}, kAt, kDot)
        << "Finished 14.05.33: 1 new, 0 already stored, 0 rejected";
    QTest::newRow("no answer") << status::ended(DownloadOutcome::NoAnswer, "COM3", {}, kAt, kColon)
                               << "No answer from the detector on COM3";
    QTest::newRow("short device path")
        << status::ended(DownloadOutcome::NoAnswer, "/dev/pts/3", {}, kAt, kColon)
        << "No answer from the detector on /dev/pts/3";
    QTest::newRow("long device path by its name")
        << status::ended(DownloadOutcome::NoAnswer, "/home/operator/zor/run/detector", {}, kAt,
                         kColon)
        << "No answer from the detector on detector";
    QTest::newRow("clock") << status::clockSet("COM3", kAt, kColon)
                           << "Clock set to 2026-12-11 14:05:33 on COM3";
    QTest::newRow("port name is text, not markup")
        << status::downloading("<b>x", {})
        << "Downloading from &lt;b&gt;x: 0 new, 0 already "
           "stored, 0 rejected";
}

void TestDownloadStatus::texts() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void TestDownloadStatus::refusedCountsStandOutWithAdvice_data() {
    QTest::addColumn<int>("outcome");
    QTest::addColumn<DownloadCounts>("counts");
    QTest::addColumn<QString>("mustHold");
    QTest::newRow("finished, rejected")
        << int(DownloadOutcome::Finished) << DownloadCounts{40, 0, 20, 0} << "20 rejected";
    QTest::newRow("finished, not stored")
        << int(DownloadOutcome::Finished) << DownloadCounts{40, 0, 0, 3} << "3 not stored";
    QTest::newRow("interrupted") << int(DownloadOutcome::Interrupted) << DownloadCounts{12, 0, 0, 0}
                                 << "Interrupted 14:05:33 on COM3";
}

void TestDownloadStatus::refusedCountsStandOutWithAdvice() {
    QFETCH(int, outcome);
    QFETCH(DownloadCounts, counts);
    QFETCH(QString, mustHold);
    const QString text = status::ended(DownloadOutcome(outcome), "COM3", counts, kAt, kColon);
    QVERIFY2(text.contains(mustHold), qPrintable(text));
    QVERIFY2(text.contains("ownload again"), qPrintable(text));
    if (counts.rejected > 0 || counts.failed > 0)
        QVERIFY2(text.contains("color:"), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestDownloadStatus)
#include "tst_download_status.moc"
