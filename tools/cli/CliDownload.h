#pragma once

#include "CliCommon.h"
#include "DownloadHistory.h"

namespace zor::cli {

// zor-cli download and set-clock.
int downloadCommand(const QStringList& arguments, Streams io);
int setClockCommand(const QStringList& arguments, Streams io);

// The one summary line of a download: "N new, M already stored, K rejected, F failed".
QString summaryLine(const DownloadCounts& counts);

} // namespace zor::cli
