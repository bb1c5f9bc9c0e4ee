#include "TableWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace zor::cli {

namespace {

QString csvField(const QVariant& value) {
    if (value.isNull())
        return {};
    QString text =
        value.typeId() == QMetaType::Double ? readingText(value.toDouble()) : value.toString();
    if (text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        text = u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return text;
}

// One JSON value as text, through Qt's own encoder (it writes arrays, not lone values).
QString jsonText(const QJsonValue& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString csvLine(const QStringList& fields) {
    return fields.join(u',') + QStringLiteral("\r\n");
}

} // namespace

QString readingText(double value) {
    return QString::number(value, 'g', 15);
}

TableWriter::TableWriter(QTextStream& out, Format format, QStringList header)
    : out_(out), format_(format), header_(std::move(header)) {
    if (format_ == Format::Csv)
        out_ << csvLine(header_);
    else
        out_ << '[';
}

void TableWriter::row(const QVariantList& values) {
    if (format_ == Format::Csv) {
        QStringList fields;
        for (const QVariant& value : values)
            fields << csvField(value);
        out_ << csvLine(fields);
        return;
    }
    // Keys in the header's order, which a JSON object of Qt's would sort.
    QStringList members;
    for (qsizetype i = 0; i < header_.size() && i < values.size(); ++i)
        members << jsonText(header_[i]) + u':' + jsonText(QJsonValue::fromVariant(values[i]));
    out_ << (first_ ? "\n" : ",\n") << u'{' << members.join(u',') << u'}';
    first_ = false;
}

void TableWriter::finish() {
    if (format_ == Format::Json)
        out_ << (first_ ? "]\n" : "\n]\n");
    out_.flush();
}

} // namespace zor::cli
