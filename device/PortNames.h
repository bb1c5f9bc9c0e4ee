#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace zor {

// How the operating system names serial devices.
enum class PortNaming { Windows, Posix };

#ifdef Q_OS_WIN
inline constexpr PortNaming kSystemPortNaming = PortNaming::Windows;
#else
inline constexpr PortNaming kSystemPortNaming = PortNaming::Posix;
#endif

// The names offered in the port box: "COM1".."COM8", then the other serial ports the
// system reports.
QStringList portChoices();

// The same from a given list of system port names (as QSerialPortInfo::portName gives them).
QStringList portChoices(const QStringList& systemPortNames, PortNaming naming = kSystemPortNaming);

// What the system says of each serial port, by port name (description, else manufacturer).
QMap<QString, QString> portDescriptions();

// The device a name in the port box opens. On POSIX systems "COM1".."COM8" are
// /dev/ttyS0../dev/ttyS7, an absolute path is used as is and a bare name lives in /dev.
QString devicePathFor(const QString& name, PortNaming naming = kSystemPortNaming);

} // namespace zor
