#pragma once

#include "SimEvent.h"

#include <QString>
#include <vector>

namespace zor::sim {

// The text form of a log, one event per line:
//   GAS UNIT START START_RAW PEAK PEAK_RAW END END_RAW
// e.g. "CO PPM 2024-01-26T08:15:30 50 2024-01-26T08:16:02 150 2024-01-26T08:20:45 25".
// Times are yyyy-MM-ddTHH:mm:ss in 2000..2099, raw readings 0..65535; '#' starts a comment.
extern const char* const kLogFormatHelp;

// Parses a whole log; throws std::runtime_error naming the line of the first fault.
std::vector<SimEvent> parseLog(const QString& text);

QString formatLogLine(const SimEvent& event);

// A deterministic log of count events: every block of 20 holds each gas once, readings are
// typical of the gas, and times increase (start, then peak, then end, then the next event).
std::vector<SimEvent> generateEvents(int count, quint64 seed);

} // namespace zor::sim
