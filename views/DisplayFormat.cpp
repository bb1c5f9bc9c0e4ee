#include "DisplayFormat.h"

namespace zor {

namespace {
constexpr int kGeneralDigits = 15;
constexpr int kCentury = 100;

constexpr int kBase = 10;

// Three two-digit fields joined by a separator, as in "24/01/26" or "08:16:02".
QString threeFields(int first, int second, int third, QChar separator) {
    const auto digit = [](int n) { return QChar(char16_t(u'0' + n)); };
    const QChar text[] = {digit(first % kCentury / kBase), digit(first % kBase),  separator,
                          digit(second / kBase % kBase),   digit(second % kBase), separator,
                          digit(third / kBase % kBase),    digit(third % kBase)};
    return QString(text, std::size(text));
}
} // namespace

QString shortDateText(const QDateTime& time, const LocaleSeparators& sep) {
    if (!time.isValid())
        return {};
    const QDate d = time.date();
    return threeFields(d.year(), d.month(), d.day(), sep.date);
}

QString clockText(const QDateTime& time, const LocaleSeparators& sep) {
    if (!time.isValid())
        return {};
    const QTime t = time.time();
    return threeFields(t.hour(), t.minute(), t.second(), sep.time);
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
