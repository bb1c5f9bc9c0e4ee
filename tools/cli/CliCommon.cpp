#include "CliCommon.h"

#include "UserError.h"

#include <QDate>

namespace zor::cli {

namespace {
const QString kDayFormat = QStringLiteral("yyyy-MM-dd");
// Open ends of a range of days given on one side only.
const QDate kFirstDay(1, 1, 1);
const QDate kLastDay(9999, 12, 31);

std::optional<QDate> readDay(const QCommandLineParser& parser, const QCommandLineOption& option,
                             Streams io, bool& ok) {
    if (!parser.isSet(option))
        return std::nullopt;
    const QString text = parser.value(option);
    const QDate day = QDate::fromString(text, kDayFormat);
    if (!day.isValid()) {
        fail(io,
             QStringLiteral("--%1 %2: not a day of the form YYYY-MM-DD")
                 .arg(option.names().constFirst(), text),
             kExitUsage);
        ok = false;
    }
    return day;
}
} // namespace

std::optional<int> parseArguments(QCommandLineParser& parser, const QStringList& arguments,
                                  const QString& usage, Streams io, int positional) {
    const QCommandLineOption help = parser.addHelpOption();
    if (!parser.parse(arguments)) {
        io.err << "zor-cli: " << parser.errorText() << "\n\n" << usage << '\n';
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        io.out << parser.helpText();
        return kExitOk;
    }
    if (parser.positionalArguments().size() != positional) {
        io.err << "zor-cli: wrong number of arguments\n\n" << usage << '\n';
        return kExitUsage;
    }
    return std::nullopt;
}

int fail(Streams io, const QString& text, int status) {
    io.err << "zor-cli: " << text << '\n';
    io.err.flush();
    return status;
}

QCommandLineOption storeOption() {
    return {"store", "The store (default: ZOR.DLL in the current directory).", "STORE",
            QString::fromLatin1(kStoreFileName)};
}

std::unique_ptr<Database> openStore(const QString& path, Streams io) {
    try {
        return std::make_unique<Database>(path);
    } catch (const UserError& e) {
        fail(io, QStringLiteral("%1: %2").arg(path, e.text()));
        return nullptr;
    }
}

std::optional<ListingFilter> FilterOptions::read(const QCommandLineParser& parser,
                                                 Streams io) const {
    bool ok = true;
    ListingFilter filter;
    filter.gas = parser.value(gas);
    const std::optional<QDate> first = readDay(parser, from, io, ok);
    const std::optional<QDate> last = readDay(parser, to, io, ok);
    if (!ok)
        return std::nullopt;
    if (first || last) {
        filter.from = first.value_or(kFirstDay);
        filter.to = last.value_or(kLastDay);
    }
    return filter;
}

QCommandLineOption formatOption() {
    return {"format", "Output format: csv (default) or json.", "csv|json", "csv"};
}

std::optional<Format> readFormat(const QCommandLineParser& parser, const QCommandLineOption& option,
                                 Streams io) {
    const QString name = parser.value(option);
    if (name == QLatin1String("csv"))
        return Format::Csv;
    if (name == QLatin1String("json"))
        return Format::Json;
    fail(io, QStringLiteral("--format %1: use csv or json").arg(name), kExitUsage);
    return std::nullopt;
}

} // namespace zor::cli
