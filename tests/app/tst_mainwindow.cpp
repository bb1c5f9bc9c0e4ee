#include "PeakChart.h"
#include "RecordGrid.h"
#include "RecordingNotifier.h"
#include "ShadowLabel.h"
#include "StoreFixture.h"
#include "UntMain.h"
#include "UserError.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

using namespace zor;
using test::peakingAt;

namespace {

QString settingWord(const QString& path) {
    Database db(path);
    QSqlQuery query(db.connection());
    query.exec("SELECT \"Desc\" FROM SETTING WHERE id = 1");
    return query.next() ? query.value(0).toString() : QString("<no row>");
}

QStringList listedGases(const TFrmMain& window) {
    QStringList gases;
    for (int row = 0; row < window.ARGrid->rowCount(); ++row)
        gases << window.ARGrid->rowAt(row).gas;
    return gases;
}

// A store holding events that peak at the given times, and the window started on it.
struct StartedWindow {
    explicit StartedWindow(const QList<std::pair<QString, QString>>& peaks)
        : window(notifier, fixture.path) {
        AlarmStore store = fixture.store();
        for (const auto& [gas, peak] : peaks)
            started = store.import(peakingAt(gas, peak)) && started;
        fixture.db.reset();
        started = window.FormCreate() && started;
    }

    test::StoreFixture fixture;
    test::RecordingNotifier notifier;
    TFrmMain window;
    bool started = true;
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void missingStoreEndsStartUp();
    void firstStartOnEmptyStore();
    void startUpWritesLanguageAndAppliesTexts();
    void windowHasFixedLayout();
    void pickersFollowStoredPeaks();
    void gasAndDateFiltersDriveTheListing();
    void clearDatabaseEmptiesAndResetsFilters();
    void handlerErrorsReachTheDefaultBox();
};

void TestMainWindow::missingStoreEndsStartUp() {
    QTemporaryDir dir;
    test::RecordingNotifier notifier;
    TFrmMain window(notifier, dir.filePath("ZOR.DLL"));
    QVERIFY(!window.FormCreate());
    QCOMPARE(notifier.informations,
             QStringList{"Can't connect to database. Please check your settings."});
    QVERIFY(notifier.errors.isEmpty());
    QVERIFY(!QFileInfo::exists(dir.filePath("ZOR.DLL")));
}

void TestMainWindow::firstStartOnEmptyStore() {
    test::StoreFixture fixture;
    test::RecordingNotifier notifier;
    TFrmMain window(notifier, fixture.path);
    const QDateTime before = QDateTime::currentDateTime();
    QVERIFY(window.FormCreate());
    const QDateTime after = QDateTime::currentDateTime();
    QVERIFY(notifier.errors.isEmpty());
    const QDate today = before.date();
    QCOMPARE(window.cxDpkStartDate->dateTime(),
             QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)));
    const QDateTime end = window.cxDpkEndDate->dateTime();
    QVERIFY2(end >= before.addMSecs(-before.time().msec()) && end <= after,
             qPrintable(end.toString()));
    QVERIFY(!window.cxDpkStartDate->isEnabled());
    QVERIFY(!window.cxDpkEndDate->isEnabled());
    QCOMPARE(window.ARGrid->rowCount(), 0);
    QCOMPARE(window.ARGrid->totalRows(), 0);
}

void TestMainWindow::startUpWritesLanguageAndAppliesTexts() {
    test::StoreFixture fixture;
    {
        QSqlQuery(fixture.open().connection()).exec("UPDATE SETTING SET \"Desc\" = 'Chinese'");
        fixture.db.reset();
    }
    test::RecordingNotifier notifier;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    QCOMPARE(settingWord(fixture.path), QString("English"));
    QCOMPARE(window.lblTitle->text(), QString("Zorvane"));
    QCOMPARE(window.BtnGetData->text(), QString("Get Alarm Data"));
    QCOMPARE(window.BtnSetTime->text(), QString("Set Machine Time"));
    QCOMPARE(window.BtnClearData->text(), QString("Clear Database"));
    QCOMPARE(window.BtnExportToExcel->text(), QString("Export to Excel"));
    QCOMPARE(window.BtnPrint->text(), QString("Print"));
    QCOMPARE(window.BtnSwitchLang->text(), QString("中文"));
    QVERIFY(window.BtnSwitchLang->isHidden());
    const QStringList titles = {"Gas",   "Start Alarm Time", "Value", "Peak Alarm Time",
                                "Value", "End Alarm Time",   "Value", "Unit"};
    for (int column = 0; column < titles.size(); ++column)
        QCOMPARE(window.ARGrid->headerData(column, Qt::Horizontal).toString(), titles[column]);
}

