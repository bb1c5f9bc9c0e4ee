#pragma once

#include "DownloadSession.h"
#include "LocaleSeparators.h"

#include <QDateTime>
#include <QString>

namespace zor {

// What the window's status line says about downloads and commands, as rich text.
namespace status {

// A download under way, with its counts so far.
QString downloading(const QString& port, const DownloadCounts& counts);

// A download that ended at the given local time.
QString ended(DownloadOutcome outcome, const QString& port, const DownloadCounts& counts,
              const QDateTime& at, const LocaleSeparators& separators);

// The set-clock command sent with this time.
QString clockSet(const QString& port, const QDateTime& sent, const LocaleSeparators& separators);

// How a chosen port is named in the status line: a long device path by its file name.
QString portLabel(const QString& port);

} // namespace status
} // namespace zor
