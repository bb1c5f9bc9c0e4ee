#include "XlsExport.h"

#include "BiffWriter.h"
#include "DisplayFormat.h"
#include "UserError.h"

#include <QSaveFile>

namespace zor {

namespace {

void writeReading(BiffWriter& sheet, int row, int column, const std::optional<double>& value) {
    if (value)
        sheet.number(row, column, *value);
    else
        sheet.blank(row, column);
}

void writeCell(BiffWriter& sheet, int row, int column, const ListingRow& r, int field,
               const LocaleSeparators& sep) {
    switch (field) {
    case ListingModel::Gas:
        sheet.label(row, column, r.gas);
        break;
    case ListingModel::StartTime:
        sheet.label(row, column, gridTimeText(r.sTime, sep));
        break;
    case ListingModel::StartValue:
        writeReading(sheet, row, column, r.sValue);
        break;
    case ListingModel::PeakTime:
        sheet.label(row, column, gridTimeText(r.pTime, sep));
        break;
    case ListingModel::PeakValue:
        writeReading(sheet, row, column, r.pValue);
        break;
    case ListingModel::EndTime:
        sheet.label(row, column, gridTimeText(r.eTime, sep));
        break;
    case ListingModel::EndValue:
        writeReading(sheet, row, column, r.eValue);
        break;
    case ListingModel::Unit:
        sheet.label(row, column, r.unit);
        break;
    default:
        break;
    }
}

QString tooLongText(qint64 rows) {
    return QStringLiteral("Cannot export %1 rows: a spreadsheet file holds at most %2 rows, "
                          "that is %3 alarm records besides the titles and the record count")
        .arg(rows)
        .arg(kMaxSheetRows)
        .arg(kMaxExportRows);
}

QString createFailedText(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
}

} // namespace

QByteArray buildWorksheet(ListingModel& model, const QList<int>& visibleColumns,
                          const QStringList& titles) {
    if (model.totalRows() > kMaxExportRows)
        throw UserError(tooLongText(model.totalRows()));
    model.fetchAll();
    const int rows = model.rowCount();
    if (rows > kMaxExportRows)
        throw UserError(tooLongText(rows));

    BiffWriter sheet;
    for (int c = 0; c < visibleColumns.size(); ++c) {
        const int field = visibleColumns[c];
        const QString title = field < titles.size()
                                  ? titles[field]
                                  : model.headerData(field, Qt::Horizontal).toString();
        sheet.label(0, c, title);
    }
    for (int i = 0; i < rows; ++i) {
        const ListingRow& r = model.rowAt(i);
        for (int c = 0; c < visibleColumns.size(); ++c)
            writeCell(sheet, i + 1, c, r, visibleColumns[c], model.separators());
    }
    // The footer cells belong to their columns: a hidden column takes its footer cell along.
    const int footer = rows + 1;
    for (int c = 0; c < visibleColumns.size(); ++c) {
        switch (visibleColumns[c]) {
        case ListingModel::StartTime:
            sheet.label(footer, c, QString::fromLatin1(kRecordCountCaption));
            break;
        case ListingModel::StartValue:
            sheet.number(footer, c, rows);
            break;
        default:
            sheet.label(footer, c, QString());
            break;
        }
    }
    return sheet.finish();
}

bool exportListing(ListingModel& model, const QList<int>& visibleColumns, const QString& path,
                   const QStringList& titles) {
    if (model.totalRows() == 0)
        return false;
    const QByteArray bytes = buildWorksheet(model, visibleColumns, titles);

    // The new file takes the old one's place only once it is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw UserError(createFailedText(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw UserError(createFailedText(path, reason));
    }
    if (!file.commit())
        throw UserError(createFailedText(path, file.errorString()));
    return true;
}

} // namespace zor
