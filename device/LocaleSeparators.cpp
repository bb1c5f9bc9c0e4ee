#include "LocaleSeparators.h"

#include <QRegularExpression>

namespace zor {

namespace {

constexpr QChar kDefaultDateSeparator = u'/';
constexpr QChar kDefaultTimeSeparator = u':';

// The first character of the short date format that is neither a letter nor a space.
QChar dateSeparatorOf(const QString& format) {
    for (QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return c;
    }
    return kDefaultDateSeparator;
}

// The character right after the hour field of the time format.
QChar timeSeparatorOf(const QString& format) {
    const qsizetype hour = format.indexOf(QRegularExpression(QStringLiteral("[hH]")));
    if (hour < 0)
        return kDefaultTimeSeparator;
    qsizetype i = hour;
    while (i < format.size() && (format[i] == u'h' || format[i] == u'H'))
        ++i;
    if (i >= format.size() || format[i].isLetter() || format[i].isSpace() || format[i] == u'\'')
        return kDefaultTimeSeparator;
    return format[i];
}

} // namespace

LocaleSeparators LocaleSeparators::of(const QLocale& locale) {
    LocaleSeparators s;
    s.date = dateSeparatorOf(locale.dateFormat(QLocale::ShortFormat));
    s.time = timeSeparatorOf(locale.timeFormat(QLocale::LongFormat));
    const QString decimal = locale.decimalPoint();
    if (decimal.size() == 1)
        s.decimal = decimal.front();
    return s;
}

} // namespace zor
