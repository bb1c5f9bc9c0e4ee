#pragma once

#include "SimEvent.h"

#include <QByteArray>

namespace zor::sim {

inline constexpr int kAlarmFrameBytes = 32;
inline constexpr int kCommandFrameBytes = 13;

// The 32-byte alarm record frame the detector sends for one event.
QByteArray encodeAlarmFrame(const SimEvent& event);

// Ways a frame on a bad link can be wrong.
enum class InvalidKind { BadMarker, BadMonth, UnknownGas, NoSuchDate };
inline constexpr int kInvalidKindCount = 4;

// A frame built from event but spoilt in the given way. NoSuchDate keeps every range
// valid and moves the start to 30 February, a date that does not exist.
QByteArray invalidAlarmFrame(const SimEvent& event, InvalidKind kind);

// The frame as a noisy line delivers it: 33 bytes, one foreign byte inserted before the unit
// code, so that the first 32 bytes still pass every frame check (with another unit).
QByteArray withNoiseByte(const QByteArray& frame);

} // namespace zor::sim
