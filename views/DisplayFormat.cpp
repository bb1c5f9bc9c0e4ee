#include "DisplayFormat.h"

namespace zor {

namespace {
constexpr int kGeneralDigits = 15;
constexpr int kCentury = 100;

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n % kCentury, 2, 10, QLatin1Char('0'));
}
} // namespace

QString shortDateText(const QDateTime& time, const LocaleSeparators& sep) {
    if (!time.isValid())
        return {};
    const QDate d = time.date();
    return twoDigits(d.year()) + sep.date + twoDigits(d.month()) + sep.date + twoDigits(d.day());
}

QString clockText(const QDateTime& time, const LocaleSeparators& sep) {
    if (!time.isValid())
        return {};
    const QTime t = time.time();
    return twoDigits(t.hour()) + sep.time + twoDigits(t.minute()) + sep.time +
           twoDigits(t.second());
}

QString gridTimeText(const QDateTime& time, const LocaleSeparators& sep) {
    if (!time.isValid())
        return {};
    return shortDateText(time, sep) + QLatin1Char(' ') + clockText(time, sep);
}

QString readingText(const std::optional<double>& value, const LocaleSeparators& sep) {
    if (!value)
        return {};
    QString text = QString::number(*value, 'g', kGeneralDigits);
    text.replace(u'.', sep.decimal);
    return text;
}

} // namespace zor
