#include "Notifier.h"
#include "UserError.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace zor;

class TestErrorBox : public QObject {
    Q_OBJECT
private slots:
    void closingStop_data();
    void closingStop();
    void errorBoxIsTitledWithErrorIcon();
};

void TestErrorBox::closingStop_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Cannot create file"
                            << "Cannot create file.";
    QTest::newRow("digit") << "error 5"
                           << "error 5.";
    QTest::newRow("full stop kept") << "Done."
                                    << "Done.";
    QTest::newRow("closing quote") << "Cannot create file \"ZOR.xls\""
                                   << "Cannot create file \"ZOR.xls\"";
    QTest::newRow("exclamation sorts below") << "Stop!"
                                             << "Stop!";
    QTest::newRow("parenthesis sorts below") << "(busy)"
                                             << "(busy)";
    QTest::newRow("slash sorts above") << "a/b/"
                                       << "a/b/.";
    QTest::newRow("trailing blank") << "File handle is not a comm handle "
                                    << "File handle is not a comm handle ";
    QTest::newRow("colon sorts above") << "ARTable:"
                                       << "ARTable:.";
    QTest::newRow("non-Latin letter") << "ошибка"
                                      << "ошибка.";
    QTest::newRow("empty") << ""
                           << "";
}

void TestErrorBox::closingStop() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(withClosingStop(text), shown);
}

void TestErrorBox::errorBoxIsTitledWithErrorIcon() {
    MessageBoxNotifier notifier;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        box->accept();
    });
    notifier.error(nullptr, "''2024/2/30 8:15:30.0'' is not a valid date and time");
    QCOMPARE(title, QString("ZOR"));
    QCOMPARE(text, QString("''2024/2/30 8:15:30.0'' is not a valid date and time."));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

QTEST_MAIN(TestErrorBox)
#include "tst_errorbox.moc"
