#include "PortNames.h"

#include <QSerialPortInfo>

namespace zor {

namespace {

constexpr int kFixedPortCount = 8;

QString fixedPortName(int number) {
    return QStringLiteral("COM%1").arg(number);
}

// The 1-based number of a fixed port name, or 0 when name is not one of them.
int fixedPortNumber(const QString& name) {
    for (int number = 1; number <= kFixedPortCount; ++number) {
        if (name == fixedPortName(number))
            return number;
    }
    return 0;
}

QString posixDeviceOfFixedPort(int number) {
    return QStringLiteral("ttyS%1").arg(number - 1);
}

// True when a system port is already offered as one of the fixed names.
bool coveredByFixedName(const QString& systemName, PortNaming naming) {
    if (naming == PortNaming::Windows)
        return fixedPortNumber(systemName) != 0;
    for (int number = 1; number <= kFixedPortCount; ++number) {
        if (systemName == posixDeviceOfFixedPort(number))
            return true;
    }
    return false;
}

} // namespace

QStringList portChoices(const QStringList& systemPortNames, PortNaming naming) {
    QStringList choices;
    for (int number = 1; number <= kFixedPortCount; ++number)
        choices.append(fixedPortName(number));
    for (const QString& name : systemPortNames) {
        if (!name.isEmpty() && !coveredByFixedName(name, naming) && !choices.contains(name))
            choices.append(name);
    }
    return choices;
}

QStringList portChoices() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    names.sort();
    return portChoices(names);
}

QMap<QString, QString> portDescriptions() {
    QMap<QString, QString> descriptions;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString text =
            info.description().isEmpty() ? info.manufacturer() : info.description();
        if (!text.isEmpty())
            descriptions.insert(info.portName(), text);
    }
    return descriptions;
}

QString devicePathFor(const QString& name, PortNaming naming) {
    if (naming == PortNaming::Windows)
        return name;
    if (const int number = fixedPortNumber(name))
        return QStringLiteral("/dev/") + posixDeviceOfFixedPort(number);
    if (name.startsWith(u'/'))
        return name;
    return QStringLiteral("/dev/") + name;
}

} // namespace zor
