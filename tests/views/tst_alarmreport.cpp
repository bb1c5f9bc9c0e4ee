#include "AlarmReport.h"
#include "ListingFixture.h"
#include "ReportPreview.h"

#include <QAction>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>

using namespace zor;
using test::ListingFixture;

namespace {

const QDate kToday(2030, 5, 6);
const QStringList kEnglishHeaders = {"Gas",   "Start Alarm Time", "Value", "Peak Alarm Time",
                                     "Value", "End Alarm Time",   "Value", "Unit"};
constexpr double kFooterTop = 287 - 6;

QStringList textsOf(const ReportPage& page) {
    QStringList texts;
    for (const ReportItem& item : page.items)
        texts << item.text;
    return texts;
}

// Renders the report to a PDF and reads its text back, one string per page.
QStringList pdfPages(const AlarmReport& report, const QString& folder) {
    const QString pdf = folder + "/report.pdf";
    {
        QPdfWriter writer(pdf);
        writer.setResolution(300);
        report.render(writer);
    }
    QProcess reader;
    reader.start("pdftotext", {"-layout", pdf, "-"});
    if (!reader.waitForFinished() || reader.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(reader.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace

class TestAlarmReport : public QObject {
    Q_OBJECT
private slots:
    void pagination_data();
    void pagination();
    void hundredRowsInPrint();
    void rowCellsAndAlignment();
    void chineseTexts();
    void previewOffersOnlyItsCommands();
};

void TestAlarmReport::pagination_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    // 43 rows fit under the title, 46 on a following page; the record number needs 7 mm.
    QTest::newRow("empty listing") << 0 << 1;
    QTest::newRow("42 rows and the summary on one page") << 42 << 1;
    QTest::newRow("43 rows push the summary over") << 43 << 2;
    QTest::newRow("87 rows") << 87 << 2;
    QTest::newRow("88 rows") << 88 << 3;
    QTest::newRow("89 rows fill page two exactly") << 89 << 3;
    QTest::newRow("100 rows") << 100 << 3;
}

void TestAlarmReport::pagination() {
    QFETCH(int, rows);
    QFETCH(int, pages);
    ListingFixture f;
    f.addMany(rows);
    f.reload();
    const AlarmReport report(*f.model, AlarmReport::Language::English, kToday);
    const std::vector<ReportPage> laidOut = report.pages();
    QCOMPARE(int(laidOut.size()), pages);
    QCOMPARE(report.pageCount(), pages);

    int dataRows = 0;
    for (size_t p = 0; p < laidOut.size(); ++p) {
        const QStringList texts = textsOf(laidOut[p]);
        // The page number sits at the foot of every page.
        const ReportItem& number = laidOut[p].items.back();
        QCOMPARE(number.text, QString::number(p + 1));
        QCOMPARE(number.rect.top(), kFooterTop);
        for (const ReportItem& item : laidOut[p].items) {
            if (&item != &number)
                QVERIFY2(item.rect.bottom() <= kFooterTop + 1e-9, qPrintable(item.text));
        }
        const int cells = int(std::count_if(
            laidOut[p].items.begin(), laidOut[p].items.end(), [](const ReportItem& item) {
                return item.lines == ReportItem::Lines::DottedAboveAndBelow;
            }));
        QCOMPARE(cells % 8, 0);
        dataRows += cells / 8;
        // Every page with rows starts them under the column titles.
        if (cells > 0) {
            const int at = int(texts.indexOf("Start Alarm Time"));
            QVERIFY(at >= 0);
            QCOMPARE(texts.mid(at - 1, 8), kEnglishHeaders);
        }
    }
    QCOMPARE(dataRows, rows);
    QVERIFY(textsOf(laidOut.back()).contains(QString("Record Number: %1").arg(rows)));
    QVERIFY(textsOf(laidOut.front()).contains(QString::fromUtf8("СТАТИСТИКА")));
    QVERIFY(textsOf(laidOut.front()).contains(" 2030-05-06"));
}

void TestAlarmReport::hundredRowsInPrint() {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext is not installed");
    ListingFixture f;
    // One event a day, so that the order shows in the printed dates.
    f.addMany(
        100, [](int i) { return i; }, "CO", 24 * 3600);
    f.reload();
    const AlarmReport report(*f.model, AlarmReport::Language::English, kToday);
    const QStringList pages = pdfPages(report, f.store.dir.path());
    QCOMPARE(pages.size(), 3);

    QStringList peaks;
    for (int p = 0; p < pages.size(); ++p) {
        QVERIFY2(pages[p].contains("Start Alarm Time") && pages[p].contains("Peak Alarm Time") &&
                     pages[p].contains("End Alarm Time"),
                 qPrintable(QString("page %1 has no column titles").arg(p + 1)));
        // A data line holds gas, start date, value, peak date, value, end date, value, unit.
        static const QRegularExpression line(
            R"(CO\s+(\d{4}-\d\d-\d\d)\s+1\s+(\d{4}-\d\d-\d\d)\s+(\d+)\s+(\d{4}-\d\d-\d\d)\s+2\s+PPM)");
        for (auto it = line.globalMatch(pages[p]); it.hasNext();)
            peaks << it.next().captured(2);
        QVERIFY(pages[p].trimmed().endsWith(QString::number(p + 1)));
    }
    QVERIFY(pages[0].contains(QString::fromUtf8("СТАТИСТИКА")));
    QVERIFY(pages[0].contains("2030-05-06"));
    QVERIFY(pages[2].contains("Record Number: 100"));
    QCOMPARE(peaks.size(), 100);
    QCOMPARE(peaks.first(), QString("2024-01-26"));
    QCOMPARE(peaks.last(), QString("2023-10-19"));
    QStringList newestFirst = peaks;
    std::sort(newestFirst.begin(), newestFirst.end(), std::greater<>());
    QCOMPARE(peaks, newestFirst);
}

void TestAlarmReport::rowCellsAndAlignment() {
    ListingFixture f(QLocale(QLocale::German, QLocale::Germany));
    f.import(test::record("H2S", "2024-01-25 23:59:30", 5.5, "2024-01-26 00:00:10", 20.9,
                          "2024-01-26 00:01:00", 2));
    f.reload();
    const AlarmReport report(*f.model, AlarmReport::Language::English, kToday);
    const ReportPage page = report.pages().front();
    std::vector<ReportItem> cells;
    for (const ReportItem& item : page.items)
        if (item.lines == ReportItem::Lines::DottedAboveAndBelow)
            cells.push_back(item);
    QCOMPARE(cells.size(), size_t(8));
    const QStringList expected = {"H2S",  "2024-01-25", "5,5", "2024-01-26",
                                  "20,9", "2024-01-26", "2",   "PPM"};
    const QList<double> left = {10, 30, 60, 75, 105, 120, 150, 165};
    const QList<double> width = {20, 30, 15, 30, 15, 30, 15, 15};
    for (int c = 0; c < 8; ++c) {
        QCOMPARE(cells[c].text, expected[c]);
        QCOMPARE(cells[c].rect.left(), left[c]);
        QCOMPARE(cells[c].rect.width(), width[c]);
        QCOMPARE(cells[c].rect.height(), 6.0);
        QCOMPARE(cells[c].font.family, QString("Times New Roman"));
        QCOMPARE(cells[c].font.pixels, 12);
        const bool reading = c == 2 || c == 4 || c == 6;
        QCOMPARE(cells[c].alignment & Qt::AlignHorizontal_Mask,
                 reading ? Qt::AlignRight : Qt::AlignHCenter);
        QCOMPARE(cells[c].alignment & Qt::AlignVertical_Mask, Qt::AlignVCenter);
    }
    // The row sits under the 16 mm title and the 5 mm column titles.
    QCOMPARE(cells[0].rect.top(), 21.0);
}

void TestAlarmReport::chineseTexts() {
    ListingFixture f;
    f.addMany(5);
    f.reload();
    const AlarmReport report(*f.model, AlarmReport::Language::Chinese, kToday);
    const ReportPage page = report.pages().front();
    const QString kaiti = QString::fromUtf8("楷体");
    QStringList kaitiTexts;
    for (const ReportItem& item : page.items) {
        if (item.font.family == kaiti)
            kaitiTexts << item.text;
    }
    QCOMPARE(kaitiTexts,
             QString::fromUtf8("气体综合监测预警报告|气体|报警起始时间|初值|报警峰值时间|峰值|"
                               "报警终止时间|终值|单位|记录数: 5")
                 .split('|'));
    // The rows, the date and the page number keep their fonts.
    QVERIFY(textsOf(page).contains(" 2030-05-06"));
    QVERIFY(textsOf(page).contains("CO"));
}

void TestAlarmReport::previewOffersOnlyItsCommands() {
    ListingFixture f;
    f.addMany(100);
    f.reload();
    AlarmReport report(*f.model, AlarmReport::Language::English, kToday);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    std::unique_ptr<QPrintPreviewDialog> dialog(createPreview(nullptr, report, printer));
    QVERIFY(dialog->isModal());
    QVERIFY(dialog->windowState() & Qt::WindowMaximized);

    QStringList shown;
    QStringList hidden;
    for (QToolBar* bar : dialog->findChildren<QToolBar*>()) {
        for (QAction* a : bar->actions()) {
            if (a->isSeparator() || a->text().isEmpty())
                continue;
            (a->isVisible() ? shown : hidden) << a->text();
        }
    }
    QCOMPARE(shown,
             QStringList({"Fit width", "Fit page", "Zoom out", "Zoom in", "First page",
                          "Previous page", "Next page", "Last page", "Page setup", "Print"}));
    QCOMPARE(hidden, QStringList({"Portrait", "Landscape", "Show single page", "Show facing pages",
                                  "Show overview of all pages"}));

    dialog->show();
    auto* preview = dialog->findChild<QPrintPreviewWidget*>();
    QVERIFY(preview);
    QTRY_COMPARE(preview->pageCount(), 3);
    QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
    QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A4);
    dialog->close();
}

QTEST_MAIN(TestAlarmReport)
#include "tst_alarmreport.moc"
