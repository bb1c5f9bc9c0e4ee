#include "BiffReader.h"
#include "BiffWriter.h"
#include "ListingFixture.h"
#include "UserError.h"
#include "XlsExport.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace zor;
using test::ListingFixture;
using test::record;

namespace {

constexpr int kTypeLabel = 0x0204;
constexpr int kTypeNumber = 0x0203;
constexpr int kTypeRk = 0x027E;
constexpr int kTypeBlank = 0x0201;

const QList<int> kAllColumns = {0, 1, 2, 3, 4, 5, 6, 7};

// One line per worksheet row, cells as kind:value with L label, N number, R RK, B blank.
QStringList describeSheet(const QByteArray& bytes) {
    const auto cells = test::readCells(test::readRecords(bytes));
    QMap<int, QStringList> rows;
    int lastColumn = -1;
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        const auto [row, column] = it.key();
        QStringList& line = rows[row];
        if (column != line.size())
            return {QString("row %1: column %2 out of order").arg(row).arg(column)};
        QString kind;
        switch (it->type) {
        case kTypeLabel:
            kind = "L";
            break;
        case kTypeNumber:
            kind = "N";
            break;
        case kTypeRk:
            kind = "R";
            break;
        case kTypeBlank:
            kind = it->format == BiffWriter::kBlankFormat ? "B" : "B?";
            break;
        }
        line << kind + ':' + it->value;
        lastColumn = std::max(lastColumn, column);
    }
    QStringList out;
    for (auto it = rows.begin(); it != rows.end(); ++it) {
        if (it.key() != out.size())
            return {QString("row %1 missing").arg(out.size())};
        out << it->join(" | ");
    }
    return out;
}

// Three events of every cell kind, newest peak first: CO, H2S, EX.
void fill(ListingFixture& f) {
    f.import(record("CO", "2024-01-26 08:15:30", 50, "2024-01-26 08:16:02", 150,
                    "2024-01-26 08:20:00", 20));
    f.import(record("H2S", "2024-01-25 09:00:00", 5.5, "2024-01-25 09:01:00", 20.9,
                    "2024-01-25 09:02:00", 2.5));
    QSqlQuery insert(f.store.open().connection());
    QVERIFY(insert.exec("INSERT INTO AR(Gas, sTime, sValue, pTime, pValue, eTime, eValue, Unt) "
                        "VALUES ('EX', '2024-01-24 10:00:00', -3, '2024-01-24 10:00:05', "
                        "1000000000, '2024-01-24 10:00:09', NULL, '%LEL')"));
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestXlsExport : public QObject {
    Q_OBJECT
private slots:
    void streamIsFramedByBofAndEof();
    void sheetContent_data();
    void sheetContent();
    void wholeNumbersGoAsRk_data();
    void wholeNumbersGoAsRk();
    void textIsWindows1252_data();
    void textIsWindows1252();
    void exportingTwiceReplacesTheFile();
    void emptyListingLeavesTheFileAlone();
    void createFailureKeepsWhatWasThere_data();
    void createFailureKeepsWhatWasThere();
    void sheetRowLimit();
};

void TestXlsExport::streamIsFramedByBofAndEof() {
    ListingFixture f;
    fill(f);
    f.reload();
    const QByteArray bytes = buildWorksheet(*f.model, kAllColumns);
    QCOMPARE(bytes.left(12), QByteArray::fromHex("090808000000100000000000"));
    QCOMPARE(bytes.right(4), QByteArray::fromHex("0a000000"));
    const auto records = test::readRecords(bytes);
    const auto count = [&records](int type) {
        return std::count_if(records.begin(), records.end(),
                             [type](const test::BiffRecordRead& r) { return r.type == type; });
    };
    QCOMPARE(count(0x0809), 1);
    QCOMPARE(count(0x000A), 1);
    // 8 titles, 3 rows of 8 cells, 8 footer cells.
    QCOMPARE(records.size(), 2 + 8 * 5);
}

void TestXlsExport::sheetContent_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("gas");
    QTest::addColumn<QList<int>>("columns");
    QTest::addColumn<QStringList>("sheet");

    const QString titles = "L:Gas | L:Start Alarm Time | L:Value | L:Peak Alarm Time | L:Value | "
                           "L:End Alarm Time | L:Value | L:Unit";
    QTest::newRow("every column")
        << QLocale::c() << QString() << kAllColumns
        << QStringList{titles,
                       "L:CO | L:24/01/26 08:15:30 | R:50 | L:24/01/26 08:16:02 | "
                       "R:150 | L:24/01/26 08:20:00 | R:20 | L:PPM",
                       "L:H2S | L:24/01/25 09:00:00 | N:5.5 | L:24/01/25 09:01:00 | "
                       "N:20.899999999999999 | L:24/01/25 09:02:00 | N:2.5 | L:PPM",
                       "L:EX | L:24/01/24 10:00:00 | R:-3 | L:24/01/24 10:00:05 | "
                       "N:1000000000 | L:24/01/24 10:00:09 | B: | L:%LEL",
                       "L: | L:Record Count: | R:3 | L: | L: | L: | L: | L:"};
    QTest::newRow("Finnish separators in times, readings stay numbers")
        << QLocale(QLocale::Finnish, QLocale::Finland) << QString("H2S") << kAllColumns
        << QStringList{titles,
                       "L:H2S | L:24.01.25 09.00.00 | N:5.5 | L:24.01.25 09.01.00 | "
                       "N:20.899999999999999 | L:24.01.25 09.02.00 | N:2.5 | L:PPM",
                       "L: | L:Record Count: | R:1 | L: | L: | L: | L: | L:"};
    QTest::newRow("hidden end value drops out")
        << QLocale::c() << QString("CO") << QList<int>{0, 1, 2, 3, 4, 5, 7}
        << QStringList{"L:Gas | L:Start Alarm Time | L:Value | L:Peak Alarm Time | L:Value | "
                       "L:End Alarm Time | L:Unit",
                       "L:CO | L:24/01/26 08:15:30 | R:50 | L:24/01/26 08:16:02 | R:150 | "
                       "L:24/01/26 08:20:00 | L:PPM",
                       "L: | L:Record Count: | R:1 | L: | L: | L: | L:"};
    QTest::newRow("hidden start time takes the caption along")
        << QLocale::c() << QString("CO") << QList<int>{0, 2, 4, 7}
        << QStringList{"L:Gas | L:Value | L:Value | L:Unit", "L:CO | R:50 | R:150 | L:PPM",
                       "L: | R:1 | L: | L:"};
    QTest::newRow("hidden start value takes the count along")
        << QLocale::c() << QString("CO") << QList<int>{1, 3}
        << QStringList{"L:Start Alarm Time | L:Peak Alarm Time",
                       "L:24/01/26 08:15:30 | L:24/01/26 08:16:02", "L:Record Count: | L:"};
}

