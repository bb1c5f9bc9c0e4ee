#pragma once

#include "AlarmFrame.h"

#include <QByteArray>
#include <vector>

namespace zor::bench {

// Alarm frames of distinct, plausible events, each with its own peak time.
std::vector<QByteArray> distinctFrames(int count, int firstSerial);

} // namespace zor::bench
