#include "CliDownload.h"

#include "AlarmStore.h"
#include "DownloadHistory.h"
#include "DownloadSession.h"
#include "PortError.h"
#include "UserError.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace zor::cli {

namespace {

constexpr int kSendTimeoutMs = 2000;
constexpr auto kDownloadUsage = "usage: zor-cli download --port PORT [--store STORE] [--quiet]";
constexpr auto kSetClockUsage = "usage: zor-cli set-clock --port PORT";

QCommandLineOption portOption() {
    return {"port", "The serial port: COM1..COM8, a name such as ttyUSB0, or a device path.",
            "PORT"};
}

bool stderrIsTerminal() {
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) == 1;
#else
    return false;
#endif
}

QString portFailure(const PortError& e, const QString& port) {
    return e.cause().isEmpty() ? QStringLiteral("%1: %2").arg(port, e.text()) : e.cause();
}

int exitStatusOf(DownloadOutcome outcome, const DownloadCounts& counts) {
    switch (outcome) {
    case DownloadOutcome::Finished:
        return counts.rejected > 0 || counts.failed > 0 ? kExitIncomplete : kExitOk;
    case DownloadOutcome::NoAnswer:
        return kExitNoAnswer;
    default:
        return kExitFailed;
    }
}

} // namespace

QString summaryLine(const DownloadCounts& counts) {
    return QStringLiteral("%1 new, %2 already stored, %3 rejected, %4 failed")
        .arg(counts.stored)
        .arg(counts.duplicates)
        .arg(counts.rejected)
        .arg(counts.failed);
}

int downloadCommand(const QStringList& arguments, Streams io) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Downloads the detector's alarm log into the store and prints one summary line. Exit "
        "status: 0 finished, 3 finished with rejected or failed frames (download again), 4 no "
        "answer, 1 the store or the port failed, 2 wrong usage.");
    const QCommandLineOption port = portOption();
    const QCommandLineOption store = storeOption();
    const QCommandLineOption quiet("quiet", "No progress line on standard error.");
    parser.addOptions({port, store, quiet});
    if (const auto done = parseArguments(parser, arguments, QLatin1String(kDownloadUsage), io))
        return *done;
    if (!parser.isSet(port))
        return fail(io, QStringLiteral("--port is missing\n\n") + QLatin1String(kDownloadUsage),
                    kExitUsage);
    const auto db = openStore(parser.value(store), io);
    if (!db)
        return kExitFailed;

    AlarmStore alarms(*db);
    DownloadHistory history(db->connection());
    DownloadSession session(alarms, history);
    const bool showProgress = stderrIsTerminal() && !parser.isSet(quiet);
    QString storeError;
    QEventLoop loop;
    QObject::connect(&session, &DownloadSession::progress, [&](const DownloadCounts& counts) {
        if (showProgress && session.isRunning()) {
            io.err << "\r\033[K" << session.port() << ": " << summaryLine(counts);
            io.err.flush();
        }
    });
    QObject::connect(&session, &DownloadSession::invalidDate,
                     [&](const QString& text) { io.err << "\r\033[Kzor-cli: " << text << '\n'; });
    QObject::connect(&session, &DownloadSession::storeFailed,
                     [&](const QString& text) { storeError = text; });
    QObject::connect(&session, &DownloadSession::ended, &loop, &QEventLoop::quit);
    try {
        // A download still running in the history was cut short when its program was killed.
        history.closeAbandoned(session.station());
        session.start(parser.value(port));
    } catch (const PortError& e) {
        return fail(io, portFailure(e, parser.value(port)));
    } catch (const UserError& e) {
        return fail(io, QStringLiteral("%1: %2").arg(db->path(), e.text()));
    }
    loop.exec();
    if (showProgress)
        io.err << "\r\033[K";
    const DownloadCounts counts = session.counts();
    io.out << summaryLine(counts) << '\n';
    io.out.flush();
    if (!storeError.isEmpty())
        fail(io, QStringLiteral("%1: %2").arg(db->path(), storeError));
    const DownloadOutcome outcome = session.outcome();
    if (outcome == DownloadOutcome::NoAnswer)
        fail(io, QStringLiteral("no answer from the detector on %1").arg(parser.value(port)),
             kExitNoAnswer);
    else if (outcome == DownloadOutcome::Interrupted)
        fail(io,
             QStringLiteral("%1: the port was lost during the download").arg(parser.value(port)));
    return exitStatusOf(outcome, counts);
}

int setClockCommand(const QStringList& arguments, Streams io) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Sets the detector's clock to this computer's local date and time. The detector "
        "confirms nothing: the line printed says what was sent.");
    const QCommandLineOption port = portOption();
    parser.addOption(port);
    if (const auto done = parseArguments(parser, arguments, QLatin1String(kSetClockUsage), io))
        return *done;
    if (!parser.isSet(port))
        return fail(io, QStringLiteral("--port is missing\n\n") + QLatin1String(kSetClockUsage),
                    kExitUsage);
    // The clock command needs no store.
    AlarmStore noAlarms{QSqlDatabase()};
    DownloadHistory noHistory{QSqlDatabase()};
    DownloadSession session(noAlarms, noHistory);
    try {
        const QDateTime sent = session.setClock(parser.value(port));
        if (!session.waitForSent(kSendTimeoutMs))
            return fail(
                io, QStringLiteral("%1: the command could not be sent").arg(parser.value(port)));
        io.out << "clock set to " << sent.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << " on "
               << parser.value(port) << '\n';
    } catch (const PortError& e) {
        return fail(io, portFailure(e, parser.value(port)));
    }
    return kExitOk;
}

} // namespace zor::cli
