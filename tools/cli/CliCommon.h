#pragma once

#include "Database.h"
#include "Listing.h"

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>
#include <memory>
#include <optional>

namespace zor::cli {

// Exit statuses of zor-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;     // the store or the port failed
inline constexpr int kExitUsage = 2;      // wrong usage
inline constexpr int kExitIncomplete = 3; // finished with rejected or failed frames
inline constexpr int kExitNoAnswer = 4;   // the detector did not answer

// Standard output and error of the tool.
struct Streams {
    QTextStream& out;
    QTextStream& err;
};

// Parses the arguments of one subcommand. Returns an exit status when the command is done
// already (help shown, or wrong usage reported), nothing when it should go on.
// positional is the number of arguments the command takes besides its options.
std::optional<int> parseArguments(QCommandLineParser& parser, const QStringList& arguments,
                                  const QString& usage, Streams io, int positional = 0);

// Reports an error on standard error as "zor-cli: TEXT".
int fail(Streams io, const QString& text, int status = kExitFailed);

// The --store option, with its default of "ZOR.DLL" in the current directory.
QCommandLineOption storeOption();

// Opens an existing store; on failure reports the store and the cause and returns nothing.
std::unique_ptr<Database> openStore(const QString& path, Streams io);

// The listing filters: --gas, --from, --to.
struct FilterOptions {
    QCommandLineOption gas{"gas", "Only events of this gas (as stored, e.g. CO).", "GAS"};
    QCommandLineOption from{"from", "Only events whose peak is on this day or later.",
                            "YYYY-MM-DD"};
    QCommandLineOption to{"to", "Only events whose peak is on this day or earlier.", "YYYY-MM-DD"};
    void addTo(QCommandLineParser& parser) const { parser.addOptions({gas, from, to}); }
    // The filter, or nothing after reporting a day that is not YYYY-MM-DD.
    std::optional<ListingFilter> read(const QCommandLineParser& parser, Streams io) const;
};

// Output formats of list and history.
enum class Format { Csv, Json };
QCommandLineOption formatOption();
// The format, or nothing after reporting an unknown one.
std::optional<Format> readFormat(const QCommandLineParser& parser, const QCommandLineOption& option,
                                 Streams io);

} // namespace zor::cli