void TestXlsExport::sheetContent() {
    QFETCH(QLocale, locale);
    QFETCH(QString, gas);
    QFETCH(QList<int>, columns);
    QFETCH(QStringList, sheet);
    ListingFixture f(locale);
    fill(f);
    f.reload(ListingFilter{gas, {}, {}});
    QCOMPARE(describeSheet(buildWorksheet(*f.model, columns)), sheet);
}

void TestXlsExport::wholeNumbersGoAsRk_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("type");
    QTest::newRow("zero") << 0.0 << kTypeRk;
    QTest::newRow("150") << 150.0 << kTypeRk;
    QTest::newRow("-3") << -3.0 << kTypeRk;
    QTest::newRow("largest 30-bit") << 536870911.0 << kTypeRk;
    QTest::newRow("smallest 30-bit") << -536870912.0 << kTypeRk;
    QTest::newRow("one past the largest") << 536870912.0 << kTypeNumber;
    QTest::newRow("one below the smallest") << -536870913.0 << kTypeNumber;
    QTest::newRow("fraction") << 20.9 << kTypeNumber;
    QTest::newRow("half") << 0.5 << kTypeNumber;
}

void TestXlsExport::wholeNumbersGoAsRk() {
    QFETCH(double, value);
    QFETCH(int, type);
    BiffWriter sheet;
    sheet.number(3, 4, value);
    const auto cells = test::readCells(test::readRecords(sheet.finish()));
    QCOMPARE(cells.size(), 1);
    const test::BiffCell cell = cells.value({3, 4});
    QCOMPARE(cell.type, type);
    QCOMPARE(cell.value.toDouble(), value);
}

void TestXlsExport::textIsWindows1252_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ASCII") << QString("%LEL") << QByteArray("%LEL");
    QTest::newRow("Latin-1 letters") << QString("Ä é ÿ") << QByteArray("\xC4 \xE9 \xFF");
    QTest::newRow("code page extras")
        << QString("€ Š – ™ Ÿ") << QByteArray("\x80 \x8A \x96 \x99 \x9F");
    QTest::newRow("Cyrillic is unknown") << QString("СТАТ") << QByteArray("????");
    QTest::newRow("control code points without a character")
        << QString(QChar(0x81)) << QByteArray("?");
    QTest::newRow("one mark per character outside the plane")
        << QString("a😀b") << QByteArray("a?b");
}

