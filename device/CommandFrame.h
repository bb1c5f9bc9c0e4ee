#pragma once

#include <QByteArray>
#include <QDateTime>
#include <array>

namespace zor {

inline constexpr int kCommandFrameSize = 13;
inline constexpr int kCommandParameterCount = 7;

// Command codes of the 13-byte command frame.
inline constexpr quint8 ReadCommand = 0xF0;
inline constexpr quint8 SetClockCommand = 0xF1;

using CommandParameters = std::array<quint8, kCommandParameterCount>;

// Builds a command frame: markers, code, parameter count, parameters and checksum.
QByteArray commandFrame(quint8 command, const CommandParameters& parameters);

// The frame that asks the detector for its alarm log; it never changes.
QByteArray readCommandFrame();

// The frame that sets the detector's clock to the wall-clock date and time of at.
QByteArray setClockCommandFrame(const QDateTime& at);

} // namespace zor
