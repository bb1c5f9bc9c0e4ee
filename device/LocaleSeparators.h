#pragma once

#include <QChar>
#include <QLocale>

namespace zor {

// The date, time and decimal separators that the operator's locale uses.
struct LocaleSeparators {
    QChar date = u'/';
    QChar time = u':';
    QChar decimal = u'.';

    static LocaleSeparators of(const QLocale& locale);
};

} // namespace zor
