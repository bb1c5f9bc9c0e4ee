#include "CliPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace zor::cli {

namespace {
constexpr auto kPortsUsage = "usage: zor-cli ports";
// Names that stay the same whichever socket an adapter is plugged into.
constexpr auto kStableLinks = "/dev/serial/by-id";

QString field(const QString& text) {
    return text.isEmpty() ? QStringLiteral("-") : text;
}
} // namespace

int portsCommand(const QStringList& arguments, Streams io) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Lists the serial ports, one per line: name, the device it opens, description, "
        "manufacturer and serial number (\"-\" where the system does not know them), tab "
        "apart; then the links of " +
        QString::fromLatin1(kStableLinks) +
        ", which keep their name when an adapter moves to another socket. Each name or path "
        "can be given to --port.");
    if (const auto done = parseArguments(parser, arguments, QLatin1String(kPortsUsage), io))
        return *done;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        io.out << QStringList{port.portName(), port.systemLocation(), field(port.description()),
                              field(port.manufacturer()), field(port.serialNumber())}
                      .join(u'\t')
               << '\n';
    const QDir links(QString::fromLatin1(kStableLinks));
    for (const QFileInfo& link :
         links.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        io.out << link.absoluteFilePath() << '\t' << link.canonicalFilePath() << "\tstable name"
               << '\n';
    return kExitOk;
}

} // namespace zor::cli
