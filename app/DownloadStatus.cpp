#include "DownloadStatus.h"

#include <QFileInfo>

namespace zor::status {

namespace {

constexpr auto kRejectedColour = "#c00000";

QString timeOfDay(const QDateTime& at, const LocaleSeparators& separators) {
    return at.toString(QStringLiteral("HH:mm:ss")).replace(u':', separators.time);
}

// "143 new, 23 already stored, 0 rejected", the refused and failed counts in red.
QString countsText(const DownloadCounts& counts) {
    QString text =
        QStringLiteral("%1 new, %2 already stored, ").arg(counts.stored).arg(counts.duplicates);
    const QString rejected = QStringLiteral("%1 rejected").arg(counts.rejected);
    text += counts.rejected > 0 ? QStringLiteral("<span style=\"color:%1\"><b>%2</b></span>")
                                      .arg(QLatin1String(kRejectedColour), rejected)
                                : rejected;
    if (counts.failed > 0)
        text += QStringLiteral(", <span style=\"color:%1\"><b>%2 not stored</b></span>")
                    .arg(QLatin1String(kRejectedColour))
                    .arg(counts.failed);
    return text;
}

bool incomplete(const DownloadCounts& counts) {
    return counts.rejected > 0 || counts.failed > 0;
}

QString advice(const QString& text) {
    return QStringLiteral("<br><span style=\"color:%1\">%2</span>")
        .arg(QLatin1String(kRejectedColour), text);
}

} // namespace

QString portLabel(const QString& port) {
    // A long device path would crowd the counts out of the line.
    constexpr qsizetype kLongestShown = 24;
    return port.size() > kLongestShown ? QFileInfo(port).fileName() : port;
}

QString downloading(const QString& port, const DownloadCounts& counts) {
    return QStringLiteral("Downloading from %1: %2")
        .arg(portLabel(port).toHtmlEscaped(), countsText(counts));
}

QString ended(DownloadOutcome outcome, const QString& port, const DownloadCounts& counts,
              const QDateTime& at, const LocaleSeparators& separators) {
    const QString where = portLabel(port).toHtmlEscaped();
    const QString when = timeOfDay(at, separators);
    switch (outcome) {
    case DownloadOutcome::NoAnswer:
        return QStringLiteral("No answer from the detector on %1").arg(where);
    case DownloadOutcome::Interrupted:
        return QStringLiteral("Interrupted %1 on %2: %3").arg(when, where, countsText(counts)) +
               advice(QStringLiteral("Download again to get the rest of the log."));
    case DownloadOutcome::Finished: {
        QString text = QStringLiteral("Finished %1: %2").arg(when, countsText(counts));
        if (incomplete(counts))
            text += advice(QStringLiteral("Some frames were not stored: download again."));
        return text;
    }
    case DownloadOutcome::Idle:
    case DownloadOutcome::Running:
        break;
    }
    return downloading(port, counts);
}

QString clockSet(const QString& port, const QDateTime& sent, const LocaleSeparators& separators) {
    return QStringLiteral("Clock set to %1 %2 on %3")
        .arg(sent.toString(QStringLiteral("yyyy-MM-dd")), timeOfDay(sent, separators),
             portLabel(port).toHtmlEscaped());
}

} // namespace zor::status
