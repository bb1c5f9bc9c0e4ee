#pragma once

#include "CliCommon.h"

namespace zor::cli {

// zor-cli ports: the serial ports of this computer.
int portsCommand(const QStringList& arguments, Streams io);

} // namespace zor::cli
