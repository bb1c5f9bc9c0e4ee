#include "CliListing.h"

#include "DownloadHistory.h"
#include "ListingModel.h"
#include "SqlSupport.h"
#include "TableWriter.h"
#include "UserError.h"
#include "XlsExport.h"

#include <QSaveFile>

namespace zor::cli {

namespace {

constexpr int kPageRows = 1000;
const QStringList kListHeader = {"Gas",    "sTime", "sValue", "pTime",
                                 "pValue", "eTime", "eValue", "Unt"};
const QStringList kHistoryHeader = {"id",     "started",    "finished", "station", "port",
                                    "stored", "duplicates", "rejected", "failed",  "outcome"};

constexpr auto kListUsage = "usage: zor-cli list [--store STORE] [--gas GAS] [--from YYYY-MM-DD] "
                            "[--to YYYY-MM-DD] [--format csv|json]";
constexpr auto kExportUsage = "usage: zor-cli export [--store STORE] [--gas GAS] "
                              "[--from YYYY-MM-DD] [--to YYYY-MM-DD] (--xls FILE | --csv FILE)";
constexpr auto kHistoryUsage = "usage: zor-cli history [--store STORE] [--format csv|json]";

QVariant reading(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant();
}

QVariant optionalText(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// Every row of the listing in listing order, page by page.
void writeListing(const Listing& listing, const ListingFilter& filter, TableWriter& writer) {
    std::optional<ListingRow> last;
    for (;;) {
        const std::vector<ListingRow> rows =
            listing.page(filter, last ? &*last : nullptr, kPageRows);
        for (const ListingRow& r : rows)
            writer.row({r.gas, toStoredTime(r.sTime), reading(r.sValue), toStoredTime(r.pTime),
                        reading(r.pValue), toStoredTime(r.eTime), reading(r.eValue), r.unit});
        if (int(rows.size()) < kPageRows)
            break;
        last = rows.back();
    }
    writer.finish();
}

// The listing as CSV into a file that is replaced only once complete.
void writeCsvFile(const Listing& listing, const ListingFilter& filter, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw UserError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    QTextStream stream(&file);
    stream.setEncoding(QStringConverter::Utf8);
    TableWriter writer(stream, Format::Csv, kListHeader);
    writeListing(listing, filter, writer);
    if (stream.status() != QTextStream::Ok || !file.commit())
        throw UserError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
}

} // namespace

int listCommand(const QStringList& arguments, Streams io) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Lists the stored alarm events, newest peak first, then by gas.");
    const QCommandLineOption store = storeOption();
    const QCommandLineOption format = formatOption();
    const FilterOptions filters;
    parser.addOption(store);
    filters.addTo(parser);
    parser.addOption(format);
    if (const auto done = parseArguments(parser, arguments, QLatin1String(kListUsage), io))
        return *done;
    const auto filter = filters.read(parser, io);
    const auto chosen = readFormat(parser, format, io);
    if (!filter || !chosen)
        return kExitUsage;
    const auto db = openStore(parser.value(store), io);
    if (!db)
        return kExitFailed;
    try {
        TableWriter writer(io.out, *chosen, kListHeader);
        writeListing(Listing(db->connection()), *filter, writer);
    } catch (const UserError& e) {
        return fail(io, QStringLiteral("%1: %2").arg(db->path(), e.text()));
    }
    return kExitOk;
}

int exportCommand(const QStringList& arguments, Streams io) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Writes the stored alarm events to a file: --xls as the window's \"Export to Excel\" "
        "writes it, --csv as zor-cli list writes it. The file is replaced only once the new "
        "one is complete.");
    const QCommandLineOption store = storeOption();
    const FilterOptions filters;
    const QCommandLineOption xls("xls", "Write a spreadsheet (.xls) to FILE.", "FILE");
    const QCommandLineOption csv("csv", "Write CSV to FILE.", "FILE");
    parser.addOption(store);
    filters.addTo(parser);
    parser.addOptions({xls, csv});
    if (const auto done = parseArguments(parser, arguments, QLatin1String(kExportUsage), io))
        return *done;
    if (parser.isSet(xls) == parser.isSet(csv))
        return fail(io,
                    QStringLiteral("give either --xls FILE or --csv FILE\n\n") +
                        QLatin1String(kExportUsage),
                    kExitUsage);
    const auto filter = filters.read(parser, io);
    if (!filter)
        return kExitUsage;
    const auto db = openStore(parser.value(store), io);
    if (!db)
        return kExitFailed;
    const Listing listing(db->connection());
    try {
        if (parser.isSet(csv)) {
            writeCsvFile(listing, *filter, parser.value(csv));
            return kExitOk;
        }
        ListingModel model(listing, QLocale());
        model.reload(*filter);
        QList<int> columns;
        for (int column = 0; column < ListingModel::ColumnCount; ++column)
            columns << column;
        // As the window: an empty listing leaves any file as it was.
        if (!exportListing(model, columns, parser.value(xls)))
            io.err << "zor-cli: the listing is empty; " << parser.value(xls)
                   << " was not written\n";
    } catch (const UserError& e) {
        return fail(io, e.text());
    }
    return kExitOk;
}

int historyCommand(const QStringList& arguments, Streams io) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Lists the downloads of the store, oldest first.");
    const QCommandLineOption store = storeOption();
    const QCommandLineOption format = formatOption();
    parser.addOptions({store, format});
    if (const auto done = parseArguments(parser, arguments, QLatin1String(kHistoryUsage), io))
        return *done;
    const auto chosen = readFormat(parser, format, io);
    if (!chosen)
        return kExitUsage;
    const auto db = openStore(parser.value(store), io);
    if (!db)
        return kExitFailed;
    try {
        const std::vector<DownloadRow> rows = DownloadHistory(db->connection()).rows();
        TableWriter writer(io.out, *chosen, kHistoryHeader);
        for (const DownloadRow& r : rows)
            writer.row({r.id, r.started, optionalText(r.finished), r.station, r.port,
                        r.counts.stored, r.counts.duplicates, r.counts.rejected, r.counts.failed,
                        r.outcome});
        writer.finish();
    } catch (const UserError& e) {
        return fail(io, QStringLiteral("%1: %2").arg(db->path(), e.text()));
    }
    return kExitOk;
}

} // namespace zor::cli
