#pragma once

#include "CliCommon.h"

namespace zor::cli {

// zor-cli list, export and history.
int listCommand(const QStringList& arguments, Streams io);
int exportCommand(const QStringList& arguments, Streams io);
int historyCommand(const QStringList& arguments, Streams io);

} // namespace zor::cli
