// The port box builds its list each time it opens and keeps the port's name as its text.
#include "PortBox.h"

#include <QTest>

using namespace zor;

class TestPortBox : public QObject {
    Q_OBJECT
private slots:
    void listFollowsThePortsWhenOpened();
};

void TestPortBox::listFollowsThePortsWhenOpened() {
    QStringList ports = {"COM1", "COM2"};
    PortBox box([&] { return ports; });
    box.setEditable(true);
    box.refill();
    QCOMPARE(box.count(), 2);
    box.setEditText("/dev/ttyUSB3");
    // An adapter plugged in after start-up appears the next time the list opens.
    ports << "ttyUSB0";
    box.showPopup();
    box.hidePopup();
    QCOMPARE(box.count(), 3);
    QCOMPARE(box.itemData(2).toString(), QString("ttyUSB0"));
    // What the operator typed stays.
    QCOMPARE(box.currentText(), QString("/dev/ttyUSB3"));
    // Choosing an entry puts its name in the box.
    box.setCurrentIndex(2);
    emit box.activated(2);
    QCOMPARE(box.currentText(), QString("ttyUSB0"));
}

QTEST_MAIN(TestPortBox)
#include "tst_portbox.moc"
