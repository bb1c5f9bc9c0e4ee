// zor-cli: downloads, the clock, listings, exports and the history from the shell, for
// scripts and docking stations.
#include "CliCommon.h"
#include "CliDownload.h"
#include "CliListing.h"
#include "CliPorts.h"
#include "Database.h"
#include "UserError.h"

#include <QCoreApplication>
#include <functional>
#include <map>

using namespace zor;
using namespace zor::cli;

namespace {

constexpr auto kUsage =
    "usage: zor-cli COMMAND [OPTIONS]   (zor-cli COMMAND --help for each)\n"
    "\n"
    "Commands:\n"
    "  download --port PORT [--store STORE] [--quiet]   download the detector's alarm log\n"
    "  set-clock --port PORT                            set the detector's clock\n"
    "  list [--store STORE] [filters] [--format csv|json]\n"
    "                                                   list the stored events\n"
    "  export [--store STORE] [filters] (--xls FILE | --csv FILE)\n"
    "                                                   write the stored events to a file\n"
    "  history [--store STORE] [--format csv|json]      list the downloads\n"
    "  ports                                            list the serial ports\n"
    "  mkstore STORE                                    create an empty store\n"
    "\n"
    "Filters: --gas GAS, --from YYYY-MM-DD, --to YYYY-MM-DD (days of the peak).\n"
    "STORE defaults to ZOR.DLL in the current directory.\n";

int mkstoreCommand(const QStringList& arguments, Streams io) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Creates an empty alarm store at STORE; never overwrites a file.");
    parser.addPositionalArgument("STORE", "The store to create, e.g. ZOR.DLL.");
    if (const auto done = parseArguments(parser, arguments,
                                         QStringLiteral("usage: zor-cli mkstore STORE"), io, 1))
        return *done;
    try {
        Database::createEmpty(parser.positionalArguments().constFirst());
    } catch (const UserError& e) {
        return fail(io, e.text());
    }
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zor-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    const Streams io{out, err};

    const std::map<QString, std::function<int(const QStringList&, Streams)>> commands = {
        {"download", downloadCommand}, {"set-clock", setClockCommand}, {"list", listCommand},
        {"export", exportCommand},     {"history", historyCommand},    {"ports", portsCommand},
        {"mkstore", mkstoreCommand},
    };
    const QStringList arguments = QCoreApplication::arguments();
    const QString name = arguments.value(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        out << kUsage;
        return kExitOk;
    }
    const auto command = commands.find(name);
    if (command == commands.end()) {
        err << (name.isEmpty() ? QStringLiteral("zor-cli: no command given\n\n")
                               : QStringLiteral("zor-cli: unknown command %1\n\n").arg(name))
            << kUsage;
        return kExitUsage;
    }
    // The subcommand parses the rest, with its name where the program's stands.
    QStringList rest = arguments.mid(1);
    rest[0] = QStringLiteral("zor-cli ") + name;
    const int status = command->second(rest, io);
    out.flush();
    err.flush();
    return status;
}
