// The 13-byte command frames sent to the detector.
#include "CommandFrame.h"

#include <QTest>

using namespace zor;

class TestCommandFrame : public QObject {
    Q_OBJECT

private slots:
    void readFrameNeverChanges();
    void setClockFrame_data();
    void setClockFrame();
    void setClockUsesWallClockFields();
};

void TestCommandFrame::readFrameNeverChanges() {
    const QByteArray expected = QByteArray::fromHex("AA00F00701010101010000A655");
    QCOMPARE(readCommandFrame().toHex(' '), expected.toHex(' '));
    QCOMPARE(commandFrame(ReadCommand, {0x01, 0x01, 0x01, 0x01, 0x01, 0x00, 0x00}).toHex(' '),
             expected.toHex(' '));
}

void TestCommandFrame::setClockFrame_data() {
    QTest::addColumn<QDateTime>("at");
    QTest::addColumn<QByteArray>("expected");

    const auto dt = [](int y, int mo, int d, int h, int mi, int s) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
    };
    QTest::newRow("Friday 2024-01-26 18:19:12") << dt(2024, 1, 26, 18, 19, 12)
                                                << QByteArray::fromHex("AA00F10724010526181912"
                                                                       "3555");
    QTest::newRow("Sunday 2000-01-02 midnight") << dt(2000, 1, 2, 0, 0, 0)
                                                << QByteArray::fromHex("AA00F10700010002000000"
                                                                       "A555");
    QTest::newRow("Saturday, sum FF") << dt(2024, 3, 30, 0, 0, 0)
                                      << QByteArray::fromHex("AA00F10724030630000000"
                                                             "FF55");
    QTest::newRow("single digits stay BCD") << dt(2009, 9, 9, 9, 9, 9)
                                            << QByteArray::fromHex("AA00F10709090309090909"
                                                                   "DB55");
    QTest::newRow("upper bounds, checksum wraps") << dt(2099, 12, 31, 23, 59, 59)
                                                  << QByteArray::fromHex("AA00F10799120431235959"
                                                                         "5755");
}

void TestCommandFrame::setClockFrame() {
    QFETCH(QDateTime, at);
    QFETCH(QByteArray, expected);
    QCOMPARE(setClockCommandFrame(at).toHex(' '), expected.toHex(' '));
}

void TestCommandFrame::setClockUsesWallClockFields() {
    // The fields are the date and time as shown, whatever zone the value carries.
    const QDateTime local(QDate(2024, 1, 26), QTime(18, 19, 12), Qt::LocalTime);
    QCOMPARE(setClockCommandFrame(local).toHex(' '),
             QByteArray::fromHex("AA00F107240105261819123555").toHex(' '));
}

QTEST_GUILESS_MAIN(TestCommandFrame)
#include "tst_command_frame.moc"
