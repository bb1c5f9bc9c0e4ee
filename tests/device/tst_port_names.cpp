// Port box names and the devices they open.
#include "PortNames.h"

#include <QTest>

using namespace zor;

Q_DECLARE_METATYPE(zor::PortNaming)

namespace {
const QStringList kFixed = {QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
                            QStringLiteral("COM4"), QStringLiteral("COM5"), QStringLiteral("COM6"),
                            QStringLiteral("COM7"), QStringLiteral("COM8")};
}

class TestPortNames : public QObject {
    Q_OBJECT

private slots:
    void devicePath_data();
    void devicePath();
    void choices_data();
    void choices();
    void systemChoicesStartWithFixedNames();
};

void TestPortNames::devicePath_data() {
    QTest::addColumn<PortNaming>("naming");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");

    const PortNaming posix = PortNaming::Posix;
    const PortNaming windows = PortNaming::Windows;
    QTest::newRow("posix COM1") << posix << "COM1"
                                << "/dev/ttyS0";
    QTest::newRow("posix COM8") << posix << "COM8"
                                << "/dev/ttyS7";
    QTest::newRow("posix COM9 is a bare name") << posix << "COM9"
                                               << "/dev/COM9";
    QTest::newRow("posix bare name") << posix << "ttyUSB0"
                                     << "/dev/ttyUSB0";
    QTest::newRow("posix absolute path") << posix << "/dev/pts/3"
                                         << "/dev/pts/3";
    QTest::newRow("posix link path") << posix << "/tmp/zor/detector"
                                     << "/tmp/zor/detector";
    QTest::newRow("windows COM3") << windows << "COM3"
                                  << "COM3";
    QTest::newRow("windows COM12") << windows << "COM12"
                                   << "COM12";
}

void TestPortNames::devicePath() {
    QFETCH(PortNaming, naming);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(devicePathFor(name, naming), path);
}

void TestPortNames::choices_data() {
    QTest::addColumn<PortNaming>("naming");
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QStringList>("extra");

    QTest::newRow("posix: ttyS0..7 covered, ttyS8 and USB added")
        << PortNaming::Posix
        << QStringList{"ttyS0", "ttyS7", "ttyS8", "ttyUSB0", "ttyACM1", "ttyUSB0"}
        << QStringList{"ttyS8", "ttyUSB0", "ttyACM1"};
    QTest::newRow("posix: nothing reported") << PortNaming::Posix << QStringList{} << QStringList{};
    QTest::newRow("windows: COM1..8 covered, COM9 added")
        << PortNaming::Windows << QStringList{"COM3", "COM9", "COM10"}
        << QStringList{"COM9", "COM10"};
}

void TestPortNames::choices() {
    QFETCH(PortNaming, naming);
    QFETCH(QStringList, system);
    QFETCH(QStringList, extra);
    QCOMPARE(portChoices(system, naming), kFixed + extra);
}

void TestPortNames::systemChoicesStartWithFixedNames() {
    QStringList choices = portChoices();
    QCOMPARE(choices.mid(0, kFixed.size()), kFixed);
    QCOMPARE(choices.removeDuplicates(), 0);
}

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_port_names.moc"
