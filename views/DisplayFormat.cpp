#include "DisplayFormat.h"

namespace zor {

namespace {
constexpr int kGeneralDigits = 15;
}

QString gridTimeText(const QDateTime& time, const LocaleSeparators& sep) {
    if (!time.isValid())
        return {};
    const QDate d = time.date();
    const QTime t = time.time();
    const auto two = [](int n) { return QStringLiteral("%1").arg(n % 100, 2, 10, QLatin1Char('0')); };
    return two(d.year()) + sep.date + two(d.month()) + sep.date + two(d.day()) + u' ' +
           two(t.hour()) + sep.time + two(t.minute()) + sep.time + two(t.second());
}

QString readingText(const std::optional<double>& value, const LocaleSeparators& sep) {
    if (!value)
        return {};
    QString text = QString::number(*value, 'g', kGeneralDigits);
    text.replace(u'.', sep.decimal);
    return text;
}

} // namespace zor
