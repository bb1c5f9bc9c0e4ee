#pragma once

#include "CliCommon.h"

#include <QStringList>
#include <QTextStream>
#include <QVariant>

namespace zor::cli {

// Writes rows as CSV (RFC 4180: a header row, fields quoted where needed, CRLF line ends) or
// as a JSON array of objects keyed by the header, one row at a time.
class TableWriter {
public:
    TableWriter(QTextStream& out, Format format, QStringList header);
    // Values: text, whole or real numbers, or null for an empty field.
    void row(const QVariantList& values);
    void finish();

private:
    QTextStream& out_;
    const Format format_;
    const QStringList header_;
    bool first_ = true;
};

// A reading as text: whole numbers without a fraction, others as short as they read back.
QString readingText(double value);

} // namespace zor::cli