void TestMainWindow::windowHasFixedLayout() {
    test::StoreFixture fixture;
    test::RecordingNotifier notifier;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QString("ВЕЛТ МОНИТОР вер.2.1"));
    QCOMPARE(window.size(), QSize(994, 621));
    QCOMPARE(window.minimumSize(), QSize(994, 621));
    QCOMPARE(window.maximumSize(), QSize(994, 621));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(window.cbxGas->count(), 21);
    QCOMPARE(window.cbxGas->itemText(0), QString("ALL"));
    QCOMPARE(window.cbxGas->itemText(20), QString("HCN"));
    QCOMPARE(window.cbxComPort->currentText(), QString("COM1"));
    QVERIFY(window.btnPrior->isHidden() && window.btnNext->isHidden());
    QVERIFY(window.chtHistory->isHidden());
    QCOMPARE(window.ARDBGrid->geometry(), QRect(22, 120, 950, 421));
    QCOMPARE(window.BtnGetData->geometry(), QRect(165, 10, 135, 40));
    // The grid holds the keyboard focus when the window opens.
    QTRY_VERIFY(window.ARDBGrid->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == window.ARDBGrid);
}

void TestMainWindow::pickersFollowStoredPeaks() {
    StartedWindow started({{"CO", "2023-11-02 03:04:05"}, {"O2", "2024-02-10 22:00:01"}});
    QVERIFY(started.started);
    TFrmMain& window = started.window;
    QCOMPARE(window.cxDpkStartDate->dateTime(), QDateTime(QDate(2023, 11, 2), QTime(3, 4, 5)));
    QCOMPARE(window.cxDpkEndDate->dateTime(), QDateTime(QDate(2024, 2, 10), QTime(22, 0, 1)));
    QCOMPARE(listedGases(window), (QStringList{"O2", "CO"}));
}

void TestMainWindow::gasAndDateFiltersDriveTheListing() {
    StartedWindow started({{"CO", "2024-01-25 23:59:59"},
                           {"CO", "2024-01-26 23:59:59"},
                           {"O2", "2024-01-26 00:00:00"},
                           {"H2S", "2024-01-27 00:00:00"}});
    QVERIFY(started.started);
    TFrmMain& window = started.window;
    const QStringList& errors = started.notifier.errors;
    QCOMPARE(listedGases(window), (QStringList{"H2S", "CO", "O2", "CO"}));

    window.cbxGas->setCurrentText("CO");
    QCOMPARE(listedGases(window), (QStringList{"CO", "CO"}));

    window.cxDpkStartDate->setDate(QDate(2024, 1, 26));
    window.cxDpkEndDate->setDate(QDate(2024, 1, 26));
    QCOMPARE(listedGases(window), (QStringList{"CO", "CO"})); // date filter still off
    window.ChkDate->click();
    QVERIFY(window.cxDpkStartDate->isEnabled() && window.cxDpkEndDate->isEnabled());
    QCOMPARE(listedGases(window), QStringList{"CO"});

    window.cbxGas->setCurrentIndex(0);
    QCOMPARE(listedGases(window), (QStringList{"CO", "O2"}));

    window.cxDpkStartDate->setDate(QDate(2024, 1, 28)); // after the end day: nothing, no error
    QCOMPARE(listedGases(window), QStringList{});
    QVERIFY(errors.isEmpty());

    window.ChkDate->click();
    QVERIFY(!window.cxDpkStartDate->isEnabled());
    QCOMPARE(window.ARGrid->rowCount(), 4);
}

void TestMainWindow::clearDatabaseEmptiesAndResetsFilters() {
    StartedWindow started({{"CO", "2024-01-26 10:00:00"}, {"O2", "2024-01-27 10:00:00"}});
    QVERIFY(started.started);
    TFrmMain& window = started.window;
    const test::RecordingNotifier& notifier = started.notifier;
    const QString& path = started.fixture.path;
    window.cbxGas->setCurrentText("O2");
    window.ChkDate->setChecked(true);
    const QDate startDay = window.cxDpkStartDate->date();
    QCOMPARE(window.ARGrid->rowCount(), 1);

    window.BtnClearData->click();
    QVERIFY(notifier.errors.isEmpty());
    QCOMPARE(window.ARGrid->rowCount(), 0);
    QCOMPARE(window.cbxGas->currentIndex(), 0);
    QVERIFY(!window.ChkDate->isChecked());
    QCOMPARE(window.cxDpkStartDate->date(), startDay); // the pickers keep their days
    QCOMPARE(Listing(Database(path).connection()).count({}), 0);

    window.BtnClearData->click(); // an empty store clears silently
    QVERIFY(notifier.errors.isEmpty());
    QVERIFY(notifier.informations.isEmpty());
}

void TestMainWindow::handlerErrorsReachTheDefaultBox() {
    test::StoreFixture fixture;
    test::RecordingNotifier notifier;
    TFrmMain window(notifier, fixture.path);
    QVERIFY(window.FormCreate());
    window.runHandler([] { throw UserError("ARTable: Cannot perform this operation"); });
    window.runHandler([] { throw std::runtime_error("plain failure."); });
    QCOMPARE(notifier.errors,
             (QStringList{"ARTable: Cannot perform this operation.", "plain failure."}));
    // The window goes on working after the error.
    window.cbxGas->setCurrentText("CO");
    QCOMPARE(window.ARGrid->rowCount(), 0);
    QCOMPARE(notifier.errors.size(), 2);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