void TestXlsExport::textIsWindows1252() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(toWindows1252(text), bytes);
}

void TestXlsExport::exportingTwiceReplacesTheFile() {
    ListingFixture f;
    fill(f);
    const QString path = f.store.dir.filePath("ZOR.xls");
    f.reload();
    QVERIFY(exportListing(*f.model, kAllColumns, path));
    const QByteArray first = fileBytes(path);
    QCOMPARE(describeSheet(first).size(), 5);

    f.reload(ListingFilter{"CO", {}, {}});
    QVERIFY(exportListing(*f.model, kAllColumns, path));
    const QByteArray second = fileBytes(path);
    QCOMPARE(second, buildWorksheet(*f.model, kAllColumns));
    QCOMPARE(describeSheet(second).size(), 3);
    // No temporary file is left beside it; the store's own files aside.
    QStringList files = QDir(f.store.dir.path()).entryList(QDir::Files | QDir::Hidden);
    files.removeIf([](const QString& name) { return name.startsWith("ZOR.DLL"); });
    QCOMPARE(files, QStringList({"ZOR.xls"}));
}

void TestXlsExport::emptyListingLeavesTheFileAlone() {
    ListingFixture f;
    const QString path = f.store.dir.filePath("ZOR.xls");
    writeFile(path, "earlier export");
    f.reload();
    QVERIFY(!exportListing(*f.model, kAllColumns, path));
    QCOMPARE(fileBytes(path), QByteArray("earlier export"));
}

void TestXlsExport::createFailureKeepsWhatWasThere_data() {
    QTest::addColumn<bool>("targetIsFolder");
    QTest::newRow("folder is a regular file") << false;
    QTest::newRow("a folder stands where the file goes") << true;
}

void TestXlsExport::createFailureKeepsWhatWasThere() {
    QFETCH(bool, targetIsFolder);
    ListingFixture f;
    fill(f);
    f.reload();
    const QDir dir(f.store.dir.path());
    QString path;
    if (targetIsFolder) {
        QVERIFY(dir.mkdir("ZOR.xls"));
        writeFile(dir.filePath("ZOR.xls/inside"), "kept");
        path = dir.filePath("ZOR.xls");
    } else {
        writeFile(dir.filePath("plain"), "kept");
        path = dir.filePath("plain/ZOR.xls");
    }
    const QStringList before =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    try {
        exportListing(*f.model, kAllColumns, path);
        QFAIL("the export did not fail");
    } catch (const UserError& e) {
        const QString start = QString("Cannot create file \"%1\". ").arg(path);
        QVERIFY2(e.text().startsWith(start), qPrintable(e.text()));
        QVERIFY2(e.text().size() > start.size(), "no reason given");
    }
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QCOMPARE(fileBytes(dir.filePath(targetIsFolder ? "ZOR.xls/inside" : "plain")),
             QByteArray("kept"));
}

void TestXlsExport::sheetRowLimit() {
    ListingFixture f;
    const QString path = f.store.dir.filePath("ZOR.xls");
    writeFile(path, "earlier export");
    // Titles, 65534 rows and the footer fill the 65536 rows of a sheet exactly.
    f.addMany(kMaxExportRows);
    f.reload();
    QVERIFY(exportListing(*f.model, {0, 2}, path));
    const auto cells = test::readCells(test::readRecords(fileBytes(path)));
    QCOMPARE(cells.value({65535, 1}).type, kTypeRk);
    QCOMPARE(cells.value({65535, 1}).value, QString("65534"));
    QCOMPARE(cells.lastKey(), qMakePair(65535, 1));

    writeFile(path, "earlier export");
    f.addMany(
        1, [](int) { return 1.0; }, "O2");
    f.reload();
    QCOMPARE(f.model->totalRows(), qint64(kMaxExportRows + 1));
    try {
        exportListing(*f.model, kAllColumns, path);
        QFAIL("the export did not refuse");
    } catch (const UserError& e) {
        QVERIFY2(e.text().contains("65536"), qPrintable(e.text()));
    }
    QCOMPARE(fileBytes(path), QByteArray("earlier export"));
}

QTEST_MAIN(TestXlsExport)
#include "tst_xlsexport.moc"
